#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "output_row.hpp"
#include "rollback.hpp"
#include "schema.hpp"
#include "value.hpp"

namespace zerak {

using Names = std::vector<std::string>;

// A transform that consumes one bar at a time: features, operators, scalers.
class StreamingTransform {
 public:
  virtual ~StreamingTransform() = default;

  [[nodiscard]] virtual Names input_names() const = 0;
  [[nodiscard]] virtual Names output_names() const = 0;
  // Bars before the first output that can be present.
  [[nodiscard]] virtual std::size_t warm_up_period() const { return 0; }
  // A new transform with this one's configuration, in the reset state.
  [[nodiscard]] virtual std::unique_ptr<StreamingTransform> fresh() const = 0;
  // A new transform with this one's configuration and state.
  [[nodiscard]] virtual std::unique_ptr<StreamingTransform> clone() const = 0;
  virtual void reset() {}
  // `values` holds one value per input name; update never reads past
  // values_read() of them, and returns missing outputs if given fewer.
  virtual OutputRow update(std::span<const Value> values) = 0;
  // What update(values) would return, leaving the transform unchanged: the
  // forming bar, revised until it closes. This default runs update on a copy;
  // TransformBase undoes the declared state instead.
  virtual OutputRow peek(std::span<const Value> values);

  // Borrowed views of the configured names, for routing without copies.
  [[nodiscard]] virtual const Names& inputs() const noexcept = 0;
  [[nodiscard]] virtual const Names& outputs() const noexcept = 0;
  // How many leading values update reads (never more than inputs().size()).
  [[nodiscard]] virtual std::size_t values_read() const noexcept { return inputs().size(); }
  // How many values every row has, whatever the number of output names.
  [[nodiscard]] virtual std::size_t values_returned() const noexcept { return 1; }

  // Runs `bars` consecutive bars exactly as that many update() calls would,
  // column by column: inputs[j][i] is value j of bar i (inputs().size()
  // columns) and outputs[k][i] receives output k of bar i (outputs().size()
  // columns; an output past the row's values is missing). Research runs
  // through here; kernels override it, the default steps update bar by bar.
  virtual void update_block(std::span<const Value* const> inputs, std::span<Value* const> outputs,
                            std::size_t bars);
  // Whether update_block may read its input columns where the caller keeps
  // them, memory another thread may write while the block runs (the
  // caller's race). Only where every value read feeds arithmetic alone, so
  // that two reads of one value that disagree change numbers but never a
  // count, an index or an order; the others read a copy made once a block.
  [[nodiscard]] virtual bool reads_lent_columns() const noexcept { return false; }
};

// A forward-looking label over whole series (research mode only). The label
// of bar i reads only bars i - warm_up_period() to i + forward_period() of
// its inputs, so pipelines may label a long series a chunk at a time.
class Target {
 public:
  virtual ~Target() = default;

  [[nodiscard]] virtual Names input_names() const = 0;
  [[nodiscard]] virtual Names output_names() const = 0;
  // Final bars that lack the future data their label needs.
  [[nodiscard]] virtual std::size_t forward_period() const = 0;
  [[nodiscard]] virtual std::size_t warm_up_period() const { return 0; }
  // One series per input name; returns one column per produced output.
  [[nodiscard]] virtual std::vector<std::vector<Value>> run_research(
      std::span<const std::span<const Value>> columns) const = 0;

  [[nodiscard]] virtual const Names& inputs() const noexcept = 0;
  [[nodiscard]] virtual const Names& outputs() const noexcept = 0;
  [[nodiscard]] virtual std::unique_ptr<Target> clone() const = 0;
};

// Shared plumbing for concrete transforms: the two name lists, the name
// queries, and `fresh` as a copy returned to its reset state (a reset
// transform is, by contract, indistinguishable from a newly constructed one).
template <class Derived>
class TransformBase : public StreamingTransform {
 public:
  [[nodiscard]] Names input_names() const override { return inputs_; }
  [[nodiscard]] Names output_names() const override { return outputs_; }
  [[nodiscard]] const Names& inputs() const noexcept override { return inputs_; }
  [[nodiscard]] const Names& outputs() const noexcept override { return outputs_; }

  [[nodiscard]] std::unique_ptr<StreamingTransform> fresh() const override {
    auto copy = std::make_unique<Derived>(static_cast<const Derived&>(*this));
    copy->reset();
    return copy;
  }
  [[nodiscard]] std::unique_ptr<StreamingTransform> clone() const override {
    return std::make_unique<Derived>(static_cast<const Derived&>(*this));
  }

  OutputRow peek(std::span<const Value> values) override {
    if constexpr (rollback::kCovers<Derived>) {
      Derived& self = static_cast<Derived&>(*this);
      auto undo = rollback::undo_all(self);
      rollback::arm(undo);
      return self.Derived::update(values);
    } else {
      return StreamingTransform::peek(values);
    }
  }

 protected:
  TransformBase(Names inputs, Names outputs)
      : inputs_(std::move(inputs)), outputs_(std::move(outputs)) {}

  Names inputs_;
  Names outputs_;
};

template <class Derived>
class TargetBase : public Target {
 public:
  [[nodiscard]] Names input_names() const override { return inputs_; }
  [[nodiscard]] Names output_names() const override { return outputs_; }
  [[nodiscard]] const Names& inputs() const noexcept override { return inputs_; }
  [[nodiscard]] const Names& outputs() const noexcept override { return outputs_; }
  [[nodiscard]] std::unique_ptr<Target> clone() const override {
    return std::make_unique<Derived>(static_cast<const Derived&>(*this));
  }

 protected:
  TargetBase(Names inputs, Names outputs)
      : inputs_(std::move(inputs)), outputs_(std::move(outputs)) {}

  Names inputs_;
  Names outputs_;
};

}  // namespace zerak
