// Correlation and AutoCorrelation: the method arrives as a string, parsed
// here before the core constructor runs.
#include <optional>
#include <string>
#include <string_view>

#include "features/auto_correlation.hpp"
#include "features/correlation.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

constexpr std::string_view kMethodNames[] = {"pearson", "spearman", "kendall"};

Result<CorrelationMethod> parse_correlation_method(const std::string& method) {
  for (std::size_t i = 0; i < std::size(kMethodNames); ++i) {
    if (method == kMethodNames[i]) return static_cast<CorrelationMethod>(i);
  }
  return ZerakError::invalid_config(
      "method must be 'pearson', 'spearman', or 'kendall', got '" + method + "'");
}

// Only the three exact names are accepted, so the name of the parsed method
// is the string the caller passed.
std::string method_name(CorrelationMethod method) {
  return std::string(kMethodNames[static_cast<std::size_t>(method)]);
}

const RegisterTransform<Correlation> correlation{{
    .name = "Correlation",
    .params = {names_param("inputs"), uint_param("window"), names_param("outputs"),
               str_param("method", "pearson")},
    .doc = "Rolling pairwise correlation between two input series.\n\n"
           "Supports three methods:\n\n"
           "- ``'pearson'``: linear correlation, O(n) per bar. Suitable for live trading.\n"
           "- ``'spearman'``: rank correlation, O(n log n) per bar. Suitable for live trading.\n"
           "- ``'kendall'``: Kendall tau-b rank correlation, O(n^2) per bar. Prefer\n"
           "  small windows (window <= 30) for live trading.\n\n"
           "Returns ``NaN`` during warm-up or when either series is constant over the window.",
    .update_doc = "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input,\n"
                  "or when either series is constant over the window.",
    .reset_doc = kResetFeatureDoc,
    .create = [](Args& a) -> Result<Correlation> {
      const Result<CorrelationMethod> method = parse_correlation_method(a.str(3));
      if (!method) return method.error();
      const std::size_t window = a.uint(1);
      return Correlation::create(a.names(0), window, a.names(2), method.value());
    },
    .repr = [](const Correlation& c, ReprFields& f) {
      f.names("inputs", c.inputs())
          .uint("window", c.window())
          .names("outputs", c.outputs())
          .quoted("method", method_name(c.method()));
    },
}};

const RegisterTransform<AutoCorrelation> auto_correlation{{
    .name = "AutoCorrelation",
    .params = {names_param("inputs"), uint_param("window"), names_param("outputs"),
               uint_param("lag", 1), str_param("method", "pearson")},
    .doc = "Rolling autocorrelation of a single series at a fixed lag.\n\n"
           "Computes the correlation between the current window ``x[t-window+1..t]``\n"
           "and the lagged window ``x[t-window+1-lag..t-lag]``. Supports the same\n"
           "three methods as ``Correlation``.\n\n"
           "Returns ``NaN`` during warm-up or when either sub-window is constant.",
    .update_doc = "Process one bar. Returns ``[NaN]`` during warm-up, on ``NaN`` input,\n"
                  "or when either sub-window is constant.",
    .reset_doc = kResetFeatureDoc,
    .create = [](Args& a) -> Result<AutoCorrelation> {
      const Result<CorrelationMethod> method = parse_correlation_method(a.str(4));
      if (!method) return method.error();
      const std::size_t window = a.uint(1);
      const std::size_t lag = a.uint(3);
      return AutoCorrelation::create(a.names(0), window, a.names(2), lag, method.value());
    },
    .repr = [](const AutoCorrelation& c, ReprFields& f) {
      f.names("inputs", c.inputs())
          .uint("window", c.window())
          .names("outputs", c.outputs())
          .uint("lag", c.lag())
          .quoted("method", method_name(c.method()));
    },
}};

}  // namespace
}  // namespace zerak::py
