// update_block against update bar by bar, bit for bit, on every instruction
// set this CPU has, across block boundaries and for blocks of 1, odd and
// large sizes; the state left behind must continue identically.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "features/statistics/adf.hpp"
#include "features/averages/dema.hpp"
#include "features/averages/ewm_std.hpp"
#include "features/averages/tema.hpp"
#include "features/averages/wma.hpp"
#include "features/indicators/close/bollinger_bands.hpp"
#include "features/indicators/close/rsi.hpp"
#include "features/indicators/range/adx.hpp"
#include "features/indicators/range/atr.hpp"
#include "features/indicators/range/cci.hpp"
#include "features/indicators/range/keltner_channel.hpp"
#include "features/indicators/range/natr.hpp"
#include "features/indicators/range/true_range.hpp"
#include "features/indicators/range/ultimate_oscillator.hpp"
#include "features/indicators/volume/chaikin_money_flow.hpp"
#include "features/indicators/volume/mfi.hpp"
#include "features/indicators/volume/vwap.hpp"
#include "features/order_statistics/rolling_rank.hpp"
#include "features/returns/diff.hpp"
#include "features/returns/lag.hpp"
#include "features/correlation/auto_correlation.hpp"
#include "features/correlation/correlation.hpp"
#include "features/averages/ema.hpp"
#include "features/volatility/garman_klass_volatility.hpp"
#include "features/averages/kama.hpp"
#include "features/moments/kurtosis.hpp"
#include "features/statistics/linear_slope.hpp"
#include "features/returns/log_return.hpp"
#include "features/averages/mma.hpp"
#include "features/statistics/shannon_entropy.hpp"
#include "features/volatility/parkinson_volatility.hpp"
#include "features/moments/rolling_beta.hpp"
#include "features/moments/rolling_covariance.hpp"
#include "features/moments/rolling_variance.hpp"
#include "features/volatility/rogers_satchell_volatility.hpp"
#include "features/returns/simple_return.hpp"
#include "features/moments/skewness.hpp"
#include "features/averages/sma.hpp"
#include "nasty_series.hpp"
#include "reference/rolling.hpp"
#include "operators/add.hpp"
#include "operators/divide.hpp"
#include "operators/log.hpp"
#include "operators/logit.hpp"
#include "operators/multiply.hpp"
#include "operators/neg_log.hpp"
#include "operators/reciprocal.hpp"
#include "operators/subtract.hpp"
#include "scalers/fixed_zscore.hpp"
#include "scalers/rolling_zscore.hpp"
#include "simd/dispatch.hpp"
#include "targets/future_ctc_volatility.hpp"
#include "targets/future_linear_slope.hpp"
#include "tools/pairwise.hpp"
#include "tools/shift.hpp"

