#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

namespace kep::viewer {

// How far a load has come.
struct LoadProgress {
  std::uint64_t bytes_read = 0;
  std::uint64_t bytes_total = 0;  // the file's size when the load began
  std::uint64_t lines = 0;        // lines of the file read so far
};

// The worker's side of a job: it reports progress there and passes the stop
// token to the reading, which checks it between pieces. Every member may be
// used from any thread.
class LoadContext {
 public:
  std::stop_token StopToken() const { return stop_.get_token(); }
  void Cancel() { stop_.request_stop(); }
  void SetTotalBytes(std::uint64_t bytes) { bytes_total_.store(bytes, std::memory_order_relaxed); }
  void SetProgress(std::uint64_t bytes_read, std::uint64_t lines) {
    bytes_read_.store(bytes_read, std::memory_order_relaxed);
    lines_.store(lines, std::memory_order_relaxed);
  }
  LoadProgress Progress() const {
    return {bytes_read_.load(std::memory_order_relaxed), bytes_total_.load(std::memory_order_relaxed),
            lines_.load(std::memory_order_relaxed)};
  }

 private:
  std::stop_source stop_;
  std::atomic<std::uint64_t> bytes_total_{0};
  std::atomic<std::uint64_t> bytes_read_{0};
  std::atomic<std::uint64_t> lines_{0};
};

// One piece of work on a thread of its own. The work owns what it works on
// (moved into it when the job starts) and returns a Result that owns what it
// made and what it hands back; nothing else passes between the threads, so
// the thread that started the job can reach those objects again only through
// TakeResult, once the job has ended. What the work still owns when it
// raises or is cancelled is destroyed with it.
template <typename Result>
class LoadJob {
 public:
  // Starts work, a callable Result(LoadContext&), on a new thread. on_end
  // (may be empty) runs on that thread once the work has returned or raised,
  // after Ended() became true.
  template <typename Work>
  LoadJob(Work work, std::function<void()> on_end)
      : thread_([this, work = std::move(work), on_end = std::move(on_end)]() mutable {
          try {
            result_.emplace(work(context_));
          } catch (...) {
            failure_ = std::current_exception();
          }
          ended_.store(true, std::memory_order_release);
          if (on_end) on_end();
        }) {}
  // Cancels the work and waits for its thread.
  ~LoadJob() {
    Cancel();
    Wait();
  }
  LoadJob(const LoadJob&) = delete;
  LoadJob& operator=(const LoadJob&) = delete;

  void Cancel() { context_.Cancel(); }
  bool Ended() const { return ended_.load(std::memory_order_acquire); }
  // Waits until the work has ended and its thread has let go of everything
  // the work owned.
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }
  LoadProgress Progress() const { return context_.Progress(); }
  // Waits for the work; then what it raised (null when it returned).
  std::exception_ptr Failure() {
    Wait();
    return failure_;
  }
  // Waits for the work; then its result, which is moved out. Raises what
  // the work raised instead.
  Result TakeResult() {
    Wait();
    if (failure_) std::rethrow_exception(failure_);
    return std::move(*result_);
  }

 private:
  LoadContext context_;
  std::optional<Result> result_;
  std::exception_ptr failure_;
  std::atomic<bool> ended_{false};
  std::thread thread_;  // last, so that it starts once everything above exists
};

}  // namespace kep::viewer
