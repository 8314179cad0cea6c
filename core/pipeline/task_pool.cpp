#include "task_pool.hpp"

#include <system_error>
#include <utility>

namespace zerak {
namespace {

// Polls before sleeping: a burst usually follows within microseconds, and a
// sleeping thread takes far longer than that to wake.
constexpr int kSpins = 4000;

template <class Ready>
void await(const Ready& ready) noexcept {
  for (int i = 0; i < kSpins; ++i) {
    if (ready()) return;
    if (i % 64 == 63) std::this_thread::yield();
  }
}

}  // namespace

TaskPool::TaskPool(std::size_t threads) {
  if (threads <= 1) return;
  workers_.reserve(threads - 1);
  for (std::size_t i = 1; i < threads; ++i) {
    try {
      workers_.emplace_back([this] { serve(); });
    } catch (const std::system_error&) {
      break;  // run with the threads already started
    }
  }
}

TaskPool::~TaskPool() {
  stop_.store(true, std::memory_order_relaxed);
  generation_.fetch_add(1, std::memory_order_release);
  generation_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void TaskPool::run_erased(std::size_t count, Erased fn, void* task) {
  count_ = count;
  fn_ = fn;
  task_ = task;
  error_ = nullptr;
  next_.store(0, std::memory_order_relaxed);
  busy_.store(static_cast<std::uint32_t>(workers_.size()), std::memory_order_relaxed);
  generation_.fetch_add(1, std::memory_order_release);
  generation_.notify_all();
  work();
  await([this] { return busy_.load(std::memory_order_acquire) == 0; });
  for (std::uint32_t b; (b = busy_.load(std::memory_order_acquire)) != 0;) busy_.wait(b);
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void TaskPool::work() noexcept {
  for (std::size_t i; (i = next_.fetch_add(1, std::memory_order_relaxed)) < count_;) {
    try {
      fn_(task_, i);
    } catch (...) {
      const std::lock_guard<std::mutex> lock(error_mutex_);
      if (!error_ || i < error_task_) {
        error_ = std::current_exception();
        error_task_ = i;
      }
    }
  }
}

void TaskPool::serve() noexcept {
  std::uint32_t seen = 0;
  for (;;) {
    await([&] { return generation_.load(std::memory_order_acquire) != seen; });
    generation_.wait(seen, std::memory_order_acquire);
    if (stop_.load(std::memory_order_relaxed)) return;
    seen = generation_.load(std::memory_order_acquire);
    work();
    if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1) busy_.notify_one();
  }
}

}  // namespace zerak
