// Sma, Ema, Kama, Mma: one input column, a window, one value per bar.
#include "features/ema.hpp"
#include "features/kama.hpp"
#include "features/mma.hpp"
#include "features/sma.hpp"
#include "window_feature.hpp"

namespace zerak::py {
namespace {

const RegisterTransform<Sma> sma{
    window_feature<Sma>("Sma", "Simple Moving Average over a rolling window.")};
const RegisterTransform<Ema> ema{
    window_feature<Ema>("Ema", "Exponential Moving Average with SMA seeding.")};
const RegisterTransform<Mma> mma{
    window_feature<Mma>("Mma", "Median Moving Average over a rolling window.")};

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
