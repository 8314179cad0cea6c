// A value is one double, missing being a NaN pattern of its own: what no
// present value may carry, and the column kernels built on it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "simd/dispatch.hpp"
#include "value.hpp"

namespace zerak {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::uint64_t kQuietBit = std::uint64_t{1} << 51;

TEST(Value, PresentNaNsStayPresentWhateverTheirBits) {
  const double patterns[] = {
      kNaN,
      -kNaN,
      std::bit_cast<double>(Value::kMissingBits),
      std::bit_cast<double>(Value::kMissingBits & ~kQuietBit),  // quiets into the pattern
  };
  for (const double d : patterns) {
    const Value v(d);
    EXPECT_TRUE(v.has_value());
    EXPECT_TRUE(*v != *v);
    EXPECT_NE(v.bits(), Value::kMissingBits);
    EXPECT_NE(v.bits() | kQuietBit, Value::kMissingBits);
    // Arithmetic on it cannot make it missing either.
    EXPECT_TRUE(Value::computed(*v * 2.0).has_value());
  }
  EXPECT_FALSE(Value().has_value());
  EXPECT_FALSE(Value(std::optional<double>()).has_value());
  EXPECT_EQ(std::optional<double>(Value(2.5)), std::optional<double>(2.5));
}

TEST(Value, ComparesAsAnOptionalDouble) {
  EXPECT_EQ(Value(), kMissing);
  EXPECT_NE(Value(1.0), kMissing);
  EXPECT_EQ(Value(1.0), 1.0);
  EXPECT_NE(Value(kNaN), Value(kNaN));  // a present NaN equals nothing
  EXPECT_EQ(Value(-0.0), Value(0.0));
  EXPECT_EQ(sizeof(Value), sizeof(double));
}

// Missing, NaNs of both signs, infinities, zeros of both signs, ordinary numbers.
std::vector<double> nasty_column(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  const double specials[] = {kMissingDouble,
                             kNaN,
                             -kNaN,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             0.0,
                             -0.0};
  std::vector<double> xs(n);
  for (double& x : xs) {
    x = gen() % 5 == 0 ? specials[gen() % 7] : std::ldexp(static_cast<double>(gen()), -20) - 2000.0;
  }
  return xs;
}

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

TEST(ColumnKernels, EqualTheirScalarRuleOnEveryInstructionSet) {
  const std::size_t n = 1037;  // whole vectors of every width, then a tail
  const std::vector<double> a = nasty_column(n, 1);
  const std::vector<double> b = nasty_column(n, 2);
  const double quiet = std::bit_cast<double>(std::uint64_t{0x7FF8000000000000});
  const simd::Level saved = simd::active_level();
  for (const simd::Level level : {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512}) {
    if (!simd::use_level(level)) continue;
    const simd::Kernels& k = simd::kernels();
    std::vector<double> out(n);
    k.missing_from_nan(a.data(), n, out.data());
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_TRUE(same_bits(out[i], a[i] != a[i] ? kMissingDouble : a[i])) << i;
    }
    k.nan_from_missing(a.data(), n, out.data());
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_TRUE(same_bits(out[i], is_missing(a[i]) ? quiet : a[i])) << i;
    }
    using Op = simd::ColumnOp;
    for (const Op op : {Op::Add, Op::Subtract, Op::Multiply, Op::Divide}) {
      k.combine(op, a.data(), b.data(), n, out.data());
      for (std::size_t i = 0; i < n; ++i) {
        const bool dropped =
            is_missing(a[i]) || is_missing(b[i]) || (op == Op::Divide && b[i] == 0.0);
        const double r = op == Op::Add        ? a[i] + b[i]
                         : op == Op::Subtract ? a[i] - b[i]
                         : op == Op::Multiply ? a[i] * b[i]
                                              : a[i] / b[i];
        // Which NaN an operation on two NaNs gives is the hardware's choice.
        ASSERT_TRUE(
            dropped ? is_missing(out[i])
                    : (same_bits(out[i], r) || (r != r && out[i] != out[i] && !is_missing(out[i]))))
            << simd::level_name(level) << " op " << int(op) << " at " << i;
      }
    }
    EXPECT_TRUE(k.divided(a.data(), n, 3.0, out.data()));
    for (std::size_t i = 0; i < n; ++i)
      ASSERT_TRUE(same_bits(out[i], a[i] / 3.0) || a[i] != a[i]) << i;
    std::vector<double> finite(n, 6.0);
    EXPECT_FALSE(k.divided(finite.data(), n, 3.0, out.data()));
    finite[n - 1] = 0.0;  // 0 / 0 is a NaN, found in the scalar tail too
    EXPECT_TRUE(k.divided(finite.data(), n, 0.0, out.data()));
    std::vector<double> plain(n, 1.0);
    EXPECT_FALSE(k.any_nan(plain.data(), n));
    for (const std::size_t at : {std::size_t{0}, std::size_t{5}, n - 1}) {
      plain[at] = kMissingDouble;
      EXPECT_TRUE(k.any_nan(plain.data(), n)) << at;
      plain[at] = 1.0;
    }
  }
  simd::use_level(saved);
}

}  // namespace
}  // namespace zerak
