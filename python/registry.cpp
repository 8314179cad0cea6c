#include "registry.hpp"

#include <cstring>
#include <vector>

namespace zerak::py {
namespace {

// A function-local static: registrations run during static initialisation of
// this shared library, in no particular order across files.
std::vector<Export>& exports() {
  static std::vector<Export> all;
  return all;
}

}  // namespace

ExportRegistration::ExportRegistration(std::span<const Export> entries) noexcept {
  for (const Export& e : entries) exports().push_back(e);
}

const Export* find_export(const char* name) noexcept {
  for (const Export& e : exports()) {
    if (std::strcmp(e.name, name) == 0) return &e;
  }
  return nullptr;
}

}  // namespace zerak::py
