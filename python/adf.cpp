// The rolling augmented Dickey-Fuller test.
#include <optional>
#include <string>

#include "features/adf.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

using Regression = ops::AdfRegression;

std::optional<Regression> parse_regression(const std::string& text) {
  if (text == "c") return Regression::Constant;
  if (text == "ct") return Regression::ConstantTrend;
  return std::nullopt;
}

const char* regression_text(Regression regression) {
  return regression == Regression::Constant ? "c" : "ct";
}

const RegisterTransform<Adf> adf{{
    .name = "Adf",
    .params = {names_param("inputs"), uint_param("window"), names_param("outputs"),
               opt_uint_param("lags"), str_param("regression", "c")},
    .doc = "Rolling Augmented Dickey-Fuller test.\n\n"
           "Produces two outputs per bar: the ADF statistic and its approximate p-value.\n"
           "A very negative stat (e.g. below -3.5 for ``regression='c'``) and a small\n"
           "p-value indicate stationarity (rejection of the unit-root null hypothesis).\n\n"
           "P-values use the asymptotic MacKinnon (2010) distribution. Results are most\n"
           "reliable for ``window >= 100``.",
    .update_doc = "Process one bar. Returns ``[adf_stat, adf_pval]``, both ``NaN`` during\n"
                  "warm-up, on ``NaN`` input, or when OLS is singular.",
    .reset_doc = kResetFeatureDoc,
    .create = [](Args& a) -> Result<Adf> {
      // The regression string is the binding's to parse, before any core check.
      const std::optional<Regression> regression = parse_regression(a.str(4));
      if (!regression) {
        return ZerakError::invalid_config("regression must be 'c' or 'ct', got '" + a.str(4) +
                                          "'");
      }
      return Adf::create(a.names(0), a.uint(1), a.names(2), a.opt_uint(3), *regression);
    },
    .repr = [](const Adf& t, ReprFields& f) {
      f.names("inputs", t.inputs())
          .uint("window", t.window())
          .names("outputs", t.outputs())
          .quoted("regression", regression_text(t.regression()));
    },
}};

}  // namespace
}  // namespace zerak::py
