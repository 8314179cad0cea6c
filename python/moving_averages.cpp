// Sma, Ema, Kama, Mma: one input column, a window, one value per bar.
#include "features/ema.hpp"
#include "features/kama.hpp"
#include "features/mma.hpp"
#include "features/sma.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

template <class Average>
TransformEntry<Average> window_entry(const char* name, const char* doc) {
  return {
      .name = name,
      .params = {names_param("inputs"), uint_param("window"), names_param("outputs")},
      .doc = doc,
      .update_doc = kUpdateWarmUpDoc,
      .reset_doc = kResetFeatureDoc,
      .create = [](Args& a) {
        Names inputs = a.names(0);
        return Average::create(std::move(inputs), a.uint(1), a.names(2));
      },
      .repr = [](const Average& avg, ReprFields& f) {
        f.names("inputs", avg.inputs()).uint("window", avg.window()).names("outputs", avg.outputs());
      },
  };
}

const RegisterTransform<Sma> sma{
    window_entry<Sma>("Sma", "Simple Moving Average over a rolling window.")};
const RegisterTransform<Ema> ema{
    window_entry<Ema>("Ema", "Exponential Moving Average with SMA seeding.")};
const RegisterTransform<Mma> mma{
    window_entry<Mma>("Mma", "Median Moving Average over a rolling window.")};

const RegisterTransform<Kama> kama{{
    .name = "Kama",
    .params = {names_param("inputs"), uint_param("window"), names_param("outputs"),
               uint_param("fast", 2), uint_param("slow", 30)},
    .doc = "Kaufman's Adaptive Moving Average.",
    .update_doc = kUpdateWarmUpDoc,
    .reset_doc = kResetFeatureDoc,
    .create = [](Args& a) {
      Names inputs = a.names(0);
      return Kama::create(std::move(inputs), a.uint(1), a.names(2), a.uint(3), a.uint(4));
    },
    // fast and slow stay out of the repr: the core keeps only their constants.
    .repr = [](const Kama& k, ReprFields& f) {
      f.names("inputs", k.inputs()).uint("window", k.window()).names("outputs", k.outputs());
    },
}};

}  // namespace
}  // namespace zerak::py
