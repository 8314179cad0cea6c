#pragma once

// One used object of every class with a snapshot, and the checks the
// snapshot tests run on them: a restored object continues exactly as the
// original, and loading arbitrary bytes either fails or yields an object
// that works and saves back to the same bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "feature_test_util.hpp"
#include "all_classes.hpp"
#include "snapshot/codec.hpp"
#include "snapshot/snapshot.hpp"

namespace zerak::testing {

struct SnapshotCase {
  std::string name;
  // The snapshot of an object that has seen part of a series.
  std::function<snapshot::Bytes()> saved;
  // Whether restoring saved() gives an object whose next outputs equal the
  // original's, bit for bit.
  std::function<bool()> continues_exactly;
  // Loads `bytes`: false when refused; when accepted, runs the object on a
  // few bars and requires that it saves back to the same bytes.
  std::function<bool(std::span<const std::uint8_t>)> load_and_use;
};

// Bars of `width` columns: rough walks, the later columns shifted and
// offset (range estimators get high >= low on most bars).
inline std::vector<std::vector<Value>> rough_rows(std::size_t n, std::size_t width,
                                                  std::uint32_t seed) {
  std::vector<std::vector<Value>> rows(n, std::vector<Value>(width));
  for (std::size_t j = 0; j < width; ++j) {
    const std::vector<Value> xs = rough_series(n, seed + 7 * std::uint32_t(j));
    for (std::size_t i = 0; i < n; ++i) {
      rows[i][j] = xs[i] ? Value(*xs[i] + (j == 0 ? 3.0 : 0.0)) : kMissing;
    }
  }
  return rows;
}

inline bool same_rows(std::span<const Value> a, std::span<const Value> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!same(a[i], b[i])) return false;
  }
  return true;
}

// Whether `again`, saved from the object loaded from `bytes`, is `bytes`
// itself, or (a snapshot written before fields were added to its class)
// `bytes` with those fields appended to its record.
inline bool saves_back(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> again) {
  if (std::equal(again.begin(), again.end(), bytes.begin(), bytes.end())) return true;
  const std::size_t head = 7 + std::size_t(bytes[6]) + 8;  // magic, version, tag, body length
  if (again.size() <= bytes.size() || !std::equal(bytes.begin(), bytes.begin() + 7 + bytes[6],
                                                  again.begin())) {
    return false;
  }
  return std::equal(bytes.begin() + std::ptrdiff_t(head), bytes.end() - 8,
                    again.begin() + std::ptrdiff_t(head));
}

template <class T>
std::vector<Value> step(T& t, const std::vector<Value>& row) {
  if constexpr (std::is_same_v<T, FeaturePipeline>) {
    auto out = t.update(row);
    return out ? std::vector<Value>(out.value().begin(), out.value().end()) : std::vector<Value>{};
  } else {
    const OutputRow out = t.update(row);
    return std::vector<Value>(out.begin(), out.end());
  }
}

// Transforms and the feature pipeline: fed `split` bars, saved, restored,
// then both fed the rest.
template <class T>
SnapshotCase stepping_case(std::string name, std::function<T()> make, std::size_t width,
                           std::size_t split = 40) {
  const auto rows = std::make_shared<std::vector<std::vector<Value>>>(rough_rows(80, width, 11));
  const auto used = [make, rows, split] {
    T t = make();
    for (std::size_t i = 0; i < split; ++i) step(t, (*rows)[i]);
    return t;
  };
  SnapshotCase c;
  c.name = std::move(name);
  c.saved = [used] { return snapshot::save(used()); };
  c.continues_exactly = [used, rows, split] {
    T original = used();
    Result<T> restored = snapshot::load<T>(snapshot::save(original));
    if (!restored) return false;
    for (std::size_t i = split; i < rows->size(); ++i) {
      if (!same_rows(step(original, (*rows)[i]), step(restored.value(), (*rows)[i]))) return false;
    }
    return true;
  };
  c.load_and_use = [rows, width](std::span<const std::uint8_t> bytes) {
    Result<T> t = snapshot::load<T>(bytes);
    if (!t) return false;
    const snapshot::Bytes again = snapshot::save(t.value());
    if (!saves_back(bytes, again)) {
      throw std::runtime_error("an accepted snapshot does not save back to itself");
    }
    // Rows as wide as the object reads: a mutated configuration may read more.
    std::size_t reads = width;
    if constexpr (std::is_same_v<T, FeaturePipeline>) {
      reads = t.value().inputs().size();
    } else {
      reads = t.value().values_read();
    }
    for (std::size_t i = 0; i < 5; ++i) {
      std::vector<Value> row((*rows)[i]);
      row.resize(reads, 1.0);
      step(t.value(), row);
    }
    return true;
  };
  return c;
}

