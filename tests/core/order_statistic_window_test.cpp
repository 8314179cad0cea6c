// The order-statistics window against a sorted vector under random slides:
// its invariants, every selection and every count after each operation.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <random>
#include <vector>

#include "window/order_statistic_window.hpp"

namespace zerak {
namespace {

// Values with many ties, both zeros, infinities and NaNs of either sign.
double draw(std::mt19937_64& rng) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  static const double specials[] = {0.0, -0.0, inf, -inf, nan, -nan, 1e12, -1e-300};
  const auto r = rng() % 16;
  if (r < 2) return specials[rng() % std::size(specials)];
  if (r < 9) return static_cast<double>(rng() % 7);  // ties
  return std::uniform_real_distribution<double>(-1e3, 1e3)(rng);
}

// The IEEE total order, through the sign-magnitude integer order.
std::int64_t total_key(double x) {
  const auto i = std::bit_cast<std::int64_t>(x);
  return i < 0 ? std::numeric_limits<std::int64_t>::min() - i - 1 : i;
}
bool total_less(double a, double b) { return total_key(a) < total_key(b); }

// Checks the whole window against the sorted copy, bit for bit.
void expect_same(const OrderStatisticWindow& w, std::vector<double> want) {
  ASSERT_TRUE(w.valid());
  ASSERT_EQ(w.size(), want.size());
  std::sort(want.begin(), want.end(), total_less);
  for (std::size_t i = 0; i < want.size(); ++i) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(w[i]), std::bit_cast<std::uint64_t>(want[i])) << i;
    if (i + 1 < want.size()) {
      const auto [lo, hi] = w.adjacent(i);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(lo), std::bit_cast<std::uint64_t>(want[i]));
      ASSERT_EQ(std::bit_cast<std::uint64_t>(hi), std::bit_cast<std::uint64_t>(want[i + 1]));
    }
  }
  for (const double x : {0.0, -0.0, 3.0, 1e12, -std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::infinity(), want.empty() ? 1.0 : want[0]}) {
    if (std::isnan(x)) continue;
    // NaNs sit at the ends by sign: below everything or above everything.
    std::size_t below = 0, at_most = 0;
    for (const double v : want) {
      const bool low_nan = std::isnan(v) && std::signbit(v);
      const bool high_nan = std::isnan(v) && !std::signbit(v);
      below += low_nan || (!high_nan && v < x);
      at_most += low_nan || (!high_nan && v <= x);
    }
    ASSERT_EQ(w.count_below(x), below) << x;
    ASSERT_EQ(w.count_at_most(x), at_most) << x;
  }
}

class OrderStatisticWindowSlides : public ::testing::TestWithParam<std::size_t> {};

TEST_P(OrderStatisticWindowSlides, MatchesASortedCopy) {
  const std::size_t capacity = GetParam();
  std::mt19937_64 rng(capacity);
  OrderStatisticWindow w(capacity);
  std::deque<double> held;  // oldest first, as a ring would
  const std::size_t steps = 6 * capacity + 400;
  for (std::size_t step = 0; step < steps; ++step) {
    // Mostly slides; runs of erases and inserts empty and refill the window,
    // so blocks split, join and even out.
    const auto phase = (step / (capacity + 7)) % 3;
    const double x = draw(rng);
    if (held.size() == capacity || (phase == 1 && !held.empty() && rng() % 4 != 0)) {
      if (phase == 0 && held.size() == capacity) {
        w.replace(held.front(), x);
        held.push_back(x);
      } else {
        w.erase(held.front());
      }
      held.pop_front();
    } else {
      w.insert(x);
      held.push_back(x);
    }
    // Checking every step of a large window would be quadratic.
    if (capacity < 500 || step % 97 == 0 || step + 1 == steps) {
      expect_same(w, {held.begin(), held.end()});
    }
    if (step == steps / 2) {
      const OrderStatisticWindow copy(w);
      expect_same(copy, {held.begin(), held.end()});
    }
  }
  w.clear();
  expect_same(w, {});
}

INSTANTIATE_TEST_SUITE_P(Capacities, OrderStatisticWindowSlides,
                         ::testing::Values(1, 2, 5, OrderStatisticWindow::kFlatMax,
                                           OrderStatisticWindow::kFlatMax + 1, 1000, 6000));

}  // namespace
}  // namespace zerak
