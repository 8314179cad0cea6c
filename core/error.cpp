#include "error.hpp"

#include <cstdio>

namespace zerak {
namespace {

template <class... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

void append_escaped(std::string& out, std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char ch = name[i];
    const auto c = static_cast<unsigned char>(ch);
    // U+0080..U+009F (C1 controls) are encoded as 0xC2 0x80..0x9F.
    if (c == 0xC2 && i + 1 < name.size()) {
      const auto next = static_cast<unsigned char>(name[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u{%x}", next);
        out += buf;
        ++i;
        continue;
      }
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u{%x}", c);
          out += buf;
        } else {
          out += ch;  // UTF-8 continuation bytes pass through unchanged
        }
    }
  }
}

}  // namespace

std::string render_list(const std::vector<std::string>& names) {
  std::string out = "[";
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += ", ";
    out += '"';
    append_escaped(out, names[i]);
    out += '"';
  }
  out += ']';
  return out;
}

std::string ZerakError::message() const {
  return std::visit(Overloaded{
                        [](const InvalidConfig& e) { return e.msg; },
                        [](const InvalidInput& e) { return e.msg; },
                        [](const MissingInputColumn& e) {
                          return "missing input column(s): " + render_list(e.missing);
                        },
                        [](const DuplicateOutputKey& e) {
                          return "duplicate output key '" + e.key + "': produced by index " +
                                 std::to_string(e.idx_a) + " and " + std::to_string(e.idx_b);
                        },
                        [](const CyclicDependency&) {
                          return std::string("cyclic dependency detected among features");
                        },
                    },
                    v_);
}

}  // namespace zerak
