// The module function fit_standard_scaler(data): the mean and standard
// deviation that a FixedZScore is configured with.
#include "fitting/standard_scaler.hpp"
#include "io/convert.hpp"
#include "runtime/binding.hpp"
#include "runtime/exceptions.hpp"
#include "runtime/py_ref.hpp"
#include "runtime/registry.hpp"

namespace zerak::py {
namespace {

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
