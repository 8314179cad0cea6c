#pragma once

// One used object of every class with a snapshot, and the checks the
// snapshot tests run on them: a restored object continues exactly as the
// original, and loading arbitrary bytes either fails or yields an object
// that works and saves back to the same bytes.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "all_classes.hpp"
#include "default_configuration.hpp"
#include "feature_test_util.hpp"
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
  // Whether the object had given present values before it was saved: a full
  // row of outputs, or for a target some labels.
  std::function<bool()> warm;
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
  if (again.size() <= bytes.size() ||
      !std::equal(bytes.begin(), bytes.begin() + 7 + bytes[6], again.begin())) {
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

template <class T>
std::size_t values_read_by(const T& t) {
  if constexpr (std::is_same_v<T, FeaturePipeline>) {
    return t.inputs().size();
  } else {
    return t.values_read();
  }
}

// Warming up gives missing values; a computed NaN (Logit of 100) is present.
inline bool present(const Value& v) { return v.has_value(); }

inline bool all_present(std::span<const Value> row) {
  return !row.empty() && std::all_of(row.begin(), row.end(), present);
}

// Transforms and the feature pipeline: fed `split` bars (walks near 100,
// times `scale`), saved, restored, then both fed the rest. Every column has a
// gap shortly before the save, so the saved windows hold missing values.
template <class T>
SnapshotCase stepping_case(std::string name, std::function<T()> make, double scale = 1.0,
                           std::size_t split = 40) {
  const std::size_t width = values_read_by(make());
  auto gappy = rough_rows(2 * split, width, 11);
  for (auto& row : gappy) {
    for (Value& v : row) v = v ? Value(*v * scale) : kMissing;
  }
  for (std::size_t j = 0; j < width; ++j) gappy[split - 2 - j][j] = kMissing;
  const auto rows = std::make_shared<const std::vector<std::vector<Value>>>(std::move(gappy));
  const auto used = [make, rows, split] {
    T t = make();
    for (std::size_t i = 0; i < split; ++i) step(t, (*rows)[i]);
    return t;
  };
  SnapshotCase c;
  c.name = std::move(name);
  c.saved = [used] { return snapshot::save(used()); };
  c.warm = [make, rows, split] {
    T t = make();
    bool warm = false;
    for (std::size_t i = 0; i < split; ++i) warm = all_present(step(t, (*rows)[i])) || warm;
    return warm;
  };
  c.continues_exactly = [used, rows, split] {
    T original = used();
    Result<T> restored = snapshot::load<T>(snapshot::save(original));
    if (!restored) return false;
    for (std::size_t i = split; i < rows->size(); ++i) {
      if (!same_rows(step(original, (*rows)[i]), step(restored.value(), (*rows)[i]))) return false;
    }
    return true;
  };
  c.load_and_use = [rows](std::span<const std::uint8_t> bytes) {
    Result<T> t = snapshot::load<T>(bytes);
    if (!t) return false;
    const snapshot::Bytes again = snapshot::save(t.value());
    if (!saves_back(bytes, again)) {
      throw std::runtime_error("an accepted snapshot does not save back to itself");
    }
    // Rows as wide as the object reads: a mutated configuration may read more.
    const std::size_t reads = values_read_by(t.value());
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
  c.warm = [make, cols] {
    for (const auto& labels : label(make(), *cols)) {
      if (std::any_of(labels.begin(), labels.end(), present)) return true;
    }
    return false;
  };
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

// The configuration each class is saved in: its defaults, unless another
// reaches a part of its state or configuration the defaults leave out.
template <class T>
T configured() {
  std::optional<T> t = with_defaults<T>();
  if (!t) throw std::runtime_error(std::string(kClassName<T>) + ": no default configuration");
  return std::move(*t);
}

template <>
inline Correlation configured<Correlation>() {
  return made(Correlation::create({"c0", "c1"}, 9, {"r"}, CorrelationMethod::Spearman));
}
template <>
inline AutoCorrelation configured<AutoCorrelation>() {
  return made(AutoCorrelation::create({"c0"}, 7, {"r"}, 2, CorrelationMethod::Kendall));
}
template <>
inline Adf configured<Adf>() {
  return made(Adf::create({"c0"}, 20, {"t", "p"}, 1, ops::AdfRegression::ConstantTrend));
}
template <>
inline Macd configured<Macd>() {  // the default spans are not warm by the save
  return made(Macd::create({"c0"}, {"m", "s", "h"}, 3, 6, 4));
}
template <>
inline Clip configured<Clip>() {
  return made(Clip::create({"c0"}, {"o"}, 99.0, std::nullopt));
}
template <>
inline FeaturePipeline configured<FeaturePipeline>() {
  std::vector<FeatureDag::Handle> fs;
  // Given out of plan order: the restored plan must still match.
  fs.push_back(std::make_unique<Ema>(made(Ema::create({"r"}, 4, {"er"}))));
  fs.push_back(std::make_unique<LogReturn>(made(LogReturn::create({"c0"}, 1, {"r"}))));
  fs.push_back(std::make_unique<Sma>(made(Sma::create({"c1"}, 5, {"s"}))));
  fs.push_back(std::make_unique<Divide>(made(Divide::create({"er", "s"}, {"q"}))));
  return made(FeaturePipeline::create(std::move(fs), {"c0", "c1"}));
}
template <>
inline TargetPipeline configured<TargetPipeline>() {
  std::vector<std::unique_ptr<Target>> ts;
  ts.push_back(std::make_unique<FutureLinearSlope>(
      made(FutureLinearSlope::create({"c0", "c1"}, 5, {"s", "r2"}))));
  ts.push_back(std::make_unique<FutureReturn>(made(FutureReturn::create({"c1"}, 2, {"r"}))));
  return made(TargetPipeline::create(std::move(ts), {"c0", "c1"}));
}

// The scale of the bars a class is fed: Logit reads probabilities.
template <class T>
inline constexpr double kBarScale = 1.0;
template <>
inline constexpr double kBarScale<Logit> = 1e-3;

template <class T>
SnapshotCase case_of(std::string name) {
  if constexpr (std::is_base_of_v<Target, T> || std::is_same_v<T, TargetPipeline>) {
    return labelling_case<T>(std::move(name), configured<T>);
  } else {
    return stepping_case<T>(std::move(name), configured<T>, kBarScale<T>);
  }
}

// One case per class of the list, in its order.
inline std::vector<SnapshotCase> snapshot_cases() {
  std::vector<SnapshotCase> cases;
#define ZERAK_SNAPSHOT_CASE(Class) cases.push_back(case_of<Class>(#Class));
  ZERAK_SNAPSHOT_CLASSES(ZERAK_SNAPSHOT_CASE)
#undef ZERAK_SNAPSHOT_CASE
  return cases;
}

}  // namespace zerak::testing
