#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace zerak {

// A few threads that run numbered tasks together, the caller's thread among
// them: run(count, task) calls task(i) once for every i < count, each on
// whichever thread claims it first, and returns once all have run. Tasks
// must not depend on each other; results then never depend on which thread
// ran what. Built for short bursts (one plan level of one research block):
// idle threads spin briefly before they sleep.
class TaskPool {
 public:
  // `threads` in all, the caller's included; fewer if the system will not
  // start more (the pool then runs with those it has, at worst none).
  explicit TaskPool(std::size_t threads);
  ~TaskPool();
  TaskPool(const TaskPool&) = delete;
  TaskPool& operator=(const TaskPool&) = delete;

  [[nodiscard]] std::size_t threads() const noexcept { return workers_.size() + 1; }

  // An exception from a task is rethrown here once every task has finished
  // (the one of the lowest-numbered task if several throw); none escapes a
  // worker thread.
  template <class Task>
  void run(std::size_t count, Task& task) {
    if (count <= 1 || workers_.empty()) {
      for (std::size_t i = 0; i < count; ++i) task(i);
      return;
    }
    run_erased(count, &call<Task>, &task);
  }

 private:
  using Erased = void (*)(void*, std::size_t);
  template <class Task>
  static void call(void* task, std::size_t i) {
    (*static_cast<Task*>(task))(i);
  }

  void run_erased(std::size_t count, Erased fn, void* task);
  void work() noexcept;
  void serve() noexcept;

  std::vector<std::thread> workers_;
  std::atomic<std::uint32_t> generation_{0};
  std::atomic<std::uint32_t> busy_{0};  // workers not done with this generation
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stop_{false};
  std::size_t count_ = 0;
  Erased fn_ = nullptr;
  void* task_ = nullptr;
  std::mutex error_mutex_;
  std::exception_ptr error_;
  std::size_t error_task_ = 0;
};

}  // namespace zerak
