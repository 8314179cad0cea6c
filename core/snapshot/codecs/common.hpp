#pragma once

#include <cstddef>
#include <utility>

#include "../codec.hpp"

// Pieces most codecs share: the (inputs, window, outputs) configuration and
// turning a refused configuration into the snapshot's error.
namespace zerak::snapshot {

struct WindowConfig {
  Names inputs;
  std::size_t window = 0;
  Names outputs;
};

inline void write_window_config(SnapshotWriter& w, const Names& inputs, std::size_t window,
                                const Names& outputs) {
  w.names(inputs);
  w.size(window);
  w.names(outputs);
}

inline bool read_window_config(SnapshotReader& r, WindowConfig& c) {
  return r.names(c.inputs, "inputs") && r.size(c.window, "window") &&
         r.names(c.outputs, "outputs");
}

// Classes that keep structures derived from their windows (sorted values,
// rank counts, bin counts) rebuild them from the restored windows; for the
// others there is nothing to do.
template <class T>
void rebuild_derived(T& object) {
  if constexpr (requires { object.rebuild_from_window(); }) object.rebuild_from_window();
}

// The class's constructor refused the configuration.
inline ZerakError refused(SnapshotReader& r, const ZerakError& error) {
  r.rejected(error);
  return r.error();
}

}  // namespace zerak::snapshot
