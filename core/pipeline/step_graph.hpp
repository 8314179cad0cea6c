#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <exception>
#include <mutex>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "task_pool.hpp"

namespace zerak {

// Which steps of a plan read the outputs of which: step s may run once every
// step it reads from has run. Steps are added in plan order, so a step's
// producers always come before it.
class StepGraph {
 public:
  // The next step, reading the outputs of `producers` (earlier steps).
  void add(std::span<const std::size_t> producers);

  [[nodiscard]] std::size_t size() const noexcept { return producer_count_.size(); }
  // The most steps that can run at the same time as far as the plan goes
  // (the widest breadth-first level).
  [[nodiscard]] std::size_t width() const noexcept;
  [[nodiscard]] std::size_t producer_count(std::size_t s) const noexcept {
    return producer_count_[s];
  }
  [[nodiscard]] std::span<const std::size_t> dependents(std::size_t s) const noexcept {
    return {dependents_[s].data(), dependents_[s].size()};
  }

 private:
  std::vector<std::size_t> producer_count_;
  std::vector<std::size_t> level_;
  std::vector<std::vector<std::size_t>> dependents_;
};

// Runs every step of a graph once per call on a pool of threads, each step
// as soon as its producers have run, the one with the dearest path ahead of
// it first (as timed on the call before). Which thread runs which step never
// changes a result: a step reads only what its producers wrote.
class StepScheduler {
 public:
  StepScheduler(const StepGraph& graph, std::size_t threads);

  [[nodiscard]] std::size_t threads() const noexcept { return pool_.threads(); }

  // task(i) for every i < count, spread over the threads.
  template <class Task>
  void each(std::size_t count, Task& task) {
    pool_.run(count, task);
  }

  // run_step(s) for every step; an exception from one is rethrown here once
  // the steps already running have finished (the others are skipped).
  template <class RunStep>
  void run(RunStep& run_step) {
    start();
    auto worker = [&](std::size_t) {
      for (std::size_t s; (s = claim()) != kNone;) {
        const auto begin = std::chrono::steady_clock::now();
        if (!failed_.load(std::memory_order_relaxed)) {
          try {
            run_step(s);
          } catch (...) {
            fail(s);
          }
        }
        ns_[s] = static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now() - begin)
                                         .count());
        finish(s);
      }
    };
    pool_.run(pool_.threads(), worker);
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  void start();
  std::size_t claim() noexcept;
  void finish(std::size_t s) noexcept;
  void fail(std::size_t s) noexcept;

  const StepGraph& graph_;
  TaskPool pool_;
  std::mutex mutex_;
  std::vector<std::size_t> waiting_;  // producers yet to run, per step
  std::vector<std::size_t> ready_;
  std::vector<double> ns_;
  std::vector<double> priority_;
  std::size_t claimed_ = 0;
  std::atomic<std::size_t> ready_count_{0};
  std::atomic<bool> all_claimed_{false};
  std::atomic<bool> failed_{false};
  std::exception_ptr error_;
  std::size_t error_step_ = 0;
};

}  // namespace zerak
