#pragma once
// A run on a worker thread while the window thread goes on pumping messages,
// so the program repaints and answers the system all the time.
//
// The worker reaches the window thread's message port and progress display
// through this object only. A message box is shown by the window thread while
// the worker waits for the answer, after everything the worker told before
// it. The start and the end of the run and of each category are queued for the
// window thread, which shows each in its order while the worker goes on (a
// window made and painted under Wine costs as much as reading a hundred files).
// The files done are published and painted by the window thread at its own
// pace, at most about 30 times a second, always with the latest index.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "ui_port.h"
#include "win32_handles.h"

namespace velmori {

struct RunOutcome {
  bool succeeded = false;
  std::string unexpected;  // what an exception that ended the run said; else empty
};

class RunThread {
 public:
  // Messages and the timer the window passes to HandleMessage.
  static constexpr UINT kCallMessage = WM_APP + 1;
  static constexpr UINT kFinishedMessage = WM_APP + 2;
  static constexpr UINT kProgressMessage = WM_APP + 3;
  static constexpr UINT_PTR kPaintTimer = 0x7661;

  using Job = std::function<bool(MessagePort& messages, RunProgress& progress)>;
  using FinishedHandler = std::function<void(const RunOutcome& outcome)>;

  // `messages` and `progress` belong to the window thread.
  RunThread(MessagePort& messages, RunProgress& progress) noexcept
      : messages_(messages), progress_(progress) {}
  RunThread(const RunThread&) = delete;
  RunThread& operator=(const RunThread&) = delete;
  ~RunThread() { StopAndWait(); }

  bool running() const noexcept { return worker_.joinable(); }

  // Starts `job` on a worker. `window`, of the calling thread, receives the
  // messages above; `finished` is called on this thread once the job is over.
  // Throws, with nothing started, when no thread can be made.
  void Start(HWND window, Job job, FinishedHandler finished);
  // For the window procedure; true when the message was the run's.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Asks the run to stop before its next file and waits for it to end, still
  // answering its calls; from inside one of its calls, only asks. `finished`
  // is not called.
  void StopAndWait();

 private:
  class WorkerMessages;
  class WorkerProgress;

  // What the worker told of its progress, for the window thread to show.
  struct ProgressEvent {
    enum class Kind { RunStarted, CategoryStarted, RunEnded } kind;
    std::int32_t fileCount = 0;
    std::string message;
  };

  // Runs `call` on the window thread and waits for it; its exception, if any,
  // comes back to the worker.
  void CallOnWindowThread(const std::function<void()>& call);
  // From the worker: queues an event and wakes the window thread.
  void Tell(ProgressEvent event);
  // On the window thread: shows the queued events in their order.
  void ShowEvents();
  void PaintLatest();
  void Join();

  MessagePort& messages_;
  RunProgress& progress_;
  HWND window_ = nullptr;
  std::thread worker_;
  UniqueKernelObject done_;  // set by the worker as its last act
  FinishedHandler finished_;
  RunOutcome outcome_;  // written by the worker before `done_`
  std::atomic<bool> stop_{false};
  std::mutex eventsMutex_;
  std::deque<ProgressEvent> events_;  // told by the worker, not yet shown
  // The last file done, published by the worker: the category's number (from
  // 1) in the upper half, the file's index + 1 in the lower (0: none yet).
  std::atomic<std::uint64_t> latest_{0};
  std::uint32_t category_ = 0;     // the worker's current category
  std::uint32_t shownCategory_ = 0;  // the one the window shows
  std::int32_t shownCount_ = 0;      // its file count
  std::int32_t shown_ = -1;          // the file the window shows done
  int callDepth_ = 0;                // the worker's calls this thread is inside
};

}  // namespace velmori
