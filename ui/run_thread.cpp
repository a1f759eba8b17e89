#include "run_thread.h"

#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace velmori {
namespace {

constexpr UINT kPaintInterval = 1000 / 30;  // ms

// A call from the worker, answered by the window thread.
struct WindowCall {
  const std::function<void()>* call;
  std::exception_ptr failure;
};

}  // namespace

class RunThread::WorkerMessages final : public MessagePort {
 public:
  explicit WorkerMessages(RunThread& run) : run_(run) {}
  Answer ShowMessage(const std::string& text, MessageKind kind) override {
    Answer answer = Answer::Cancel;
    run_.CallOnWindowThread([&] { answer = run_.messages_.ShowMessage(text, kind); });
    return answer;
  }

 private:
  RunThread& run_;
};

class RunThread::WorkerProgress final : public RunProgress {
 public:
  explicit WorkerProgress(RunThread& run) : run_(run) {}
  void RunStarted() override { run_.Tell({ProgressEvent::Kind::RunStarted, 0, {}}); }
  void CategoryStarted(std::int32_t fileCount, const std::string& message) override {
    run_.latest_ = std::uint64_t{++run_.category_} << 32;
    run_.Tell({ProgressEvent::Kind::CategoryStarted, fileCount, message});
  }
  void FileDone(std::int32_t index) override {
    run_.latest_ = (std::uint64_t{run_.category_} << 32) | static_cast<std::uint32_t>(index + 1);
  }
  void RunEnded() override {
    try {
      run_.Tell({ProgressEvent::Kind::RunEnded, 0, {}});
    } catch (...) {
      // Called on the way out of a run, perhaps by an exception: it must not throw.
    }
  }
  bool StopRequested() override { return run_.stop_.load(); }

 private:
  RunThread& run_;
};

void RunThread::Start(HWND window, Job job, FinishedHandler finished) {
  if (running()) throw std::logic_error("a run is already going on");
  done_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done_) throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
  window_ = window;
  finished_ = std::move(finished);
  outcome_ = RunOutcome();
  stop_ = false;
  events_.clear();
  latest_ = 0;
  category_ = 0;
  shownCategory_ = 0;
  shown_ = -1;
  worker_ = std::thread([this, job = std::move(job)] {
    try {
      WorkerMessages messages(*this);
      WorkerProgress progress(*this);
      outcome_.succeeded = job(messages, progress);
    } catch (const std::exception& failure) {
      outcome_.unexpected = failure.what();
    } catch (...) {
      outcome_.unexpected = "?";
    }
    SetEvent(done_.get());
    PostMessageW(window_, kFinishedMessage, 0, 0);
  });
  SetTimer(window_, kPaintTimer, kPaintInterval, nullptr);
}

void RunThread::CallOnWindowThread(const std::function<void()>& call) {
  WindowCall message{&call, nullptr};
  SendMessageW(window_, kCallMessage, 0, reinterpret_cast<LPARAM>(&message));
  if (message.failure) std::rethrow_exception(message.failure);
}

void RunThread::Tell(ProgressEvent event) {
  {
    const std::lock_guard lock(eventsMutex_);
    events_.push_back(std::move(event));
  }
  PostMessageW(window_, kProgressMessage, 0, 0);
}

void RunThread::ShowEvents() {
  for (;;) {
    ProgressEvent event;
    {
      const std::lock_guard lock(eventsMutex_);
      if (events_.empty()) return;
      event = std::move(events_.front());
      events_.pop_front();
    }
    switch (event.kind) {
      case ProgressEvent::Kind::RunStarted:
        progress_.RunStarted();
        break;
      case ProgressEvent::Kind::CategoryStarted:
        // The worker begins a category once the one before is done.
        if (shownCategory_ != 0 && shown_ != shownCount_ - 1) progress_.FileDone(shownCount_ - 1);
        ++shownCategory_;
        shownCount_ = event.fileCount;
        shown_ = -1;
        progress_.CategoryStarted(event.fileCount, event.message);
        break;
      case ProgressEvent::Kind::RunEnded:
        PaintLatest();
        progress_.RunEnded();
        break;
    }
  }
}

bool RunThread::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kCallMessage: {
      auto* call = reinterpret_cast<WindowCall*>(lParam);
      ++callDepth_;
      try {
        ShowEvents();  // what the worker told before it asked
        (*call->call)();
      } catch (...) {
        call->failure = std::current_exception();
      }
      --callDepth_;
      return true;
    }
    case kProgressMessage:
      ShowEvents();
      return true;
    case WM_TIMER:
      if (wParam != kPaintTimer) return false;
      PaintLatest();
      return true;
    case kFinishedMessage:
      if (running()) {  // not when StopAndWait has already ended it
        Join();
        ShowEvents();
        if (finished_) std::exchange(finished_, nullptr)(outcome_);
      }
      return true;
    default:
      return false;
  }
}

void RunThread::PaintLatest() {
  const std::uint64_t latest = latest_.load();
  const auto index = static_cast<std::int32_t>(latest & 0xFFFFFFFFu) - 1;
  if ((latest >> 32) != shownCategory_ || index < 0 || index == shown_) return;
  shown_ = index;
  progress_.FileDone(index);
}

void RunThread::StopAndWait() {
  if (!running()) return;
  stop_ = true;
  finished_ = nullptr;
  // Asked from inside one of the worker's calls (the session ends while a
  // message box it asked for is open): the worker waits for that call, so this
  // thread cannot wait for it. It stops once the call returns; the destructor
  // waits for it then.
  if (callDepth_ > 0) return;
  const HANDLE done = done_.get();
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // answers the calls
  }
  Join();
  ShowEvents();  // the end of the run closes its progress display
}

void RunThread::Join() {
  worker_.join();
  KillTimer(window_, kPaintTimer);
}

}  // namespace velmori
