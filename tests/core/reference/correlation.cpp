#include "correlation.hpp"

#include "ops/correlation.hpp"

namespace zerak::reference {
namespace {

// The shared rules: equal lengths of at least 2, and no missing value.
bool usable(std::span<const Value> x, std::span<const Value> y) noexcept {
  if (x.size() != y.size() || x.size() < 2) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!x[i] || !y[i]) return false;
  }
  return true;
}

std::vector<double> present(std::span<const Value> values) {
  std::vector<double> out;
  out.reserve(values.size());
  for (const Value& v : values) out.push_back(*v);
  return out;
}

}  // namespace

Value pearson_correlation(std::span<const Value> x, std::span<const Value> y) {
  if (!usable(x, y)) return kMissing;
  return ops::dense::pearson(present(x), present(y));
}

Value spearman_correlation(std::span<const Value> x, std::span<const Value> y) {
  if (x.size() != y.size() || x.size() < 2) return kMissing;
  const auto rx = rank(x);
  if (!rx) return kMissing;
  const auto ry = rank(y);
  if (!ry) return kMissing;
  return ops::dense::pearson(*rx, *ry);
}

Value kendall_correlation(std::span<const Value> x, std::span<const Value> y) {
  if (!usable(x, y)) return kMissing;
  return ops::dense::kendall(present(x), present(y));
}

std::optional<std::vector<double>> rank(std::span<const Value> values) {
  for (const Value& v : values) {
    if (!v) return std::nullopt;
  }
  const std::vector<double> plain = present(values);
  std::vector<ops::dense::RankEntry> entries(plain.size());
  std::vector<ops::dense::RankEntry> merge(plain.size());
  std::vector<double> ranks(plain.size());
  ops::dense::average_ranks(plain, entries, merge, ranks);
  return ranks;
}

}  // namespace zerak::reference
