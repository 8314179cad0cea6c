#pragma once

// Element-wise operators of one or two columns.
// A class of this folder: its header here and one X(...) in the list, which
// names it (class_name.hpp); its place in export order is in catalogue.hpp.
#include "class_name.hpp"
#include "operators/abs.hpp"
#include "operators/add.hpp"
#include "operators/clip.hpp"
#include "operators/divide.hpp"
#include "operators/exp.hpp"
#include "operators/log.hpp"
#include "operators/logit.hpp"
#include "operators/maximum.hpp"
#include "operators/minimum.hpp"
#include "operators/multiply.hpp"
#include "operators/neg_log.hpp"
#include "operators/reciprocal.hpp"
#include "operators/scale.hpp"
#include "operators/sign.hpp"
#include "operators/sqrt.hpp"
#include "operators/subtract.hpp"

#define ZERAK_OPERATORS_FAMILY(X) \
  X(Add) X(Subtract) X(Multiply) X(Divide) X(Reciprocal) X(NegLog) X(Log) X(Logit) X(Abs) \
  X(Sqrt) X(Exp) X(Sign) X(Scale) X(Clip) X(Maximum) X(Minimum)

namespace zerak {
ZERAK_OPERATORS_FAMILY(ZERAK_CLASS_NAME)
}  // namespace zerak
