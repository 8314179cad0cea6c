/* The floor of a live call: a trivial C method that takes a one-element list
   and returns a new one-element list. Nothing zerak does per call can be
   cheaper than this. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

static PyObject* floor_update(PyObject* self, PyObject* values) {
  (void)self;
  if (!PyList_Check(values) || PyList_GET_SIZE(values) < 1) {
    PyErr_SetString(PyExc_TypeError, "expected a non-empty list");
    return NULL;
  }
  double x = PyFloat_AsDouble(PyList_GET_ITEM(values, 0));
  if (x == -1.0 && PyErr_Occurred()) return NULL;
  PyObject* out = PyList_New(1);
  if (out == NULL) return NULL;
  PyObject* f = PyFloat_FromDouble(x);
  if (f == NULL) {
    Py_DECREF(out);
    return NULL;
  }
  PyList_SET_ITEM(out, 0, f);
  return out;
}

/* The floor of a method without parameters, in both calling conventions:
   METH_NOARGS, and METH_FASTCALL | METH_KEYWORDS checking for no arguments
   itself (how zerak's methods take none). */
static PyObject* floor_noargs(PyObject* self, PyObject* unused) {
  (void)self;
  (void)unused;
  Py_RETURN_NONE;
}

static PyObject* floor_fastcall_noargs(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                                       PyObject* kwnames) {
  (void)self;
  (void)args;
  if (nargs != 0 || kwnames != NULL) {
    PyErr_SetString(PyExc_TypeError, "takes no arguments");
    return NULL;
  }
  Py_RETURN_NONE;
}

static PyMethodDef floor_methods[] = {
    {"update", floor_update, METH_O, NULL},
    {"noargs", floor_noargs, METH_NOARGS, NULL},
    {"fastcall_noargs", (PyCFunction)(void (*)(void))floor_fastcall_noargs,
     METH_FASTCALL | METH_KEYWORDS, NULL},
    {NULL, NULL, 0, NULL},
};

static PyType_Slot floor_slots[] = {
    {Py_tp_methods, floor_methods},
    {0, NULL},
};

static PyType_Spec floor_spec = {"_zerak_floor.Floor", sizeof(PyObject), 0, Py_TPFLAGS_DEFAULT,
                                 floor_slots};

static struct PyModuleDef floor_module = {PyModuleDef_HEAD_INIT, "_zerak_floor", NULL, -1, NULL};

PyMODINIT_FUNC PyInit__zerak_floor(void) {
  PyObject* m = PyModule_Create(&floor_module);
  if (m == NULL) return NULL;
  PyObject* type = PyType_FromSpec(&floor_spec);
  if (type == NULL || PyModule_AddObjectRef(m, "Floor", type) < 0) {
    Py_XDECREF(type);
    Py_DECREF(m);
    return NULL;
  }
  Py_DECREF(type);
  return m;
}