namespace zerak {
namespace {

using testing::bits_equal;
using testing::nasty_series;

struct BlockCase {
  std::string name;
  std::function<std::unique_ptr<StreamingTransform>()> make;
  std::size_t window;    // how rare special values must be for complete windows
  bool prices = false;   // inputs as positive, ordered high/low/open/close
  double scale = 1.0;    // applied to every present input
  std::size_t high = 0;  // prices: the high's column (the low's follows it)
};

void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.name; }

template <class T>
std::function<std::unique_ptr<StreamingTransform>()> maker(std::function<Result<T>()> create) {
  return [create] { return std::make_unique<T>(create().value()); };
}

// Columns for a case: nasty values, or for prices positive ones with the
// first (high) never below the second (low).
std::vector<std::vector<Value>> columns_for(const BlockCase& c, std::size_t inputs, std::size_t n,
                                            std::uint64_t seed) {
  const double rare = std::min(1.0, 6.0 / static_cast<double>(c.window + 5));
  std::vector<std::vector<Value>> cols;
  for (std::size_t j = 0; j < inputs; ++j) cols.push_back(nasty_series(n, seed + j, rare));
  if (c.prices) {
    for (std::size_t i = 0; i < n; ++i) {
      for (auto& col : cols) {
        if (col[i]) col[i] = std::fabs(*col[i]) + 1.0;
      }
      const std::size_t h = c.high;  // the high, and the low after it
      if (cols.size() >= h + 2 && cols[h][i] && cols[h + 1][i]) {
        cols[h][i] = *cols[h][i] + *cols[h + 1][i];
      }
    }
  }
  for (auto& col : cols) {
    for (Value& v : col) {
      if (v) v = *v * c.scale;
    }
  }
  return cols;
}

std::vector<BlockCase> cases() {
  std::vector<BlockCase> out;
  for (std::size_t w : {1u, 2u, 3u, 4u, 5u, 20u, 257u, 1500u}) {
    const std::string sw = std::to_string(w);
    out.push_back({"Sma" + sw, maker<Sma>([w] { return Sma::create({"x"}, w, {"y", "z"}); }), w});
    out.push_back({"Parkinson" + sw, maker<ParkinsonVolatility>([w] {
                     return ParkinsonVolatility::create({"h", "l"}, w, {"y"});
                   }),
                   w, true});
    out.push_back({"RogersSatchell" + sw, maker<RogersSatchellVolatility>([w] {
                     return RogersSatchellVolatility::create({"h", "l", "o", "c"}, w, {"y"});
                   }),
                   w, true});
    if (w < 1500) {  // random opens and closes: longer windows' means go negative
      out.push_back({"GarmanKlass" + sw, maker<GarmanKlassVolatility>([w] {
                       return GarmanKlassVolatility::create({"o", "h", "l", "c"}, w, {"y"});
                     }),
                     w, true, 1.0, 1});
    }
    out.push_back({"Ema" + sw, maker<Ema>([w] { return Ema::create({"x"}, w, {"y", "z"}); }), w});
    out.push_back({"Mma" + sw, maker<Mma>([w] { return Mma::create({"x"}, w, {"y"}); }), w});
    out.push_back(
        {"Kama" + sw, maker<Kama>([w] { return Kama::create({"x"}, w, {"y"}, 2, 30); }), w});
    out.push_back({"LogReturn" + sw,
                   maker<LogReturn>([w] { return LogReturn::create({"x"}, w, {"y"}); }), w, true});
    out.push_back({"SimpleReturn" + sw,
                   maker<SimpleReturn>([w] { return SimpleReturn::create({"x"}, w, {"y"}); }), w});
    if (w >= 2) {
      out.push_back({"RollingZScore" + sw,
                     maker<RollingZScore>([w] { return RollingZScore::create({"x"}, w, {"y"}); }),
                     w});
      out.push_back(
          {"LinearSlope" + sw,
           maker<LinearSlope>([w] { return LinearSlope::create({"x", "y"}, w, {"b", "r2"}); }), w});
      out.push_back({"Entropy" + sw, maker<ShannonEntropy>([w] {
                       return ShannonEntropy::create({"x"}, w, {"h"}, std::nullopt, false);
                     }),
                     w});
      out.push_back({"Kendall" + sw, maker<Correlation>([w] {
                       return Correlation::create({"x", "y"}, w, {"r"}, CorrelationMethod::Kendall);
                     }),
                     w});
      out.push_back({"Spearman" + sw, maker<Correlation>([w] {
                       return Correlation::create({"x", "y"}, w, {"r"},
                                                  CorrelationMethod::Spearman);
                     }),
                     w});
      out.push_back({"Pearson" + sw,
                     maker<Correlation>([w] { return Correlation::create({"x", "y"}, w, {"r"}); }),
                     w});
      for (std::size_t lag : {std::size_t{1}, w / 2 + 1, w + 2}) {
        out.push_back({"AutoPearson" + sw + "_" + std::to_string(lag),
                       maker<AutoCorrelation>(
                           [w, lag] { return AutoCorrelation::create({"x"}, w, {"r"}, lag); }),
                       w + lag});
      }
    }
    // The shared block plumbing (column_block, SteppedFeature, RingBlock);
    // a second output name checks the columns past the row.
    if (w <= 257) {
      const Names hlc{"h", "l", "c"};
      const Names hlcv{"h", "l", "c", "v"};
      out.push_back({"Lag" + sw, maker<Lag>([w] { return Lag::create({"x"}, w, {"y", "z"}); }), w});
      out.push_back({"Diff" + sw, maker<Diff>([w] { return Diff::create({"x"}, w, {"y"}); }), w});
      out.push_back({"Wma" + sw, maker<Wma>([w] { return Wma::create({"x"}, w, {"y", "z"}); }), w});
      out.push_back(
          {"Atr" + sw, maker<Atr>([=] { return Atr::create(hlc, w, {"y", "z"}); }), w, true});
      out.push_back(
          {"Natr" + sw, maker<Natr>([=] { return Natr::create(hlc, w, {"y"}); }), w, true});
      out.push_back(
          {"Vwap" + sw, maker<Vwap>([=] { return Vwap::create(hlcv, w, {"y", "z"}); }), w, true});
      out.push_back({"Chaikin" + sw, maker<ChaikinMoneyFlow>([=] {
                       return ChaikinMoneyFlow::create(hlcv, w, {"y"});
                     }),
                     w, true});
      if (w >= 2) {
        out.push_back(
            {"Dema" + sw, maker<Dema>([w] { return Dema::create({"x"}, w, {"y", "z"}); }), w});
        out.push_back({"Tema" + sw, maker<Tema>([w] { return Tema::create({"x"}, w, {"y"}); }), w});
        out.push_back(
            {"EwmStd" + sw, maker<EwmStd>([w] { return EwmStd::create({"x"}, w, {"y"}); }), w});
        out.push_back(
            {"Rsi" + sw, maker<Rsi>([w] { return Rsi::create({"x"}, w, {"y", "z"}); }), w});
        out.push_back(
            {"RollingRank" + sw,
             maker<RollingRank>([w] { return RollingRank::create({"x"}, w, {"y", "z"}); }), w});
        out.push_back({"Bollinger" + sw, maker<BollingerBands>([w] {
                         return BollingerBands::create({"x"}, w, {"u", "m", "l"});
                       }),
                       w});
        out.push_back(
            {"Mfi" + sw, maker<Mfi>([=] { return Mfi::create(hlcv, w, {"y"}); }), w, true});
        out.push_back(
            {"Cci" + sw, maker<Cci>([=] { return Cci::create(hlc, w, {"y", "z"}); }), w, true});
        out.push_back({"Adx" + sw, maker<Adx>([=] { return Adx::create(hlc, w, {"p", "m", "a"}); }),
                       w, true});
        out.push_back({"Keltner" + sw, maker<KeltnerChannel>([=] {
                         return KeltnerChannel::create(hlc, {"u", "m", "l"}, w, w / 2 + 1, 2.0);
                       }),
                       w, true});
      }
    }
    out.push_back({"RollingVariance" + sw, maker<RollingVariance>([w] {
                     return RollingVariance::create({"x"}, w, {"y"}, 0, false);
                   }),
                   w});
    out.push_back({"RollingCovariance" + sw, maker<RollingCovariance>([w] {
                     return RollingCovariance::create({"x", "y"}, w, {"c"}, 0, false);
                   }),
                   w});
    if (w >= 2) {
      out.push_back({"RollingBeta" + sw, maker<RollingBeta>([w] {
                       return RollingBeta::create({"x", "y"}, w, {"b"}, false);
                     }),
                     w});
      out.push_back({"PearsonAccurate" + sw, maker<Correlation>([w] {
                       return Correlation::create({"x", "y"}, w, {"r"}, CorrelationMethod::Pearson,
                                                  true);
                     }),
                     w});
    }
    if (w >= 3) {
      out.push_back(
          {"Skewness" + sw, maker<Skewness>([w] { return Skewness::create({"x"}, w, {"y"}); }), w});
      out.push_back({"SkewnessAccurate" + sw,
                     maker<Skewness>([w] { return Skewness::create({"x"}, w, {"y"}, true); }), w});
    }
    if (w >= 4) {
      out.push_back(
          {"Kurtosis" + sw, maker<Kurtosis>([w] { return Kurtosis::create({"x"}, w, {"y"}); }), w});
    }
  }
  // One window per lane: lags 0, the default lags, a longer window; scaled
  // down so that every window is refitted; the trend regression too.
  for (const auto regression : {ops::AdfRegression::Constant, ops::AdfRegression::ConstantTrend}) {
    const std::string sr = regression == ops::AdfRegression::Constant ? "c" : "ct";
    for (const auto& [w, lags, scale] :
         {std::tuple{std::size_t{7}, std::optional<std::size_t>{0}, 1.0},
          std::tuple{std::size_t{21}, std::optional<std::size_t>{}, 1.0},
          std::tuple{std::size_t{21}, std::optional<std::size_t>{}, 1e-9},
          std::tuple{std::size_t{130}, std::optional<std::size_t>{}, 1.0}}) {
      out.push_back({"Adf" + sr + std::to_string(w) + (scale != 1.0 ? "tiny" : ""),
                     maker<Adf>([w, lags, regression] {
                       return Adf::create({"x"}, w, {"t", "p"}, lags, regression);
                     }),
                     w, false, scale});
    }
  }
  out.push_back({"TrueRange",
                 maker<TrueRange>([] { return TrueRange::create({"h", "l", "c"}, {"y", "z"}); }), 1,
                 true});
  out.push_back({"UltimateOscillator", maker<UltimateOscillator>([] {
                   return UltimateOscillator::create({"h", "l", "c"}, {"y"}, 7, 14, 28);
                 }),
                 28, true});
  out.push_back({"Add", maker<Add>([] { return Add::create({"a", "b"}, {"y"}); }), 1});
  out.push_back(
      {"Subtract", maker<Subtract>([] { return Subtract::create({"a", "b"}, {"y"}); }), 1});
  out.push_back(
      {"Multiply", maker<Multiply>([] { return Multiply::create({"a", "b"}, {"y"}); }), 1});
  out.push_back({"Divide", maker<Divide>([] { return Divide::create({"a", "b"}, {"y"}); }), 1});
  out.push_back({"Log", maker<Log>([] { return Log::create({"a"}, {"y"}); }), 1});
  out.push_back({"NegLog", maker<NegLog>([] { return NegLog::create({"a"}, {"y"}); }), 1});
  out.push_back(
      {"Logit", maker<Logit>([] { return Logit::create({"a"}, {"y"}); }), 1, true, 0.004});
  out.push_back(
      {"Reciprocal", maker<Reciprocal>([] { return Reciprocal::create({"a"}, {"y"}); }), 1});
  out.push_back({"FixedZScore",
                 maker<FixedZScore>([] { return FixedZScore::create({"a"}, {"y"}, 3.0, 7.0); }),
                 1});
  return out;
}

class BlockKernels : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockKernels, BlocksEqualBarByBarOnEveryInstructionSet) {
  const BlockCase& c = GetParam();
  const std::size_t inputs = c.make()->inputs().size();
  const std::size_t outputs = c.make()->outputs().size();
  const std::size_t n = std::max<std::size_t>(2500, 2 * c.window + 600);
  const auto cols = columns_for(c, inputs, n + 100, c.window * 31 + inputs);

