#pragma once
// What the project run asks of a user interface. The Windows program implements
// these with real windows; tests implement them with recording fakes.

#include <cstdint>
#include <string>

namespace velmori {

inline constexpr char kAppTitle[] = "Velmori";

// MessageBox style values used by the program.
enum MessageStyle : int {
  kStyleError = 16,       // OK, stop icon: the error report
  kStyleWarning = 48,     // OK, exclamation icon: missing project file
  kStyleConfirm = 33,     // OK and Cancel, question icon, OK default
  kStyleInformation = 64  // OK, information icon: success
};

inline constexpr int kAnswerOk = 1;  // IDOK

// A modal message box titled kAppTitle. Texts are UTF-8. Returns the button pressed.
class MessagePort {
 public:
  virtual ~MessagePort() = default;
  virtual int ShowMessage(const std::string& text, int style) = 0;
};

// The progress display that a run loads, shows, updates and unloads.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  virtual void Load() = 0;
  virtual void Show() = 0;
  virtual void Refresh() = 0;
  virtual void InitProgress(std::int32_t vlngMax, const std::string& vstrMsg) = 0;
  virtual void Progress(std::int32_t vlngIdx) = 0;
  virtual void Unload() = 0;
};

}  // namespace velmori
