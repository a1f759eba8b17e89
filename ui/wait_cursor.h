#pragma once
// The application-wide wait cursor for the length of a run.

#include <windows.h>

#include "win32_handles.h"

namespace velmori {

// While it exists, the mouse cursor is the wait cursor over every window of
// the thread. The owner's windows answer WM_SETCURSOR with it (Show), so it
// never flashes back to their own cursor; a hook, which lives exactly as long
// as this object and so needs no state, puts it back after any other window of
// the thread (a message box shown during the run) has set its own. Destruction
// restores the arrow. Its owner holds at most one at a time.
class WaitCursor {
 public:
  WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor();

  // Sets the wait cursor now: for the owner's answer to WM_SETCURSOR.
  void Show() const;

 private:
  UniqueHook hook_;
};

}  // namespace velmori