// Targets and the target pipeline: configuration only; compared by
// labelling one dataset.
template <class T>
std::vector<std::vector<Value>> label(const T& t, const std::vector<std::vector<Value>>& cols) {
  std::vector<std::span<const Value>> spans(cols.begin(), cols.end());
  if constexpr (std::is_same_v<T, TargetPipeline>) {
    spans.resize(t.input_names().size());
    auto out = t.run_research(spans);
    return out ? out.value() : std::vector<std::vector<Value>>{};
  } else {
    return t.run_research(spans);
  }
}

template <class T>
SnapshotCase labelling_case(std::string name, std::function<T()> make) {
  const auto cols = std::make_shared<std::vector<std::vector<Value>>>();
  for (std::uint32_t j = 0; j < 2; ++j) cols->push_back(rough_series(60, 5 + j));
  SnapshotCase c;
  c.name = std::move(name);
  c.saved = [make] { return snapshot::save(make()); };
  c.continues_exactly = [make, cols] {
    const T original = make();
    Result<T> restored = snapshot::load<T>(snapshot::save(original));
    if (!restored) return false;
    const auto a = label(original, *cols);
    const auto b = label(restored.value(), *cols);
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
      if (!same_rows(a[k], b[k])) return false;
    }
    return true;
  };
  c.load_and_use = [cols](std::span<const std::uint8_t> bytes) {
    Result<T> t = snapshot::load<T>(bytes);
    if (!t) return false;
    const snapshot::Bytes again = snapshot::save(t.value());
    if (!saves_back(bytes, again)) {
      throw std::runtime_error("an accepted snapshot does not save back to itself");
    }
    std::vector<std::vector<Value>> short_cols;
    for (const auto& col : *cols) short_cols.emplace_back(col.begin(), col.begin() + 12);
    label(t.value(), short_cols);
    return true;
  };
  return c;
}

template <class T>
T made(Result<T> r) {
  if (!r) throw std::runtime_error(r.error().message());
  return std::move(r).value();
}

