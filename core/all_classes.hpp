#pragma once

// Every class of the library, for the tests and benches that go over them
// all; nothing in the library includes it (each unit includes its family).
#include <algorithm>
#include <array>
#include <string_view>

#include "catalogue.hpp"
#include "features/averages/family.hpp"
#include "features/correlation/family.hpp"
#include "features/extremes/family.hpp"
#include "features/indicators/close/family.hpp"
#include "features/indicators/range/family.hpp"
#include "features/indicators/volume/family.hpp"
#include "features/moments/family.hpp"
#include "features/order_statistics/family.hpp"
#include "features/returns/family.hpp"
#include "features/statistics/family.hpp"
#include "features/volatility/family.hpp"
#include "operators/family.hpp"
#include "pipeline/family.hpp"
#include "scalers/family.hpp"
#include "targets/family.hpp"

#define ZERAK_FAMILY_CLASSES(X)                                                         \
  ZERAK_MOMENTS_FAMILY(X) ZERAK_AVERAGES_FAMILY(X) ZERAK_ORDER_STATISTICS_FAMILY(X)    \
  ZERAK_STATISTICS_FAMILY(X) ZERAK_EXTREMES_FAMILY(X) ZERAK_RETURNS_FAMILY(X)          \
  ZERAK_VOLATILITY_FAMILY(X) ZERAK_CORRELATION_FAMILY(X) ZERAK_CLOSE_INDICATORS_FAMILY(X) \
  ZERAK_RANGE_INDICATORS_FAMILY(X) ZERAK_VOLUME_INDICATORS_FAMILY(X)                   \
  ZERAK_OPERATORS_FAMILY(X) ZERAK_SCALERS_FAMILY(X) ZERAK_TARGETS_FAMILY(X)            \
  ZERAK_PIPELINES_FAMILY(X)

namespace zerak::catalogue_check {

#define ZERAK_NAME_OF(Class) std::string_view{#Class},
inline constexpr std::array kCatalogued{ZERAK_SNAPSHOT_CLASSES(ZERAK_NAME_OF)};
inline constexpr std::array kInFamilies{ZERAK_FAMILY_CLASSES(ZERAK_NAME_OF)};
#undef ZERAK_NAME_OF

// The same names, each once: a class of a family missing from the catalogue
// would not be exported.
constexpr bool same_classes() {
  auto a = kCatalogued;
  auto b = kInFamilies;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return std::equal(a.begin(), a.end(), b.begin(), b.end()) &&
         std::adjacent_find(a.begin(), a.end()) == a.end();
}
static_assert(same_classes(), "catalogue.hpp and the family lists do not name the same classes");

}  // namespace zerak::catalogue_check
