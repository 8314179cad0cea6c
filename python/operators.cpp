// The eight element-wise operators: (inputs, outputs), no parameters.
#include "operators/add.hpp"
#include "operators/divide.hpp"
#include "operators/log.hpp"
#include "operators/logit.hpp"
#include "operators/multiply.hpp"
#include "operators/neg_log.hpp"
#include "operators/reciprocal.hpp"
#include "operators/subtract.hpp"
#include "wrapper.hpp"

namespace zerak::py {
namespace {

constexpr const char* kEitherNaN = "Process one bar. Returns ``[NaN]`` if either input is ``NaN``.";

template <class Op>
TransformEntry<Op> operator_entry(const char* name, const char* doc, const char* update_doc) {
  return {
      .name = name,
      .params = {names_param("inputs"), names_param("outputs")},
      .doc = doc,
      .update_doc = update_doc,
      .reset_doc = kResetOperatorDoc,
      .create = [](Args& a) { return Op::create(a.names(0), a.names(1)); },
      .repr = [](const Op& op, ReprFields& f) {
        f.names("inputs", op.inputs()).names("outputs", op.outputs());
      },
  };
}

const RegisterTransform<Add> add{
    operator_entry<Add>("Add", "Element-wise addition: A + B.", kEitherNaN)};
const RegisterTransform<Subtract> subtract{
    operator_entry<Subtract>("Subtract", "Element-wise subtraction: A - B.", kEitherNaN)};
const RegisterTransform<Multiply> multiply{
    operator_entry<Multiply>("Multiply", "Element-wise multiplication: A * B.", kEitherNaN)};
const RegisterTransform<Divide> divide{operator_entry<Divide>(
    "Divide", "Element-wise division: A / B.",
    "Process one bar. Returns ``[NaN]`` if either input is ``NaN`` or B is 0.")};
const RegisterTransform<Log> log{
    operator_entry<Log>("Log", "Natural logarithm: ln(x).",
                        "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or <= 0.")};
const RegisterTransform<NegLog> neg_log{
    operator_entry<NegLog>("NegLog", "Negative natural logarithm: -ln(x).",
                           "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or <= 0.")};
const RegisterTransform<Logit> logit{operator_entry<Logit>(
    "Logit", "Logit function: ln(x / (1 - x)).",
    "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or outside the open interval (0, 1).")};
const RegisterTransform<Reciprocal> reciprocal{
    operator_entry<Reciprocal>("Reciprocal", "Multiplicative inverse: 1 / x.",
                               "Process one bar. Returns ``[NaN]`` if input is ``NaN`` or 0.")};

}  // namespace
}  // namespace zerak::py
