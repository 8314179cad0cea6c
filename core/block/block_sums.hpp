#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

#include "value.hpp"
#include "window/ring.hpp"
#include "block_series.hpp"
#include "simd/dispatch.hpp"

namespace zerak {

// A window_sum_block finish that divides the sum by n (a mean), in a kernel.
struct DivideBy {
  double n;
  Value operator()(double sum) const noexcept { return Value::computed(sum / n); }
};

// The block of a feature whose output is finish(sum) of its window of terms,
// which update takes from sum_oldest_first of its ring: term(i) is bar i's
// term (missing or not), each complete window is summed 0.0 + oldest + ...
// + newest in a lane and gives missing while it holds a missing term, the
// ring of terms advances as bar-by-bar pushes would leave it, and further
// output columns are missing. `entries`, when given, holds the terms (an
// input column), which are then read in place.
template <class Term, class Finish>
void window_sum_block(Ring& ring, Term&& term, Finish&& finish, std::span<Value* const> outputs,
                      std::size_t bars, const Value* entries = nullptr) {
  const std::size_t held = ring.size();
  const std::size_t w = ring.capacity();
  // The ring's terms then the block's, as the doubles of their values: a
  // missing term is a NaN that poisons every sum it enters. Kept per thread,
  // so a block allocates only when it outgrows the ones before. Terms held
  // in `entries` are copied only as far as windows reach back into the ring;
  // the later windows read them in place.
  thread_local std::vector<double> storage;
  if (storage.size() < held + bars) storage.resize(held + bars);
  double* series = storage.data();
  const std::span<const Value> first = ring.first();
  const std::span<const Value> second = ring.second();
  std::memcpy(series, doubles(first.data()), first.size() * sizeof(double));
  std::memcpy(series + first.size(), doubles(second.data()), second.size() * sizeof(double));
  std::size_t copied = bars;
  if (entries != nullptr) {
    copied = std::min(bars, w);
    std::memcpy(series + held, doubles(entries), copied * sizeof(double));
  } else {
    for (std::size_t i = 0; i < bars; ++i) series[held + i] = *Value(term(i));
  }

  constexpr bool kMean = std::is_same_v<std::remove_cvref_t<Finish>, DivideBy>;
  const Lanes lanes = lanes_of(held, w, w, bars);
  double* out = doubles(outputs[0]);
  std::fill_n(out, std::min(bars, lanes.first), kMissingDouble);
  if (lanes.count != 0) {
    double* sums = out + lanes.first;  // summed in place, then finished
    const simd::Kernels& k = simd::kernels();
    // Each window is summed on its own, so where its entries are read from
    // changes no bit.
    const std::size_t from_series =
        copied == bars ? lanes.count
                       : std::min(lanes.count, held > lanes.start ? held - lanes.start : 0);
    k.sums(series + lanes.start, w, from_series, sums);
    if (from_series < lanes.count) {
      k.sums(doubles(entries) + (lanes.start + from_series - held), w, lanes.count - from_series,
             sums + from_series);
    }
    // Only a window with a NaN sums to one: a missing term, or a present NaN
    // or infinities of both signs. Those are told apart by counting. A mean
    // divides first (a NaN sum stays a NaN) and looks for NaNs as it goes.
    bool some_nan;
    if constexpr (kMean) {
      some_nan = k.divided(sums, lanes.count, finish.n, sums);
    } else {
      some_nan = k.any_nan(sums, lanes.count);
      if (!some_nan) {
        for (std::size_t j = 0; j < lanes.count; ++j) sums[j] = *Value(finish(sums[j]));
      }
    }
    if (some_nan) {
      if (copied < bars) {
        std::memcpy(series + held + copied, doubles(entries) + copied,
                    (bars - copied) * sizeof(double));
      }
      thread_local std::vector<std::size_t> missing_storage;
      missing_storage.resize(held + bars + 1);
      std::size_t* const missing = missing_storage.data();  // missing[i]: among the first i
      missing[0] = 0;
      for (std::size_t i = 0; i < held + bars; ++i) {
        missing[i + 1] = missing[i] + is_missing(series[i]);
      }
      for (std::size_t j = 0; j < lanes.count; ++j) {
        const std::size_t b = lanes.start + j;
        if (missing[b + w] != missing[b]) {
          sums[j] = kMissingDouble;
        } else if constexpr (!kMean) {
          sums[j] = *Value(finish(sums[j]));
        }
      }
    }
  }
  if (entries != nullptr) {
    ring.push_many(entries, bars);
  } else {
    // The block's terms back as values (from_bits keeps missing and present apart).
    const std::size_t from = bars > w ? bars - w : 0;
    for (std::size_t i = from; i < bars; ++i) {
      ring.push(Value::from_bits(std::bit_cast<std::uint64_t>(series[held + i])));
    }
  }
  fill_missing(outputs, 1, bars);
}

}  // namespace zerak
