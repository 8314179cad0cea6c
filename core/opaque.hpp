#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "error.hpp"
#include "traits.hpp"

namespace zerak {

// A transform defined by the program embedding the core (an object of its
// language). Pipelines run it like any other; a snapshot keeps the bytes it
// gives under its own record tag, and gives them back on load to the loader
// registered for that tag. Either side may throw the embedder's exceptions:
// the core only passes them on.
class OpaqueTransform : public StreamingTransform {
 public:
  // Letters only, and no core class name.
  [[nodiscard]] virtual std::string_view record_tag() const noexcept = 0;
  // Configuration and state as bytes the tag's loader turns back into an
  // equal transform.
  [[nodiscard]] virtual std::vector<std::uint8_t> payload() const = 0;
};

using OpaqueLoader =
    Result<std::unique_ptr<StreamingTransform>> (*)(std::span<const std::uint8_t> payload);

// Registers the loader of a tag, replacing any earlier one (at start-up,
// before any snapshot is read).
void register_opaque_loader(std::string_view tag, OpaqueLoader loader);

}  // namespace zerak
