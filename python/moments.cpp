// Rolling moments: bias-corrected skewness and excess kurtosis.
#include "features/kurtosis.hpp"
#include "features/skewness.hpp"
#include "window_feature.hpp"

namespace zerak::py {
namespace {

const RegisterTransform<Skewness> skewness{
    window_feature<Skewness>("Skewness", "Rolling sample skewness (Fisher-Pearson corrected).")};
const RegisterTransform<Kurtosis> kurtosis{
    window_feature<Kurtosis>("Kurtosis", "Rolling excess kurtosis (Fisher).")};

}  // namespace
}  // namespace zerak::py
