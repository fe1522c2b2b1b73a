#include "viewer/load_job.h"

#include <utility>

namespace kep::viewer {

LoadJob::LoadJob(Work work, std::function<void()> on_end)
    : thread_([this, work = std::move(work), on_end = std::move(on_end)] {
        try {
          work(context_);
        } catch (...) {
          failure_ = std::current_exception();
        }
        ended_.store(true, std::memory_order_release);
        if (on_end) on_end();
      }) {}

LoadJob::~LoadJob() {
  Cancel();
  Wait();
}

void LoadJob::Wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace kep::viewer
