#include "macd.hpp"

#include <utility>

#include "block/block_series.hpp"
#include "features/close_indicator_steps.hpp"

namespace zerak {

Result<Macd> Macd::create(Names inputs, Names outputs, std::size_t fast, std::size_t slow,
                          std::size_t signal) {
  if (inputs.empty()) return invalid_input(msg::kInputsEmpty);
  if (outputs.size() != 3) {
    return invalid_input("outputs must contain exactly 3 names: [macd, signal, histogram]");
  }
  if (fast < 2) return invalid_input("fast must be >= 2");
  if (slow < fast) return invalid_input("slow must be >= fast");
  if (signal == 0) return invalid_input("signal must be >= 1");
  return Macd(std::move(inputs), std::move(outputs), fast, slow, signal);
}

Macd::Macd(Names inputs, Names outputs, std::size_t fast, std::size_t slow, std::size_t signal)
    : TransformBase(std::move(inputs), std::move(outputs)),
      prices_(slow),
      macds_(signal),
      fast_(fast),
      slow_(slow),
      signal_(signal),
      fast_k_(close_ind::ema_constant(fast)),
      slow_k_(close_ind::ema_constant(slow)),
      signal_k_(close_ind::ema_constant(signal)) {}

void Macd::reset() {
  fast_ema_.reset();
  slow_ema_.reset();
  prices_.clear();
  signal_ema_.reset();
  macds_.clear();
}

inline Macd::Row Macd::step(const Value& x) {
  if (!x) {
    reset();
    return {};
  }
  if (fast_ema_ && slow_ema_) {
    fast_ema_ = close_ind::ema_step(*fast_ema_, *x, fast_k_);
    slow_ema_ = close_ind::ema_step(*slow_ema_, *x, slow_k_);
  } else {
    prices_.push(x);
    if (!prices_.full()) return {};
    const Value fast_sum = close_ind::sum_newest(prices_, fast_);
    const Value slow_sum = close_ind::sum_newest(prices_, slow_);
    prices_.clear();
    if (!fast_sum || !slow_sum) return {};
    fast_ema_ = *fast_sum / static_cast<double>(fast_);
    slow_ema_ = *slow_sum / static_cast<double>(slow_);
  }
  const double macd = *fast_ema_ - *slow_ema_;
  const Value signal = close_ind::seeded_ema(macds_, signal_ema_, macd, signal_k_);
  if (!signal) return {};
  return {macd, signal, macd - *signal};
}

OutputRow Macd::update(std::span<const Value> values) {
  if (values.empty()) return {kMissing, kMissing, kMissing};
  const Row r = step(values[0]);
  return {r.macd, r.signal, r.histogram};
}

void Macd::update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                        std::size_t bars) {
  if (inputs.empty() || outputs.size() < 3) {
    return StreamingTransform::update_block(inputs, outputs, bars);
  }
  const Value* in = inputs[0];
  Value* macd = outputs[0];
  Value* signal = outputs[1];
  Value* histogram = outputs[2];
  std::size_t i = 0;
  while (i < bars) {
    if (fast_ema_ && slow_ema_ && signal_ema_) {
      // The seeded run in locals: stores to the output cells could otherwise
      // alias the averages and reload them on every bar.
      double fast = *fast_ema_;
      double slow = *slow_ema_;
      double sig = *signal_ema_;
      for (; i < bars && in[i]; ++i) {
        fast = close_ind::ema_step(fast, *in[i], fast_k_);
        slow = close_ind::ema_step(slow, *in[i], slow_k_);
        const double m = fast - slow;
        sig = close_ind::ema_next(sig, m, signal_k_);
        macd[i] = m;
        signal[i] = sig;
        histogram[i] = m - sig;
      }
      fast_ema_ = fast;
      slow_ema_ = slow;
      signal_ema_ = sig;
      if (i == bars) break;
    }
    const Row r = step(in[i]);
    macd[i] = r.macd;
    signal[i] = r.signal;
    histogram[i] = r.histogram;
    ++i;
  }
  fill_missing(outputs, 3, bars);
}

}  // namespace zerak
