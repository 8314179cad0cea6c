#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

// The module zerak._dispatch: which instruction set the research kernels use.
// `active()` names it; `use(name)` switches every later call to another one
// this CPU has, so that tests can run each path and compare their bits. Like
// zerak._snapshot it lives in sys.modules only, leaving _zerak's namespace
// as documented.
namespace zerak::py {

// Creates the module and adds it to sys.modules; false with an error set.
bool add_dispatch_module();

}  // namespace zerak::py
