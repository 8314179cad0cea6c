#include "adf.hpp"

#include <cmath>
#include <limits>
#include <utility>

namespace zerak {
namespace {

constexpr std::string_view kOutputsTwo =
    "outputs must contain exactly two names: [adf_stat, adf_pvalue]";

// Decimal text of 2 * lags + 3, exact even where that exceeds size_t.
std::string bound_text(std::size_t lags) {
  std::string digits = std::to_string(lags);
  int carry = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    const int v = 2 * (*it - '0') + carry;
    *it = static_cast<char>('0' + v % 10);
    carry = v / 10;
  }
  if (carry != 0) digits.insert(digits.begin(), static_cast<char>('0' + carry));
  return digits;
}

}  // namespace

std::size_t Adf::default_lags(std::size_t window) noexcept {
  const double lags = std::floor(12.0 * std::pow(static_cast<double>(window) / 100.0, 0.25));
  // 2^64 as a double: anything at or above it saturates.
  constexpr double kLimit = 18446744073709551616.0;
  if (lags >= kLimit) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(lags);
}

Result<Adf> Adf::create(Names inputs, std::size_t window, Names outputs,
                        std::optional<std::size_t> lags, Regression regression) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.size() != 2) return invalid_input(kOutputsTwo);
  if (window == 0) return invalid_input(msg::kWindowZero);
  const std::size_t resolved = lags ? *lags : default_lags(window);
  // 2 * lags + 3 would wrap for huge lags; such a bound exceeds every window.
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  if (resolved > (kMax - 3) / 2 || window <= 2 * resolved + 3) {
    return invalid_input("window (" + std::to_string(window) + ") must be > 3 + 2 * lags (" +
                         std::to_string(resolved) + ") = " + bound_text(resolved));
  }
  return Adf(std::move(inputs), window, std::move(outputs), resolved, regression);
}

Adf::Adf(Names inputs, std::size_t window, Names outputs, std::size_t lags,
         Regression regression)
    : TransformBase(std::move(inputs), std::move(outputs)),
      ring_(window),
      window_(window),
      lags_(lags),
      regression_(regression),
      workspace_(window, lags, regression) {}

OutputRow Adf::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing, kMissing};
  ring_.push(values[0]);
  if (!ring_.full()) return {kMissing, kMissing};
  const std::optional<double> stat =
      ops::adf_stat(ring_.first(), ring_.second(), lags_, regression_, workspace_);
  if (!stat) return {kMissing, kMissing};
  return {*stat, ops::adf_pvalue(*stat, regression_)};
}

}  // namespace zerak