inline std::vector<SnapshotCase> snapshot_cases() {
  using N = Names;
  std::vector<SnapshotCase> cases;
  const auto window = [&](auto tag, std::string name, std::size_t w, std::size_t width = 1) {
    using T = typename decltype(tag)::type;
    cases.push_back(stepping_case<T>(
        name, [w, width] {
          N inputs;
          for (std::size_t j = 0; j < width; ++j) {
            // Appended rather than "c" + to_string(j): GCC 12 misreads the
            // prepend that operator+ inlines as an overlapping memcpy.
            std::string column = "c";
            column += std::to_string(j);
            inputs.push_back(std::move(column));
          }
          return made(T::create(inputs, w, N{"out"}));
        },
        width));
  };
  window(std::type_identity<Sma>{}, "Sma", 7);
  window(std::type_identity<Ema>{}, "Ema", 5);
  window(std::type_identity<Mma>{}, "Mma", 6);
  window(std::type_identity<LogReturn>{}, "LogReturn", 3);
  window(std::type_identity<SimpleReturn>{}, "SimpleReturn", 4);
  window(std::type_identity<Skewness>{}, "Skewness", 9);
  window(std::type_identity<Kurtosis>{}, "Kurtosis", 10);
  window(std::type_identity<RollingZScore>{}, "RollingZScore", 8);
  window(std::type_identity<ParkinsonVolatility>{}, "ParkinsonVolatility", 6, 2);
  window(std::type_identity<RogersSatchellVolatility>{}, "RogersSatchellVolatility", 6, 4);
  cases.push_back(stepping_case<Kama>(
      "Kama", [] { return made(Kama::create({"c0"}, 6, {"k"}, 3, 20)); }, 1));
  cases.push_back(stepping_case<LinearSlope>(
      "LinearSlope", [] { return made(LinearSlope::create({"c0", "c1"}, 8, {"s", "r2"})); }, 2));
  cases.push_back(stepping_case<ShannonEntropy>(
      "ShannonEntropy",
      [] { return made(ShannonEntropy::create({"c0"}, 12, {"h"}, std::nullopt, true)); }, 1));
  cases.push_back(stepping_case<Correlation>(
      "Correlation",
      [] {
        return made(Correlation::create({"c0", "c1"}, 9, {"r"}, CorrelationMethod::Spearman));
      },
      2));
  cases.push_back(stepping_case<AutoCorrelation>(
      "AutoCorrelation",
      [] {
        return made(AutoCorrelation::create({"c0"}, 7, {"r"}, 2, CorrelationMethod::Kendall));
      },
      1));
  cases.push_back(stepping_case<Adf>(
      "Adf",
      [] {
        return made(Adf::create({"c0"}, 20, {"t", "p"}, 1, ops::AdfRegression::ConstantTrend));
      },
      1));
  const auto names_only = [&](auto tag, std::string name, std::size_t width) {
    using T = typename decltype(tag)::type;
    cases.push_back(stepping_case<T>(
        name, [width] { return made(T::create(width == 1 ? N{"c0"} : N{"c0", "c1"}, N{"o"})); },
        width));
  };
  names_only(std::type_identity<Add>{}, "Add", 2);
  names_only(std::type_identity<Subtract>{}, "Subtract", 2);
  names_only(std::type_identity<Multiply>{}, "Multiply", 2);
  names_only(std::type_identity<Divide>{}, "Divide", 2);
  names_only(std::type_identity<Reciprocal>{}, "Reciprocal", 1);
  names_only(std::type_identity<NegLog>{}, "NegLog", 1);
  names_only(std::type_identity<Log>{}, "Log", 1);
  names_only(std::type_identity<Logit>{}, "Logit", 1);
  cases.push_back(stepping_case<FixedZScore>(
      "FixedZScore", [] { return made(FixedZScore::create({"c0"}, {"z"}, 100.0, 2.5)); }, 1));
  window(std::type_identity<ChaikinMoneyFlow>{}, "ChaikinMoneyFlow", 5, 4);
  window(std::type_identity<Mfi>{}, "Mfi", 4, 4);
  window(std::type_identity<Vwap>{}, "Vwap", 6, 4);
  window(std::type_identity<GarmanKlassVolatility>{}, "GarmanKlassVolatility", 5, 4);
  window(std::type_identity<YangZhangVolatility>{}, "YangZhangVolatility", 5, 4);
  names_only(std::type_identity<Obv>{}, "Obv", 2);
  cases.push_back(stepping_case<AccumulationDistribution>(
      "AccumulationDistribution",
      [] { return made(AccumulationDistribution::create({"c0", "c1", "c2", "c3"}, {"o"})); }, 4));
  // Lags, differences and element-wise math.
  window(std::type_identity<Lag>{}, "Lag", 4);
  window(std::type_identity<Diff>{}, "Diff", 3);
  window(std::type_identity<EwmVariance>{}, "EwmVariance", 5);
  window(std::type_identity<EwmStd>{}, "EwmStd", 3);
  names_only(std::type_identity<Abs>{}, "Abs", 1);
  names_only(std::type_identity<Sqrt>{}, "Sqrt", 1);
  names_only(std::type_identity<Exp>{}, "Exp", 1);
  names_only(std::type_identity<Sign>{}, "Sign", 1);
  names_only(std::type_identity<Maximum>{}, "Maximum", 2);
  names_only(std::type_identity<Minimum>{}, "Minimum", 2);
  cases.push_back(stepping_case<Scale>(
      "Scale", [] { return made(Scale::create({"c0"}, {"o"}, -0.5, 3.0)); }, 1));
  cases.push_back(stepping_case<Clip>(
      "Clip", [] { return made(Clip::create({"c0"}, {"o"}, 99.0, std::nullopt)); }, 1));
  // The indicators of one price column: seeds, chained averages, windows.
  window(std::type_identity<Rsi>{}, "Rsi", 5);
  window(std::type_identity<Roc>{}, "Roc", 3);
  window(std::type_identity<Momentum>{}, "Momentum", 4);
  window(std::type_identity<Wma>{}, "Wma", 6);
  window(std::type_identity<Dema>{}, "Dema", 4);
  window(std::type_identity<Tema>{}, "Tema", 3);
  window(std::type_identity<Trix>{}, "Trix", 3);
  window(std::type_identity<Trima>{}, "Trima", 6);
  cases.push_back(stepping_case<Macd>(
      "Macd", [] { return made(Macd::create({"c0"}, {"m", "s", "h"}, 3, 6, 4)); }, 1));
  cases.push_back(stepping_case<StochasticRsi>(
      "StochasticRsi", [] { return made(StochasticRsi::create({"c0"}, {"k", "d"}, 5, 4, 3)); },
      1));
  cases.push_back(stepping_case<BollingerBands>(
      "BollingerBands",
      [] { return made(BollingerBands::create({"c0"}, 7, {"u", "m", "l"}, 1.5, 2.0)); }, 1));
  cases.push_back(labelling_case<FutureReturn>(
      "FutureReturn", [] { return made(FutureReturn::create({"c0"}, 3, {"r"})); }));
  cases.push_back(labelling_case<FutureCTCVolatility>(
      "FutureCTCVolatility", [] { return made(FutureCTCVolatility::create({"c0"}, 4, {"v"})); }));
  cases.push_back(labelling_case<FutureLinearSlope>(
      "FutureLinearSlope",
      [] { return made(FutureLinearSlope::create({"c0", "c1"}, 5, {"s", "r2"})); }));
  cases.push_back(stepping_case<FeaturePipeline>(
      "FeaturePipeline",
      [] {
        std::vector<FeatureDag::Handle> fs;
        // Given out of plan order: the restored plan must still match.
        fs.push_back(std::make_unique<Ema>(made(Ema::create({"r"}, 4, {"er"}))));
        fs.push_back(std::make_unique<LogReturn>(made(LogReturn::create({"c0"}, 1, {"r"}))));
        fs.push_back(std::make_unique<Sma>(made(Sma::create({"c1"}, 5, {"s"}))));
        fs.push_back(std::make_unique<Divide>(made(Divide::create({"er", "s"}, {"q"}))));
        return made(FeaturePipeline::create(std::move(fs), {"c0", "c1"}));
      },
      2));
  cases.push_back(labelling_case<TargetPipeline>("TargetPipeline", [] {
    std::vector<std::unique_ptr<Target>> ts;
    ts.push_back(std::make_unique<FutureLinearSlope>(
        made(FutureLinearSlope::create({"c0", "c1"}, 5, {"s", "r2"}))));
    ts.push_back(std::make_unique<FutureReturn>(made(FutureReturn::create({"c1"}, 2, {"r"}))));
    return made(TargetPipeline::create(std::move(ts), {"c0", "c1"}));
  }));
  return cases;
}

}  // namespace zerak::testing
