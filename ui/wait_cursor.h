#pragma once
// The application-wide wait cursor for the length of a run.

#include <windows.h>

#include "win32_handles.h"

namespace velmori {

// While one exists, the mouse cursor is the wait cursor over every window of
// the thread: the program's own windows answer WM_SETCURSOR with it (see
// WaitCursor::Answer), and a hook puts it back after any other window of the
// thread (a message box shown during the run) has set its own. Destruction
// restores the default cursor.
class WaitCursor {
 public:
  WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor();

  // For a window procedure's WM_SETCURSOR: sets the wait cursor and returns
  // true while a run lasts; false otherwise (handle the message as usual).
  static bool Answer();

 private:
  UniqueHook hook_;
};

}  // namespace velmori
