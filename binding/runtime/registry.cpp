#include "registry.hpp"

#include "custom/object_transform.hpp"

#include <cstddef>

#include "catalogue.hpp"

namespace zerak::py {
namespace {

// One row per transform and target class of the class list.
#define ZERAK_COUNT_CLASS(Class) +1
constexpr std::size_t kMaxClasses =
    0 ZERAK_TRANSFORM_CLASSES(ZERAK_COUNT_CLASS) ZERAK_TARGET_CLASSES(ZERAK_COUNT_CLASS);
#undef ZERAK_COUNT_CLASS

struct ClassRow {
  PyObject* type;  // strong reference
  const TransformHooks* transform;
  const TargetHooks* target;
};

// Zero-filled by the module's creation; rows are added in order.
struct ModuleState {
  std::size_t count;
  ClassRow rows[kMaxClasses];
};

ModuleState* state_of(PyObject* module) noexcept {
  return static_cast<ModuleState*>(PyModule_GetState(module));
}

int traverse(PyObject* module, visitproc visit, void* arg) {
  ModuleState* state = state_of(module);
  if (state == nullptr) return 0;
  for (std::size_t i = 0; i < state->count; ++i) Py_VISIT(state->rows[i].type);
  return 0;
}

int clear(PyObject* module) {
  ModuleState* state = state_of(module);
  if (state == nullptr) return 0;
  for (std::size_t i = 0; i < state->count; ++i) Py_CLEAR(state->rows[i].type);
  state->count = 0;
  return 0;
}

void free_state(void* module) { clear(static_cast<PyObject*>(module)); }

PyModuleDef g_definition = {
    PyModuleDef_HEAD_INIT,
    "_zerak",
    "",
    sizeof(ModuleState),
    nullptr,  // methods
    nullptr,  // slots
    &traverse,
    &clear,
    &free_state,
};

// The row of the object's class, found through the module that created the class.
const ClassRow* find_row(PyObject* obj) noexcept {
  PyTypeObject* type = Py_TYPE(obj);
  // Only classes made by add_class have a module; any other raises TypeError.
  PyObject* module = PyType_GetModuleByDef(type, &g_definition);
  if (module == nullptr) {
    PyErr_Clear();
    return nullptr;
  }
  const ModuleState* state = state_of(module);
  for (std::size_t i = 0; i < state->count; ++i) {
    if (state->rows[i].type == reinterpret_cast<PyObject*>(type)) return &state->rows[i];
  }
  return nullptr;
}

}  // namespace

PyModuleDef& module_definition() noexcept { return g_definition; }

bool add_class(PyObject* module, PyObject* type, const TransformHooks* transform,
               const TargetHooks* target) {
  ModuleState* state = state_of(module);
  if (state == nullptr) return false;
  if (state->count == kMaxClasses) {
    PyErr_SetString(PyExc_SystemError, "_zerak: too many classes for its class table");
    return false;
  }
  state->rows[state->count++] = {Py_NewRef(type), transform, target};
  return true;
}

const TransformHooks* find_transform_hooks(PyObject* obj) noexcept {
  const ClassRow* row = find_row(obj);
  return row != nullptr ? row->transform : nullptr;
}

namespace {

// The object of the first class whose `Hooks` (a row's member `kind`) wrap
// `core`; false when none does.
template <class Hooks, class Core>
bool wrap_with(const Hooks* ClassRow::* kind, const Core& core, PyObject** out) {
  PyObject* module = PyState_FindModule(&g_definition);  // borrowed
  const ModuleState* state = module != nullptr ? state_of(module) : nullptr;
  if (state == nullptr) return false;
  for (std::size_t i = 0; i < state->count; ++i) {
    const Hooks* hooks = state->rows[i].*kind;
    if (hooks != nullptr && hooks->wrap_copy(core, out)) return true;
  }
  return false;
}

}  // namespace

PyObject* wrap_transform_copy(const StreamingTransform& core) {
  if (PyObject* out = nullptr; wrap_with(&ClassRow::transform, core, &out)) return out;
  if (PyObject* out = nullptr; wrap_user_transform(core, &out)) return out;
  PyErr_SetString(PyExc_SystemError, "_zerak: a transform of no class in the class table");
  return nullptr;
}

const TargetHooks* find_target_hooks(PyObject* obj) noexcept {
  const ClassRow* row = find_row(obj);
  return row != nullptr ? row->target : nullptr;
}

PyObject* wrap_target_copy(const Target& core) {
  if (PyObject* out = nullptr; wrap_with(&ClassRow::target, core, &out)) return out;
  PyErr_SetString(PyExc_SystemError, "_zerak: a target of no class in the class table");
  return nullptr;
}

}  // namespace zerak::py
