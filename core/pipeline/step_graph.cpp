#include "step_graph.hpp"

namespace zerak {

void StepGraph::add(std::span<const std::size_t> producers) {
  const std::size_t s = size();
  std::size_t level = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i < producers.size(); ++i) {
    const std::size_t p = producers[i];
    if (std::find(producers.begin(), producers.begin() + std::ptrdiff_t(i), p) !=
        producers.begin() + std::ptrdiff_t(i)) {
      continue;  // read twice, waited for once
    }
    dependents_[p].push_back(s);
    level = std::max(level, level_[p] + 1);
    ++count;
  }
  producer_count_.push_back(count);
  level_.push_back(level);
  dependents_.emplace_back();
}

std::size_t StepGraph::width() const noexcept {
  std::vector<std::size_t> per_level(size() + 1, 0);
  std::size_t widest = 0;
  for (const std::size_t level : level_) widest = std::max(widest, ++per_level[level]);
  return widest;
}

StepScheduler::StepScheduler(const StepGraph& graph, std::size_t threads)
    : graph_(graph),
      pool_(threads),
      waiting_(graph.size()),
      ns_(graph.size(), 0.0),
      priority_(graph.size(), 0.0) {
  ready_.reserve(graph.size());
}

void StepScheduler::start() {
  const std::size_t n = graph_.size();
  // The dearest path from each step to the end: producers come before
  // their readers, so one pass backwards finds it.
  for (std::size_t s = n; s-- > 0;) {
    double after = 0.0;
    for (const std::size_t d : graph_.dependents(s)) after = std::max(after, priority_[d]);
    priority_[s] = ns_[s] + after;
  }
  ready_.clear();
  for (std::size_t s = 0; s < n; ++s) {
    waiting_[s] = graph_.producer_count(s);
    if (waiting_[s] == 0) ready_.push_back(s);
  }
  claimed_ = 0;
  ready_count_.store(ready_.size(), std::memory_order_relaxed);
  all_claimed_.store(n == 0, std::memory_order_relaxed);
  failed_.store(false, std::memory_order_relaxed);
}

std::size_t StepScheduler::claim() noexcept {
  for (unsigned spins = 0;; ++spins) {
    if (all_claimed_.load(std::memory_order_acquire)) return kNone;
    if (ready_count_.load(std::memory_order_acquire) != 0) {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!ready_.empty()) {
        auto best = std::max_element(
            ready_.begin(), ready_.end(),
            [this](std::size_t a, std::size_t b) { return priority_[a] < priority_[b]; });
        const std::size_t s = *best;
        *best = ready_.back();
        ready_.pop_back();
        ready_count_.store(ready_.size(), std::memory_order_relaxed);
        if (++claimed_ == graph_.size()) all_claimed_.store(true, std::memory_order_release);
        return s;
      }
    }
    // A producer is still running: it takes microseconds at least.
    if (spins % 32 == 31) std::this_thread::yield();
  }
}

void StepScheduler::finish(std::size_t s) noexcept {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (const std::size_t d : graph_.dependents(s)) {
    if (--waiting_[d] == 0) ready_.push_back(d);
  }
  ready_count_.store(ready_.size(), std::memory_order_release);
}

void StepScheduler::fail(std::size_t s) noexcept {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!error_ || s < error_step_) {
    error_ = std::current_exception();
    error_step_ = s;
  }
  failed_.store(true, std::memory_order_relaxed);
}

}  // namespace zerak