  // Bar by bar, the reference.
  auto reference = c.make();
  std::vector<std::vector<Value>> want(outputs, std::vector<Value>(n + 100));
  std::vector<Value> row(inputs);
  for (std::size_t i = 0; i < n + 100; ++i) {
    for (std::size_t j = 0; j < inputs; ++j) row[j] = cols[j][i];
    const OutputRow r = reference->update(row);
    for (std::size_t k = 0; k < outputs; ++k) want[k][i] = k < r.size() ? r[k] : kMissing;
  }

  std::size_t present = 0;
  for (std::size_t i = 0; i < n; ++i) present += want[0][i].has_value();
  EXPECT_GT(present, n / 10) << "too few results to compare";

  const simd::Level saved = simd::active_level();
  std::mt19937 gen(7);
  for (const simd::Level level : {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512}) {
    if (!simd::use_level(level)) continue;
    for (const int plan : {1, 7, 333, 4096, -1}) {  // -1: random sizes, empty blocks too
      auto t = c.make();
      std::vector<std::vector<Value>> got(outputs, std::vector<Value>(n));
      for (std::size_t at = 0; at < n;) {
        const std::size_t size =
            std::min<std::size_t>(n - at, plan > 0 ? static_cast<std::size_t>(plan) : gen() % 700);
        std::vector<const Value*> in;
        for (const auto& col : cols) in.push_back(col.data() + at);
        std::vector<Value*> out;
        for (auto& col : got) out.push_back(col.data() + at);
        t->update_block(in, out, size);
        at += size;
      }
      for (std::size_t k = 0; k < outputs; ++k) {
        for (std::size_t i = 0; i < n; ++i) {
          ASSERT_TRUE(bits_equal(got[k][i], want[k][i]))
              << c.name << " level " << simd::level_name(level) << " plan " << plan << " output "
              << k << " bar " << i << ": " << got[k][i].value_or(-999) << " vs "
              << want[k][i].value_or(-999);
        }
      }
      // The state left behind continues like the reference's.
      for (std::size_t i = n; i < n + 100; ++i) {
        for (std::size_t j = 0; j < inputs; ++j) row[j] = cols[j][i];
        const OutputRow r = t->update(row);
        for (std::size_t k = 0; k < outputs; ++k) {
          ASSERT_TRUE(bits_equal(k < r.size() ? r[k] : kMissing, want[k][i]))
              << c.name << " after the blocks, bar " << i;
        }
      }
    }
  }
  simd::use_level(saved);
}

