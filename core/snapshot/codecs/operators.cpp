// The eight element-wise operators: stateless, configured by their names.
#include "../../operators/add.hpp"
#include "../../operators/divide.hpp"
#include "../../operators/log.hpp"
#include "../../operators/logit.hpp"
#include "../../operators/multiply.hpp"
#include "../../operators/neg_log.hpp"
#include "../../operators/reciprocal.hpp"
#include "../../operators/subtract.hpp"
#include "common.hpp"

namespace zerak::snapshot {
namespace {

void save_names(const StreamingTransform& t, SnapshotWriter& w) {
  w.names(t.inputs());
  w.names(t.outputs());
}

template <class T>
Result<T> load_names(SnapshotReader& r) {
  Names inputs;
  Names outputs;
  if (!r.names(inputs, "inputs") || !r.names(outputs, "outputs")) return r.error();
  Result<T> t = T::create(std::move(inputs), std::move(outputs));
  if (!t) return refused(r, t.error());
  return t;
}

}  // namespace

#define ZERAK_OPERATOR_CODEC(Class)                                                     \
  void Codec<Class>::save(const Class& t, SnapshotWriter& w) { save_names(t, w); }      \
  Result<Class> Codec<Class>::load(SnapshotReader& r) { return load_names<Class>(r); }
ZERAK_OPERATOR_CODEC(Add)
ZERAK_OPERATOR_CODEC(Subtract)
ZERAK_OPERATOR_CODEC(Multiply)
ZERAK_OPERATOR_CODEC(Divide)
ZERAK_OPERATOR_CODEC(Reciprocal)
ZERAK_OPERATOR_CODEC(NegLog)
ZERAK_OPERATOR_CODEC(Log)
ZERAK_OPERATOR_CODEC(Logit)
#undef ZERAK_OPERATOR_CODEC

}  // namespace zerak::snapshot
