// Rolling Shannon entropy of equal-width bins.
#include <string>

#include "features/shannon_entropy.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

const RegisterTransform<ShannonEntropy> shannon_entropy{{
    .name = "ShannonEntropy",
    .params = {names_param("inputs"), uint_param("window"), names_param("outputs"),
               opt_uint_param("bins"), bool_param("normalize", true)},
    .doc = "Rolling Shannon entropy over a fixed window.\n"
           "\n"
           "Discretizes the last ``window`` values into equal-width bins and computes\n"
           "``H = -sum(p_i * ln(p_i))`` in nats. When ``normalize`` is ``True``,\n"
           "outputs ``H / ln(n_bins)`` in [0, 1].\n"
           "Returns ``NaN`` during warm-up or while any ``NaN`` is in the window.",
    .update_doc =
        "Process one bar. Returns ``[NaN]`` during warm-up or while any ``NaN`` is in the window.",
    .reset_doc = kResetFeatureDoc,
    .create = [](Args& a) {
      return ShannonEntropy::create(a.names(0), a.uint(1), a.names(2), a.opt_uint(3),
                                    a.boolean(4));
    },
    .repr = [](const ShannonEntropy& e, ReprFields& f) {
      f.names("inputs", e.inputs()).uint("window", e.window()).names("outputs", e.outputs());
      f.raw("bins", e.bins() ? std::to_string(*e.bins()) : "None");
      f.raw("normalize", e.normalize() ? "true" : "false");
    },
}};

}  // namespace
}  // namespace zerak::py