// The volatility target against its definition: a rolling sample standard
// deviation of the log returns, moved ahead by the horizon.
TEST(FutureCtcVolatilityKernels, EqualTheRollingStdOnEveryInstructionSet) {
  const simd::Level saved = simd::active_level();
  for (const std::size_t h : {2u, 3u, 9u, 64u, 700u}) {
    auto close = nasty_series(3000, h, std::min(1.0, 6.0 / static_cast<double>(h + 5)));
    for (Value& v : close) {
      if (v) v = std::fabs(*v) + 1.0;
    }
    std::vector<Value> returns{kMissing};
    for (std::size_t i = 1; i < close.size(); ++i) {
      returns.push_back(tools::log_return(close[i - 1], close[i]));
    }
    const auto want = tools::shift_ahead(reference::rolling(returns, h, reference::sample_std), h);
    const auto target = FutureCTCVolatility::create({"c"}, h, {"v"}).value();
    const std::span<const Value> cols[] = {close};
    for (const simd::Level level :
         {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512}) {
      if (!simd::use_level(level)) continue;
      const auto got = target.run_research(cols);
      ASSERT_EQ(got.size(), 1u);
      ASSERT_EQ(got[0].size(), want.size());
      std::size_t present = 0;
      for (std::size_t i = 0; i < want.size(); ++i) {
        present += want[i].has_value();
        ASSERT_TRUE(bits_equal(got[0][i], want[i]))
            << h << " " << simd::level_name(level) << " " << i;
      }
      EXPECT_GT(present, want.size() / 10);
    }
  }
  simd::use_level(saved);
}

