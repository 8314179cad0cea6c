#include "window_correlator.hpp"

#include <algorithm>

namespace zerak {

WindowCorrelator::WindowCorrelator(CorrelationMethod method, std::size_t window) : method_(method) {
  if (method == CorrelationMethod::Spearman) spearman_.emplace(window);
}

Value WindowCorrelator::operator()(std::span<const double> x, std::span<const double> y) noexcept {
  switch (method_) {
    case CorrelationMethod::Pearson: return ops::dense::pearson(x, y);
    case CorrelationMethod::Spearman: return ops::dense::spearman(x, y, *spearman_);
    case CorrelationMethod::Kendall: return ops::dense::kendall(x, y);
  }
  return kMissing;
}

bool copy_present(const Ring& ring, std::size_t from, std::size_t count, double* out) noexcept {
  const std::span<const Value> head = ring.first();
  const std::span<const Value> tail = ring.second();
  const std::size_t end = from + count;
  // Logical index i lives at head[i] below head.size(), at tail[i - head.size()] above.
  for (std::size_t i = from; i < std::min(end, head.size()); ++i) {
    if (!head[i]) return false;
    out[i] = *head[i];
  }
  for (std::size_t i = std::max(from, head.size()); i < end; ++i) {
    const Value& v = tail[i - head.size()];
    if (!v) return false;
    out[i] = *v;
  }
  return true;
}

}  // namespace zerak
