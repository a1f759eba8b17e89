#pragma once
// What the project run asks of a user interface, in the run's own terms. The
// Windows program implements these with real windows; tests and the benchmark
// implement them with fakes.

#include <cstdint>
#include <string>

namespace velmori {

enum class MessageKind {
  Error,         // a failure stopped the run
  Warning,       // the project file is not there
  Confirmation,  // OK or Cancel, OK the default
  Information,   // the run succeeded
};

enum class Answer { Ok, Cancel };

// A modal message box titled with the application title. Texts are UTF-8.
// Only a confirmation can be answered with Cancel.
class MessagePort {
 public:
  virtual ~MessagePort() = default;
  virtual Answer ShowMessage(const std::string& text, MessageKind kind) = 0;
};

// What a run reports as it goes: it starts; each category with entries starts
// with its file count and message; each file of it is done (0-based index);
// the run ends, on every way out once it has started.
class RunProgress {
 public:
  virtual ~RunProgress() = default;
  virtual void RunStarted() = 0;
  virtual void CategoryStarted(std::int32_t fileCount, const std::string& message) = 0;
  virtual void FileDone(std::int32_t index) = 0;
  virtual void RunEnded() = 0;
  // Asked before each file: true stops the run there, without a report (the
  // user's session is ending). A file once begun is always finished.
  virtual bool StopRequested() { return false; }
};

}  // namespace velmori
