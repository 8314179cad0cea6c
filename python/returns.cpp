// LogReturn and SimpleReturn over a lookback of `window` bars.
#include "features/log_return.hpp"
#include "features/simple_return.hpp"
#include "window_feature.hpp"

namespace zerak::py {
namespace {

const RegisterTransform<SimpleReturn> simple_return{window_feature<SimpleReturn>(
    "SimpleReturn", "Simple (arithmetic) return over a configurable lookback window.")};
const RegisterTransform<LogReturn> log_return{
    window_feature<LogReturn>("LogReturn", "Log return over a configurable lookback window.")};

}  // namespace
}  // namespace zerak::py
