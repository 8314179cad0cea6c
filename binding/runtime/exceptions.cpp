#include "exceptions.hpp"

#include <new>
#include <stdexcept>
#include <string>
#include <variant>

#include "registry.hpp"

namespace zerak::py {
namespace {

// Created once by module initialisation and kept for the life of the process.
PyObject* g_zerak_error = nullptr;
PyObject* g_invalid_config = nullptr;
PyObject* g_invalid_input = nullptr;
PyObject* g_missing_input_column = nullptr;
PyObject* g_duplicate_output_key = nullptr;
PyObject* g_cyclic_dependency = nullptr;

PyObject* make_exception(PyObject*& slot, const char* qualified_name, PyObject* base) {
  if (slot == nullptr) {
    slot = PyErr_NewExceptionWithDoc(qualified_name, nullptr, base, nullptr);
    if (slot == nullptr) return nullptr;
  }
  return Py_NewRef(slot);
}

PyObject* make_derived(PyObject*& slot, const char* qualified_name) {
  if (g_zerak_error == nullptr) {
    PyErr_SetString(PyExc_SystemError, "ZerakError must be registered first");
    return nullptr;
  }
  return make_exception(slot, qualified_name, g_zerak_error);
}

PyObject* class_of(const ZerakError& error) {
  switch (error.variant().index()) {
    case 0: return g_invalid_config;
    case 1: return g_invalid_input;
    case 2: return g_missing_input_column;
    case 3: return g_duplicate_output_key;
    default: return g_cyclic_dependency;
  }
}
static_assert(
    std::is_same_v<std::variant_alternative_t<0, ZerakError::Variant>, ZerakError::InvalidConfig>);
static_assert(std::is_same_v<std::variant_alternative_t<4, ZerakError::Variant>,
                             ZerakError::CyclicDependency>);

PyObject* raise_message(PyObject* cls, const std::string& message) {
  PyObject* text = PyUnicode_FromStringAndSize(message.data(), Py_ssize_t(message.size()));
  if (text != nullptr) {
    PyErr_SetObject(cls, text);
    Py_DECREF(text);
  }
  return nullptr;
}

}  // namespace

PyObject* raise(const ZerakError& error) {
  ZERAK_PY_TRY
  return raise_message(class_of(error), error.message());
  ZERAK_PY_CATCH
}

PyObject* raise_invalid_input(const char* message) {
  PyErr_SetString(g_invalid_input, message);
  return nullptr;
}

PyObject* raise_from_current_exception() noexcept {
  try {
    throw;
  } catch (const PythonRaised&) {
    if (!PyErr_Occurred())
      PyErr_SetString(PyExc_SystemError, "a Python call failed without an error");
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::length_error&) {
    PyErr_NoMemory();  // a size beyond what any allocation can hold
  } catch (const std::exception& e) {
    PyErr_Format(PyExc_RuntimeError, "internal error: %s", e.what());
  } catch (...) {
    PyErr_SetString(PyExc_RuntimeError, "internal error: unknown C++ exception");
  }
  return nullptr;
}

PyObject* make_zerak_error(PyObject*) {
  return make_exception(g_zerak_error, "_zerak.ZerakError", PyExc_Exception);
}
PyObject* make_invalid_config_error(PyObject*) {
  return make_derived(g_invalid_config, "_zerak.InvalidConfigError");
}
PyObject* make_invalid_input_error(PyObject*) {
  return make_derived(g_invalid_input, "_zerak.InvalidInputError");
}
PyObject* make_missing_input_column_error(PyObject*) {
  return make_derived(g_missing_input_column, "_zerak.MissingInputColumnError");
}
PyObject* make_duplicate_output_key_error(PyObject*) {
  return make_derived(g_duplicate_output_key, "_zerak.DuplicateOutputKeyError");
}
PyObject* make_cyclic_dependency_error(PyObject*) {
  return make_derived(g_cyclic_dependency, "_zerak.CyclicDependencyError");
}

}  // namespace zerak::py
