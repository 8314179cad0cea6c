#include "parameters.hpp"

#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "io/convert.hpp"
#include "py_ref.hpp"

namespace zerak::py {
namespace {

template <class... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

// A real default as Python writes it ("1.0", "0.5").
std::string real_text(double d) {
  char* repr = PyOS_double_to_string(d, 'r', 0, Py_DTSF_ADD_DOT_0, nullptr);
  if (repr == nullptr) throw std::bad_alloc();
  std::string out(repr);
  PyMem_Free(repr);
  return out;
}

std::string default_text(const ParamDefault& def) {
  return std::visit(Overloaded{
                        [](Required) { return std::string(); },
                        [](NoneDefault) { return std::string("None"); },
                        [](bool b) { return std::string(b ? "True" : "False"); },
                        [](std::uint64_t u) { return std::to_string(u); },
                        [](double d) { return real_text(d); },
                        [](const char* s) { return std::string("\"") + s + "\""; },
                    },
                    def);
}

Args::Slot default_slot(const Param& p) {
  return std::visit(Overloaded{
                        [](Required) -> Args::Slot { return std::monostate{}; },
                        [&](NoneDefault) -> Args::Slot {
                          if (p.kind == ParamKind::OptFloat) return std::optional<double>{};
                          return std::optional<std::uint64_t>{};
                        },
                        [](bool b) -> Args::Slot { return b; },
                        [&](std::uint64_t u) -> Args::Slot {
                          if (p.kind == ParamKind::OptUInt) return std::optional<std::uint64_t>(u);
                          return u;
                        },
                        [](double d) -> Args::Slot { return d; },
                        [](const char* s) -> Args::Slot { return std::string(s); },
                    },
                    p.default_value);
}

bool convert_one(ParamKind kind, PyObject* obj, Args::Slot& slot) {
  switch (kind) {
    case ParamKind::Names: {
      Names names;
      if (!to_names(obj, names)) return false;
      slot = std::move(names);
      return true;
    }
    case ParamKind::UInt:
    case ParamKind::OptUInt: {
      if (kind == ParamKind::OptUInt && obj == Py_None) {
        slot = std::optional<std::uint64_t>{};
        return true;
      }
      std::uint64_t v = 0;
      if (!to_u64(obj, v)) return false;
      if (kind == ParamKind::OptUInt) {
        slot = std::optional<std::uint64_t>(v);
      } else {
        slot = v;
      }
      return true;
    }
    case ParamKind::Bool: {
      bool b = false;
      if (!to_bool(obj, b)) return false;
      slot = b;
      return true;
    }
    case ParamKind::Float:
    case ParamKind::OptFloat: {
      if (kind == ParamKind::OptFloat && obj == Py_None) {
        slot = std::optional<double>{};
        return true;
      }
      double d = 0;
      if (!to_double(obj, d)) return false;
      if (kind == ParamKind::OptFloat) {
        slot = std::optional<double>(d);
      } else {
        slot = d;
      }
      return true;
    }
    case ParamKind::Str: {
      std::string s;
      if (!to_string(obj, s)) return false;
      slot = std::move(s);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string text_signature(const std::vector<Param>& params) {
  std::string out = "(";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) out += ", ";
    out += params[i].name;
    if (!params[i].required()) {
      // Appended piecewise: `"=" + std::string&&` trips GCC 12's -Wrestrict
      // false positive (an insert at the front of the temporary).
      out += '=';
      out += default_text(params[i].default_value);
    }
  }
  return out + ")";
}

CallSignature call_signature(std::string function, const std::vector<Param>& params) {
  CallSignature sig{std::move(function), {}, 0};
  for (const Param& p : params) {
    sig.names.push_back(p.name);
    if (p.required()) ++sig.required;
  }
  return sig;
}

bool Args::convert(const std::vector<Param>& params, PyObject* const* bound) {
  slots_.assign(params.size(), std::monostate{});
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (bound[i] == nullptr) {
      slots_[i] = default_slot(params[i]);
    } else if (!convert_one(params[i].kind, bound[i], slots_[i])) {
      if (params[i].kind == ParamKind::Names) return names_argument_error(params[i].name, bound[i]);
      return name_argument_error(params[i].name);
    }
  }
  return true;
}

namespace {

// Decimal text of any 128-bit count.
std::string decimal(unsigned __int128 value) {
  char digits[40];
  char* end = digits + sizeof digits;
  char* p = end;
  do {
    *--p = static_cast<char>('0' + static_cast<int>(value % 10));
    value /= 10;
  } while (value != 0);
  return std::string(p, end);
}

}  // namespace

PyObject* raise_allocation_failure(const char* class_name, const std::vector<Param>& params,
                                   const Args& args) {
  // 128 bits: window + lag is reported exactly even where it wraps a size_t.
  unsigned __int128 values = 0;
  unsigned __int128 window_size = 0;
  bool windowed = false;
  bool has_lags = false;
  std::optional<std::uint64_t> lags;
  for (std::size_t i = 0; i < params.size(); ++i) {
    // A lag's `periods` sizes its ring as a window does.
    const bool window =
        std::strcmp(params[i].name, "window") == 0 || std::strcmp(params[i].name, "periods") == 0;
    if ((window || std::strcmp(params[i].name, "lag") == 0) && params[i].kind == ParamKind::UInt) {
      values += args.uint(i);
      if (window) window_size = args.uint(i);
      windowed = windowed || window;
    } else if (std::strcmp(params[i].name, "lags") == 0 && params[i].kind == ParamKind::OptUInt) {
      has_lags = true;
      lags = args.opt_uint(i);
    }
  }
  if (!windowed) return PyErr_Format(PyExc_MemoryError, "cannot allocate %s", class_name);
  const std::string window = decimal(values);
  if (has_lags) {  // a regression over the window, a column per lag
    const std::string workspace =
        decimal(window_size) + " x " + (lags ? decimal(*lags) : std::string("lags"));
    return PyErr_Format(PyExc_MemoryError,
                        "cannot allocate a window of %s values with a workspace of %s values",
                        window.c_str(), workspace.c_str());
  }
  return PyErr_Format(PyExc_MemoryError, "cannot allocate a window of %s values", window.c_str());
}

void ReprFields::start(const char* name) {
  if (!text_.empty()) text_ += ", ";
  text_ += name;
  text_ += '=';
}

ReprFields& ReprFields::names(const char* name, const Names& value) {
  start(name);
  text_ += render_list(value);
  return *this;
}

ReprFields& ReprFields::uint(const char* name, std::uint64_t value) {
  start(name);
  text_ += std::to_string(value);
  return *this;
}

ReprFields& ReprFields::real(const char* name, double value) {
  start(name);
  char* repr = PyOS_double_to_string(value, 'r', 0, Py_DTSF_ADD_DOT_0, nullptr);
  if (repr == nullptr) throw std::bad_alloc();
  text_ += repr;
  PyMem_Free(repr);
  return *this;
}

ReprFields& ReprFields::quoted(const char* name, const std::string& value) {
  start(name);
  text_ += '"';
  text_ += value;
  text_ += '"';
  return *this;
}

ReprFields& ReprFields::raw(const char* name, const std::string& text) {
  start(name);
  text_ += text;
  return *this;
}

}  // namespace zerak::py
