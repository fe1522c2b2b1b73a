#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <stop_token>
#include <thread>

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

// One piece of work on a thread of its own. The work builds its result in
// objects that nobody else touches until the job has ended; Ended() then
// makes every write of the work visible to the thread that asked.
class LoadJob {
 public:
  using Work = std::function<void(LoadContext&)>;

  // Starts work on a new thread. on_end (may be empty) runs on that thread
  // once the work has returned or raised, after Ended() became true.
  LoadJob(Work work, std::function<void()> on_end);
  // Cancels the work and waits for its thread.
  ~LoadJob();
  LoadJob(const LoadJob&) = delete;
  LoadJob& operator=(const LoadJob&) = delete;

  void Cancel() { context_.Cancel(); }
  bool Ended() const { return ended_.load(std::memory_order_acquire); }
  // Waits until the work has ended.
  void Wait();
  LoadProgress Progress() const { return context_.Progress(); }
  // What the work raised (null when it returned); read only once Ended().
  std::exception_ptr Failure() const { return failure_; }

 private:
  LoadContext context_;
  std::exception_ptr failure_;
  std::atomic<bool> ended_{false};
  std::thread thread_;  // last, so that it starts once everything above exists
};

}  // namespace kep::viewer
