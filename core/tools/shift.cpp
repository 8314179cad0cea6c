#include "shift.hpp"

#include <algorithm>

namespace zerak::tools {

std::vector<Value> shift_ahead(std::vector<Value> series, std::size_t ahead) {
  const std::size_t len = series.size();
  const std::size_t k = ahead < len ? ahead : len;
  std::move(series.begin() + static_cast<std::ptrdiff_t>(k), series.end(), series.begin());
  std::fill(series.end() - static_cast<std::ptrdiff_t>(k), series.end(), kMissing);
  return series;
}

}  // namespace zerak::tools
