#include "numeric_view.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "simd/dispatch.hpp"

namespace zerak::py {
namespace {

template <class U>
U byteswap(U u) noexcept {
  U r = 0;
  for (std::size_t b = 0; b < sizeof(U); ++b) {
    r = static_cast<U>((r << 8) | (u & 0xFF));
    u = static_cast<U>(u >> 8);
  }
  return r;
}

double from_half(std::uint16_t h) noexcept {
  const int exponent = (h >> 10) & 0x1F;
  const double mantissa = h & 0x3FF;
  double magnitude;
  if (exponent == 0) {
    magnitude = std::ldexp(mantissa, -24);  // subnormal (or zero)
  } else if (exponent == 31) {
    magnitude = mantissa == 0 ? HUGE_VAL : std::nan("");
  } else {
    magnitude = std::ldexp(mantissa + 1024.0, exponent - 25);
  }
  return (h & 0x8000) ? -magnitude : magnitude;
}

// Items stored as the unsigned integer `Bits`, turned into a double by `to`.
template <class Bits, bool Swap, class To>
void convert(const char* p, Py_ssize_t stride, std::size_t n, Value* out, To to) noexcept {
  for (std::size_t i = 0; i < n; ++i, p += stride) {
    Bits bits;
    std::memcpy(&bits, p, sizeof bits);
    if constexpr (Swap) bits = byteswap(bits);
    const double d = to(bits);
    doubles(out)[i] = d != d ? kMissingDouble : d;  // NaN: missing
  }
}

template <class Bits, class To>
void convert(bool swap, const char* p, Py_ssize_t stride, std::size_t n, Value* out,
             To to) noexcept {
  if (swap) {
    convert<Bits, true>(p, stride, n, out, to);
  } else {
    convert<Bits, false>(p, stride, n, out, to);
  }
}

template <class Int>
auto as_int() noexcept {
  return [](auto bits) { return static_cast<double>(std::bit_cast<Int>(bits)); };
}

}  // namespace

NumericView::NumericView(PyObject* obj) {
  if (!PyObject_CheckBuffer(obj)) return;
  if (PyObject_GetBuffer(obj, &view_, PyBUF_RECORDS_RO) != 0) {
    // A buffer that needs suboffsets or the like: read it as a sequence.
    if (PyErr_ExceptionMatches(PyExc_BufferError) || PyErr_ExceptionMatches(PyExc_ValueError) ||
        PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Clear();
    } else {
      failed_ = true;
    }
    return;
  }
  held_ = true;
  ndim_ = view_.ndim;
  if (ndim_ > 0 && view_.shape == nullptr) {  // no shape: the bytes as one dimension
    ndim_ = 1;
    shape_[0] = view_.itemsize > 0 ? view_.len / view_.itemsize : 0;
    strides_[0] = view_.itemsize;
  } else if (ndim_ == 1 || ndim_ == 2) {
    for (int d = 0; d < ndim_; ++d) shape_[d] = view_.shape[d];
    if (view_.strides != nullptr) {
      for (int d = 0; d < ndim_; ++d) strides_[d] = view_.strides[d];
    } else {  // C-contiguous
      strides_[ndim_ - 1] = view_.itemsize;
      if (ndim_ == 2) strides_[0] = view_.itemsize * shape_[1];
    }
  }

  const char* f = format();
  char order = '@';
  if (*f == '@' || *f == '=' || *f == '<' || *f == '>' || *f == '!') order = *f++;
  if (f[0] == '\0' || f[1] != '\0') return;
  constexpr bool little = std::endian::native == std::endian::little;
  swap_ = (order == '<' && !little) || ((order == '>' || order == '!') && little);

  const Py_ssize_t size = view_.itemsize;
  const auto sized = [size](Kind k1, Kind k2, Kind k4, Kind k8) {
    switch (size) {
      case 1: return k1;
      case 2: return k2;
      case 4: return k4;
      case 8: return k8;
      default: return Kind::kNone;
    }
  };
  switch (*f) {
    case 'd': kind_ = size == 8 ? Kind::kF64 : Kind::kNone; break;
    case 'f': kind_ = size == 4 ? Kind::kF32 : Kind::kNone; break;
    case 'e': kind_ = size == 2 ? Kind::kF16 : Kind::kNone; break;
    case '?': kind_ = size == 1 ? Kind::kBool : Kind::kNone; break;
    case 'b':
    case 'h':
    case 'i':
    case 'l':
    case 'q':
    case 'n': kind_ = sized(Kind::kI8, Kind::kI16, Kind::kI32, Kind::kI64); break;
    case 'B':
    case 'H':
    case 'I':
    case 'L':
    case 'Q':
    case 'N': kind_ = sized(Kind::kU8, Kind::kU16, Kind::kU32, Kind::kU64); break;
    default: break;
  }
}

bool NumericView::unreadable(PyObject* obj) const noexcept {
  if (!other_format()) return false;
  return PyMemoryView_Check(obj) || std::strchr(format(), 'Z') != nullptr;
}

void NumericView::read(const char* start, Py_ssize_t stride, std::size_t count,
                       Value* out) const noexcept {
  const char* p = start;
  switch (kind_) {
    case Kind::kF64:
      if (!swap_ && stride == sizeof(double)) {  // the common case, contiguous
        if (reinterpret_cast<std::uintptr_t>(p) % alignof(double) == 0) {
          return simd::kernels().missing_from_nan(reinterpret_cast<const double*>(p), count,
                                                  doubles(out));
        }
        for (std::size_t i = 0; i < count; ++i) {
          double d;
          std::memcpy(&d, p + i * sizeof d, sizeof d);
          out[i] = d != d ? kMissing : Value::computed(d);
        }
        return;
      }
      return convert<std::uint64_t>(swap_, p, stride, count, out,
                                    [](std::uint64_t b) { return std::bit_cast<double>(b); });
    case Kind::kF32:
      return convert<std::uint32_t>(swap_, p, stride, count, out, [](std::uint32_t b) {
        return static_cast<double>(std::bit_cast<float>(b));
      });
    case Kind::kF16: return convert<std::uint16_t>(swap_, p, stride, count, out, from_half);
    case Kind::kI8:
      return convert<std::uint8_t>(false, p, stride, count, out, as_int<std::int8_t>());
    case Kind::kI16:
      return convert<std::uint16_t>(swap_, p, stride, count, out, as_int<std::int16_t>());
    case Kind::kI32:
      return convert<std::uint32_t>(swap_, p, stride, count, out, as_int<std::int32_t>());
    case Kind::kI64:
      return convert<std::uint64_t>(swap_, p, stride, count, out, as_int<std::int64_t>());
    case Kind::kU8:
      return convert<std::uint8_t>(false, p, stride, count, out, as_int<std::uint8_t>());
    case Kind::kU16:
      return convert<std::uint16_t>(swap_, p, stride, count, out, as_int<std::uint16_t>());
    case Kind::kU32:
      return convert<std::uint32_t>(swap_, p, stride, count, out, as_int<std::uint32_t>());
    case Kind::kU64:
      return convert<std::uint64_t>(swap_, p, stride, count, out, as_int<std::uint64_t>());
    case Kind::kBool:
      return convert<std::uint8_t>(false, p, stride, count, out,
                                   [](std::uint8_t b) { return b != 0 ? 1.0 : 0.0; });
    case Kind::kNone: return;
  }
}

const Value* NumericView::lend(const char* start, Py_ssize_t stride,
                               std::size_t count) const noexcept {
  if (kind_ != Kind::kF64 || swap_ || stride != sizeof(double) ||
      reinterpret_cast<std::uintptr_t>(start) % alignof(double) != 0) {
    return nullptr;
  }
  const auto* d = reinterpret_cast<const double*>(start);
  return simd::kernels().any_nan(d, count) ? nullptr : values_of(d);
}

bool refuse_unfit_buffer(const NumericView& view, PyObject* data, const char* rows,
                         const char* one_dim_rows, const char* reshape) {
  // 0-D buffers and other formats go the sequence way, which says what is
  // wrong with their items; an empty 1-D buffer is an empty dataset.
  if ((view && view.ndim() > 2) || view.unreadable(data)) {
    if (view) {
      PyErr_Format(PyExc_TypeError,
                   "argument 'data': expected a 2-dimensional buffer of %s, got %d dimension(s)",
                   rows, view.ndim());
    } else {
      PyErr_Format(PyExc_TypeError, "argument 'data': unsupported buffer format '%s'",
                   view.format());
    }
    return false;
  }
  if (view && view.ndim() == 1 && view.extent(0) > 0) {
    PyErr_Format(PyExc_TypeError,
                 "argument 'data': expected a 2-dimensional array of %s, got a 1-dimensional "
                 "one: %s",
                 one_dim_rows, reshape);
    return false;
  }
  return true;
}

}  // namespace zerak::py
