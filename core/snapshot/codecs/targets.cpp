// The three forward-looking targets: configuration only, no state.
#include "../../targets/future_ctc_volatility.hpp"
#include "../../targets/future_linear_slope.hpp"
#include "../../targets/future_return.hpp"
#include "common.hpp"

namespace zerak::snapshot {
namespace {

template <class T>
void save_target(const T& t, SnapshotWriter& w) {
  write_window_config(w, t.inputs(), t.horizon(), t.outputs());
}

template <class T>
Result<T> load_target(SnapshotReader& r) {
  Names inputs;
  Names outputs;
  std::size_t horizon = 0;
  if (!r.names(inputs, "inputs") || !r.size(horizon, "horizon") ||
      !r.names(outputs, "outputs")) {
    return r.error();
  }
  Result<T> t = T::create(std::move(inputs), horizon, std::move(outputs));
  if (!t) return refused(r, t.error());
  return t;
}

}  // namespace

#define ZERAK_TARGET_CODEC(Class)                                                       \
  void Codec<Class>::save(const Class& t, SnapshotWriter& w) { save_target(t, w); }     \
  Result<Class> Codec<Class>::load(SnapshotReader& r) { return load_target<Class>(r); }
ZERAK_TARGET_CODEC(FutureReturn)
ZERAK_TARGET_CODEC(FutureCTCVolatility)
ZERAK_TARGET_CODEC(FutureLinearSlope)
#undef ZERAK_TARGET_CODEC

}  // namespace zerak::snapshot
