#pragma once

#include <utility>

#include "wrapper.hpp"

namespace zerak::py {

// The entry of a feature with the signature (inputs, window, outputs) and the
// repr Name(inputs=[...], window=N, outputs=[...]); Core needs
// create(inputs, window, outputs) and window().
template <class Core>
TransformEntry<Core> window_feature(const char* name, const char* doc,
                                    const char* update_doc = kUpdateWarmUpDoc,
                                    const char* reset_doc = kResetFeatureDoc) {
  return {
      .name = name,
      .params = {names_param("inputs"), uint_param("window"), names_param("outputs")},
      .doc = doc,
      .update_doc = update_doc,
      .reset_doc = reset_doc,
      .create = [](Args& a) { return Core::create(a.names(0), a.uint(1), a.names(2)); },
      .repr = [](const Core& c, ReprFields& f) {
        f.names("inputs", c.inputs()).uint("window", c.window()).names("outputs", c.outputs());
      },
  };
}

}  // namespace zerak::py
