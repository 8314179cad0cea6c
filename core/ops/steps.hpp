#pragma once

// The arithmetic of one window entry, written once for the live path and the
// block kernels: V is double (a live window, a kernel's scalar tail) or a
// vector of doubles whose lanes are windows. Each step is the exact sequence
// of IEEE operations both paths perform, so they agree bit for bit.
//
// The kernels include this under a wider instruction set, so it includes
// nothing, calls no library function and gives everything internal linkage:
// no copy compiled for a wider set may be merged into the baseline path.
namespace zerak::steps {
namespace {

// The running sum of a window, from 0.0, oldest entry first.
template <class V>
inline V sum(V acc, V x) noexcept {
  return acc + x;
}

// The sum of squared deviations from the window's mean.
template <class V>
inline V centered_square(V acc, V x, V mean) noexcept {
  const V d = x - mean;
  return acc + d * d;
}

// An entry in standard units.
template <class V>
inline V standardized(V x, V mean, V sd) noexcept {
  return (x - mean) / sd;
}

// Sums of the third and fourth powers of standardized entries.
template <class V>
inline V cube(V acc, V z) noexcept {
  return acc + (z * z) * z;
}
template <class V>
inline V fourth(V acc, V z) noexcept {
  return acc + (z * z) * (z * z);
}

// The three sums of products of two series' deviations.
template <class V>
struct Products {
  V xx;
  V xy;
  V yy;
};

template <class V>
inline void products(Products<V>& acc, V dx, V dy) noexcept {
  acc.xy = acc.xy + dx * dy;
  acc.xx = acc.xx + dx * dx;
  acc.yy = acc.yy + dy * dy;
}

template <class V>
inline void centered_products(Products<V>& acc, V x, V y, V mean_x, V mean_y) noexcept {
  products(acc, x - mean_x, y - mean_y);
}

}  // namespace
}  // namespace zerak::steps
