#include "dispatch.hpp"

#include <atomic>

namespace zerak::simd {
namespace {

constexpr bool kX86 = ZERAK_X86_KERNELS;

Level detect() noexcept {
#if ZERAK_X86_KERNELS
  // These also check that the operating system saves the wider registers.
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
      __builtin_cpu_supports("avx512vl")) {
    return Level::Avx512;
  }
  if (__builtin_cpu_supports("avx2")) return Level::Avx2;
#endif
  return Level::Baseline;
}

// Chosen once, on first use; relaxed is enough, as every level computes the same.
std::atomic<int> g_active{-1};

}  // namespace

Level detected_level() noexcept {
  static const Level level = detect();
  return level;
}

bool available(Level level) noexcept {
  return kX86 ? level <= detected_level() : level == Level::Baseline;
}

Level active_level() noexcept {
  int level = g_active.load(std::memory_order_relaxed);
  if (level < 0) {
    level = static_cast<int>(detected_level());
    g_active.store(level, std::memory_order_relaxed);
  }
  return static_cast<Level>(level);
}

bool use_level(Level level) noexcept {
  if (!available(level)) return false;
  g_active.store(static_cast<int>(level), std::memory_order_relaxed);
  detail::g_table.store(&kernels_for(level), std::memory_order_relaxed);
  return true;
}

const char* level_name(Level level) noexcept {
  switch (level) {
    case Level::Baseline: return "baseline";
    case Level::Avx2: return "avx2";
    case Level::Avx512: return "avx512";
  }
  return "?";
}

const Kernels& kernels_for(Level level) noexcept {
  switch (level) {
    case Level::Avx512: return avx512_kernels();
    case Level::Avx2: return avx2_kernels();
    case Level::Baseline: break;
  }
  return baseline_kernels();
}

namespace detail {

std::atomic<const Kernels*> g_table{nullptr};

const Kernels& choose_kernels() noexcept {
  const Kernels& table = kernels_for(active_level());
  g_table.store(&table, std::memory_order_relaxed);
  return table;
}

}  // namespace detail

}  // namespace zerak::simd
