#include "rank_correlation_window.hpp"

#include <cmath>
#include <limits>

namespace zerak {
namespace {

enum : std::uint8_t { kPresentPoint = 0, kMissingPoint = 1, kNanPoint = 2 };

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

RankCorrelationWindow::RankCorrelationWindow(CorrelationMethod method, std::size_t window)
    : method_(method),
      window_(window),
      rank_x_(method == CorrelationMethod::Spearman ? window : 0),
      rank_y_(method == CorrelationMethod::Spearman ? window : 0) {
  // Reserved, not filled: a huge window only touches what its bars use.
  for (Series* s : {&x_, &y_}) {
    s->values.reserve(window);
    if (method == CorrelationMethod::Spearman) {
      s->less.reserve(window);
      s->equal.reserve(window);
    }
  }
  kind_.reserve(window);
  if (method == CorrelationMethod::Spearman) sort_.emplace(window);
}

RankCorrelationWindow::RankCorrelationWindow(const RankCorrelationWindow& other)
    : RankCorrelationWindow(other.method_, other.window_) {
  // Assigning into the reserved vectors keeps their capacity, so a copy never
  // reallocates on a later bar either.
  x_.values = other.x_.values;
  x_.less = other.x_.less;
  x_.equal = other.x_.equal;
  y_.values = other.y_.values;
  y_.less = other.y_.less;
  y_.equal = other.y_.equal;
  kind_ = other.kind_;
  head_ = other.head_;
  missing_ = other.missing_;
  nans_ = other.nans_;
  pairs_ = other.pairs_;
}

void RankCorrelationWindow::clear() noexcept {
  for (Series* s : {&x_, &y_}) {
    s->values.clear();
    s->less.clear();
    s->equal.clear();
  }
  kind_.clear();
  head_ = 0;
  missing_ = 0;
  nans_ = 0;
  pairs_ = {};
}

void RankCorrelationWindow::slide_ranks(Series& s, double in, bool replace) noexcept {
  const double out = replace ? s.values[head_] : kNan;
  simd::RankCounts c = ops::dense::slide_ranks(s.values.data(), s.less.data(), s.equal.data(),
                                               s.values.size(), in, out);
  c.equal += 1;  // itself
  if (!replace) {
    s.values.push_back(in);
    s.less.push_back(c.less);
    s.equal.push_back(c.equal);
    return;
  }
  c.less -= out < in;  // the loop compared `in` with the leaving value too
  c.equal -= out == in;
  s.values[head_] = in;
  s.less[head_] = c.less;
  s.equal[head_] = c.equal;
}

void RankCorrelationWindow::push(const Value& x, const Value& y) noexcept {
  const bool present = x && y;
  const double px = present ? *x : kNan;
  const double py = present ? *y : kNan;
  const std::uint8_t kind = !present                             ? kMissingPoint
                            : (std::isnan(px) || std::isnan(py)) ? kNanPoint
                                                                 : kPresentPoint;
  const bool replace = kind_.size() == window_;
  if (replace) {
    const std::uint8_t leaving = kind_[head_];
    missing_ -= leaving == kMissingPoint;
    nans_ -= leaving == kNanPoint;
  }
  missing_ += kind == kMissingPoint;
  nans_ += kind == kNanPoint;

  if (method_ == CorrelationMethod::Kendall) {
    // The pairs of the leaving and of the entering point with the others.
    const std::size_t n = kind_.size();
    const std::size_t skip = replace ? head_ : n;  // the leaving point's slot
    const double* xs = x_.values.data();
    const double* ys = y_.values.data();
    ops::dense::PairCounts gone;
    ops::dense::PairCounts added;
    const bool leaving_counts = replace && kind_[head_] != kMissingPoint;
    for (const auto& [from, to] :
         {std::pair{skip + 1 < n ? skip + 1 : n, n}, std::pair{std::size_t{0}, skip}}) {
      if (to <= from) continue;
      if (leaving_counts) {
        ops::dense::count_row(xs + from, ys + from, to - from, xs[head_], ys[head_], gone);
      }
      if (present) ops::dense::count_row(xs + from, ys + from, to - from, px, py, added);
    }
    pairs_.concordant += added.concordant - gone.concordant;
    pairs_.ties_x += added.ties_x - gone.ties_x;
    pairs_.ties_y += added.ties_y - gone.ties_y;
    pairs_.ties_both += added.ties_both - gone.ties_both;
    if (replace) {
      x_.values[head_] = px;
      y_.values[head_] = py;
    } else {
      x_.values.push_back(px);
      y_.values.push_back(py);
    }
  } else {
    slide_ranks(x_, px, replace);
    slide_ranks(y_, py, replace);
  }

  if (replace) {
    kind_[head_] = kind;
    head_ = head_ + 1 == window_ ? 0 : head_ + 1;
  } else {
    kind_.push_back(kind);
  }
}

void RankCorrelationWindow::unroll(const std::vector<double>& ring, double* out) const noexcept {
  std::size_t k = 0;
  for (std::size_t i = head_; i < ring.size(); ++i) out[k++] = ring[i];
  for (std::size_t i = 0; i < head_; ++i) out[k++] = ring[i];
}

Value RankCorrelationWindow::spearman() noexcept {
  double* rx = rank_x_.data();
  double* ry = rank_y_.data();
  const std::span<const double> xs(rx, window_);
  const std::span<const double> ys(ry, window_);
  if (nans_ != 0) {  // a NaN's rank comes from the sort
    unroll(x_.values, rx);
    unroll(y_.values, ry);
    return ops::dense::spearman(xs, ys, *sort_);
  }
  for (auto [s, out] : {std::pair{&x_, rx}, std::pair{&y_, ry}}) {
    std::size_t k = 0;
    const auto rank_of = [&](std::size_t i) {
      out[k++] = static_cast<double>(2 * s->less[i] + s->equal[i] + 1) * 0.5;
    };
    for (std::size_t i = head_; i < window_; ++i) rank_of(i);
    for (std::size_t i = 0; i < head_; ++i) rank_of(i);
  }
  return ops::dense::pearson(xs, ys);
}

Value RankCorrelationWindow::correlation() noexcept {
  if (kind_.size() < window_ || missing_ != 0) return kMissing;
  if (method_ == CorrelationMethod::Spearman) return spearman();
  const auto total = static_cast<std::int64_t>(ops::dense::pair_count(window_));
  const std::int64_t discordant =
      total - (pairs_.ties_x + pairs_.ties_y - pairs_.ties_both) - pairs_.concordant;
  return ops::dense::tau_b(pairs_.concordant, discordant, pairs_.ties_x, pairs_.ties_y, total);
}

}  // namespace zerak
