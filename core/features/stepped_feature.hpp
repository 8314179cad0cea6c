#pragma once

#include <cstddef>
#include <span>

#include "traits.hpp"
#include "features/column_block.hpp"
#include "features/window_feature.hpp"

namespace zerak {

// A window feature of one input whose every bar goes through Derived's
//   Value step(const Value& x)
// live and in blocks alike. Derived may also supply
//   void step_run(const Value* in, Value* out, std::size_t bars)
// a faster run of bars with step's results, and befriends SteppedFeature.
template <class Derived>
class SteppedFeature : public WindowFeature<Derived> {
 public:
  OutputRow update(std::span<const Value> values) override {
    if (values.empty()) return {kMissing};
    return {self().step(values[0])};
  }

  void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                    std::size_t bars) override {
    column_block(*this, inputs, outputs, bars, [this, bars](const Value* in, Value* out) {
      if constexpr (requires { self().step_run(in, out, bars); }) {
        self().step_run(in, out, bars);
      } else {
        for (std::size_t i = 0; i < bars; ++i) out[i] = self().step(in[i]);
      }
    });
  }

 protected:
  using WindowFeature<Derived>::WindowFeature;

 private:
  Derived& self() noexcept { return static_cast<Derived&>(*this); }
};

}  // namespace zerak