// The slope target against a plain fit of each window (the former code).
void fit_window(const Value* x, const Value* y, std::size_t h, Value& slope, Value& r2) {
  double sum_x = 0.0;
  double sum_y = 0.0;
  bool constant_x = true;
  bool constant_y = true;
  for (std::size_t j = 0; j < h; ++j) {
    if (!x[j] || !y[j]) return;
    sum_x += *x[j];
    sum_y += *y[j];
    constant_x = constant_x && *x[j] == *x[0];
    constant_y = constant_y && *y[j] == *y[0];
  }
  const double mean_x = sum_x / static_cast<double>(h);
  const double mean_y = sum_y / static_cast<double>(h);
  double sxx = 0.0;
  double syy = 0.0;
  double sxy = 0.0;
  for (std::size_t j = 0; j < h; ++j) {
    const double dx = *x[j] - mean_x;
    const double dy = *y[j] - mean_y;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  if (constant_x || sxx == 0.0) return;
  if (constant_y) {
    slope = 0.0;
    return;
  }
  slope = sxy / sxx;
  if (syy != 0.0) r2 = sxy * sxy / (syy * sxx);
}

TEST(FutureLinearSlopeKernels, EqualAPlainFitOfEachWindowOnEveryInstructionSet) {
  const simd::Level saved = simd::active_level();
  for (const std::size_t h : {2u, 3u, 10u, 77u, 900u}) {
    const double rare = std::min(1.0, 6.0 / static_cast<double>(h + 5));
    const auto x = nasty_series(3000, 5 * h, rare);
    const auto y = nasty_series(2990, 5 * h + 1, rare);  // shorter: the tail has no y
    std::vector<Value> slope(x.size());
    std::vector<Value> r2(x.size());
    for (std::size_t i = 0; i + h <= y.size(); ++i) {
      fit_window(x.data() + i, y.data() + i, h, slope[i], r2[i]);
    }
    const auto target = FutureLinearSlope::create({"x", "y"}, h, {"b", "r2"}).value();
    const std::span<const Value> cols[] = {x, y};
    for (const simd::Level level :
         {simd::Level::Baseline, simd::Level::Avx2, simd::Level::Avx512}) {
      if (!simd::use_level(level)) continue;
      const auto got = target.run_research(cols);
      ASSERT_EQ(got.size(), 2u);
      std::size_t present = 0;
      for (std::size_t i = 0; i < x.size(); ++i) {
        present += slope[i].has_value();
        ASSERT_TRUE(bits_equal(got[0][i], slope[i]))
            << h << " " << simd::level_name(level) << " " << i;
        ASSERT_TRUE(bits_equal(got[1][i], r2[i]))
            << h << " " << simd::level_name(level) << " " << i;
      }
      EXPECT_GT(present, x.size() / 10);
    }
  }
  simd::use_level(saved);
}

INSTANTIATE_TEST_SUITE_P(Transforms, BlockKernels, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace zerak
