// FixedZScore, RollingZScore and the module function fit_standard_scaler.
#include "fitting/standard_scaler.hpp"
#include "scalers/fixed_zscore.hpp"
#include "scalers/rolling_zscore.hpp"
#include "window_feature.hpp"

namespace zerak::py {
namespace {

const RegisterTransform<RollingZScore> rolling_zscore{window_feature<RollingZScore>(
    "RollingZScore", "Rolling z-score normalization over a sliding window.")};

const RegisterTransform<FixedZScore> fixed_zscore{{
    .name = "FixedZScore",
    .params = {names_param("inputs"), names_param("outputs"), float_param("mean"),
               float_param("std")},
    .doc = "Z-score normalization with pre-fitted mean and std.",
    .update_doc = "Process one bar. Returns ``[NaN]`` if input is ``NaN``.",
    .reset_doc = kResetScalerDoc,
    .create = [](Args& a) {
      Names inputs = a.names(0);
      return FixedZScore::create(std::move(inputs), a.names(1), a.real(2), a.real(3));
    },
    .repr = [](const FixedZScore& z, ReprFields& f) {
      f.names("inputs", z.inputs()).names("outputs", z.outputs());
    },
}};

// ---- fit_standard_scaler(data) --------------------------------------------

const CallSignature& fit_signature() {
  static const CallSignature sig{"fit_standard_scaler()", {"data"}, 1};
  return sig;
}

PyObject* fit_standard_scaler_impl(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
  ZERAK_PY_TRY
  PyObject* data = nullptr;
  if (!bind_fastcall(fit_signature(), args, nargs, kwnames, &data)) return nullptr;
  std::vector<Value> values;
  if (!read_row(data, values)) return name_argument_error("data"), nullptr;
  const Result<StandardScalerFit> fit = fit_standard_scaler(values);
  if (!fit) return raise(fit.error());
  return Py_BuildValue("(dd)", fit.value().mean, fit.value().std);
  ZERAK_PY_CATCH
}

PyMethodDef fit_def = {
    "fit_standard_scaler",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&fit_standard_scaler_impl)),
    METH_FASTCALL | METH_KEYWORDS,
    "fit_standard_scaler(data)\n--\n\nCompute mean and std from a column of data.\n\nArgs:\n    "
    "data: List of floats. Use ``float('nan')`` for missing values.\n\nReturns:\n    Tuple "
    "``(mean, std)``.",
};

}  // namespace

// A module function like those PyModule_AddFunctions makes: bound to the module.
PyObject* make_fit_standard_scaler(PyObject* module) {
  Ref name(PyModule_GetNameObject(module));
  if (!name) return nullptr;
  return PyCFunction_NewEx(&fit_def, module, name.get());
}

}  // namespace zerak::py
