#include "feature_pipeline.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace zerak {

Result<FeaturePipeline> FeaturePipeline::create(std::vector<FeatureDag::Handle> features,
                                                Names input_columns) {
  if (features.empty()) return ZerakError::invalid_config("features must not be empty");

  std::unordered_map<std::string_view, std::size_t> column_slot;
  for (std::size_t i = 0; i < input_columns.size(); ++i) {
    if (!column_slot.try_emplace(input_columns[i], 1 + i).second) {
      return ZerakError::invalid_config("duplicate input column: \"" + input_columns[i] + "\"");
    }
  }

  Result<FeatureDag> planned = FeatureDag::create(std::move(features));
  if (!planned) return planned.error();

  Names missing;
  for (const std::string& name : planned.value().external_inputs()) {
    if (!column_slot.contains(name)) missing.push_back(name);
  }
  if (!missing.empty()) return ZerakError::MissingInputColumn{std::move(missing)};

  // column_slot holds views into input_columns' strings; moving the vector
  // keeps its elements in place, so the views stay valid.
  FeaturePipeline p(std::move(planned).value(), std::move(input_columns));
  const std::size_t n_in = p.input_columns_.size();

  // Slot of every output name, in plan order after the input columns.
  std::unordered_map<std::string_view, std::size_t> output_slot;
  std::size_t next = 1 + n_in;
  std::size_t max_args = 0;
  for (const FeatureDag::Level& level : p.dag_.levels()) {
    for (const FeatureDag::Handle& t : level) {
      const Names& outs = t->outputs();
      Step step{t.get(), 0, t->inputs().size(), next, outs.size()};
      for (const std::string& name : outs) output_slot.emplace(name, next++);
      p.steps_.push_back(step);
      max_args = std::max(max_args, step.arg_count);
    }
  }

  // A name produced by another transform reads that transform's slot (it
  // runs earlier in the plan, so an input column of the same name is
  // shadowed). A transform reading its own output sees what the bar held
  // before it ran: the input column of that name, else missing.
  for (Step& step : p.steps_) {
    step.arg_begin = p.arg_slots_.size();
    for (const std::string& name : step.transform->inputs()) {
      std::size_t slot = 0;
      const auto out = output_slot.find(name);
      const bool own = out != output_slot.end() && out->second >= step.out_begin &&
                       out->second < step.out_begin + step.out_count;
      if (out != output_slot.end() && !own) {
        slot = out->second;
      } else if (const auto col = column_slot.find(name); col != column_slot.end()) {
        slot = col->second;
      }
      p.arg_slots_.push_back(slot);
    }
  }

  // The step writing each output slot, then the steps each step reads.
  std::vector<std::size_t> writer(next, SIZE_MAX);
  for (std::size_t s = 0; s < p.steps_.size(); ++s) {
    for (std::size_t k = 0; k < p.steps_[s].out_count; ++k) writer[p.steps_[s].out_begin + k] = s;
  }
  std::vector<std::size_t> producers;
  for (const Step& step : p.steps_) {
    producers.clear();
    for (std::size_t j = 0; j < step.arg_count; ++j) {
      const std::size_t w = writer[p.arg_slots_[step.arg_begin + j]];
      if (w != SIZE_MAX) producers.push_back(w);
    }
    p.graph_.add(producers);
  }

  p.inputs_read_.assign(n_in, 0);
  for (const std::size_t slot : p.arg_slots_) {
    if (slot >= 1 && slot <= n_in) p.inputs_read_[slot - 1] = 1;
  }

  p.slots_.assign(next, kMissing);
  p.args_.assign(max_args, kMissing);

  // A transform's outputs can be present once its inputs are and its own
  // warm-up has passed: the warm-ups add up along chains.
  std::vector<std::size_t> present_from(next, 0);
  for (const Step& step : p.steps_) {
    std::size_t inputs_from = 0;
    for (std::size_t j = 0; j < step.arg_count; ++j) {
      inputs_from = std::max(inputs_from, present_from[p.arg_slots_[step.arg_begin + j]]);
    }
    const std::size_t warm_up = step.transform->warm_up_period();
    const std::size_t end = warm_up > SIZE_MAX - inputs_from ? SIZE_MAX : inputs_from + warm_up;
    for (std::size_t k = 0; k < step.out_count; ++k) present_from[step.out_begin + k] = end;
    if (end != 0 && end != SIZE_MAX) p.warm_up_ends_.push_back(end);
  }
  std::sort(p.warm_up_ends_.begin(), p.warm_up_ends_.end());
  p.warm_up_ends_.erase(std::unique(p.warm_up_ends_.begin(), p.warm_up_ends_.end()),
                        p.warm_up_ends_.end());
  return p;
}

ZerakError FeaturePipeline::count_error(std::size_t given) const {
  return ZerakError::invalid_input("expected " + std::to_string(input_columns_.size()) +
                                   " input value(s) " + render_list(input_columns_) + ", got " +
                                   std::to_string(given));
}

Result<std::span<const Value>> FeaturePipeline::update(std::span<const Value> values) {
  if (values.size() != input_columns_.size()) return count_error(values.size());
  std::copy(values.begin(), values.end(), slots_.begin() + 1);
  ++seen_;
  return run_bar<false>();
}

Result<std::span<const Value>> FeaturePipeline::peek(std::span<const Value> values) {
  if (values.size() != input_columns_.size()) return count_error(values.size());
  std::copy(values.begin(), values.end(), slots_.begin() + 1);
  return run_bar<true>();
}

template <bool Peek>
std::span<const Value> FeaturePipeline::run_bar() {
  Value* const slots = slots_.data();
  Value* const args = args_.data();
  const std::size_t* const arg_slots = arg_slots_.data();
  for (const Step& step : steps_) {
    for (std::size_t j = 0; j < step.arg_count; ++j) {
      args[j] = slots[arg_slots[step.arg_begin + j]];
    }
    const std::span<const Value> in(args, step.arg_count);
    const OutputRow row = Peek ? step.transform->peek(in) : step.transform->update(in);
    // Names beyond the row's values get missing, so outputs stay aligned
    // with output_names(); a row is never read past its end.
    const std::size_t have = std::min(row.size(), step.out_count);
    Value* const out = slots + step.out_begin;
    for (std::size_t i = 0; i < have; ++i) out[i] = row[i];
    for (std::size_t i = have; i < step.out_count; ++i) out[i] = kMissing;
  }
  return std::span<const Value>(slots_).subspan(1 + input_columns_.size());
}

Result<std::vector<std::vector<Value>>> FeaturePipeline::run_research(
    std::span<const std::vector<Value>> data) {
  reset();
  const std::size_t width = input_columns_.size();
  std::size_t good = 0;
  while (good < data.size() && data[good].size() == width) ++good;
  const bool keep = good == data.size();  // else the outputs are dropped

  std::vector<std::vector<Value>> result;
  if (keep) result.reserve(data.size());
  run_blocks(
      good,
      [&](std::size_t begin, std::size_t count, std::span<Value* const> inputs) {
        for (std::size_t j = 0; j < width; ++j) {
          for (std::size_t i = 0; i < count; ++i) inputs[j][i] = data[begin + i][j];
        }
      },
      [&](std::size_t, std::size_t count, std::span<const Value* const> outputs) {
        if (!keep) return true;
        for (std::size_t i = 0; i < count; ++i) {
          std::vector<Value>& row = result.emplace_back(outputs.size());
          for (std::size_t k = 0; k < outputs.size(); ++k) row[k] = outputs[k][i];
        }
        return true;
      },
      [] { return true; });
  if (!keep) return count_error(data[good].size());
  return result;
}

std::size_t FeaturePipeline::block_capacity() const noexcept {
  // A megabyte of columns: within a core's L2 with room for the transforms'
  // own state; at least a few hundred bars so that per-block costs vanish.
  constexpr std::size_t kBytes = std::size_t{1} << 20;
  return std::clamp<std::size_t>(kBytes / (slots_.size() * sizeof(Value)), 256, 4096);
}

BlockColumns FeaturePipeline::block_columns(std::size_t capacity) const {
  BlockColumns block(slots_.size(), capacity);  // slot 0 stays missing
  const std::size_t first_output = 1 + input_columns_.size();
  block.reads.reserve(arg_slots_.size());
  for (const std::size_t slot : arg_slots_) block.reads.push_back(block.column(slot));
  for (std::size_t j = 1; j < first_output; ++j) block.inputs.push_back(block.column(j));
  std::vector<unsigned char> in_place(arg_slots_.size(), 0);
  for (const Step& step : steps_) {
    const bool lendable = step.transform->reads_lent_columns();
    std::fill_n(in_place.begin() + std::ptrdiff_t(step.arg_begin), step.arg_count, lendable);
  }
  block.input_reads.resize(input_columns_.size());
  for (std::size_t r = 0; r < arg_slots_.size(); ++r) {
    const std::size_t slot = arg_slots_[r];
    if (slot >= 1 && slot < first_output) {
      block.input_reads[slot - 1].push_back({r, in_place[r] != 0});
    }
  }
  for (std::size_t s = first_output; s < slots_.size(); ++s) {
    block.writes.push_back(block.column(s));
    block.outputs.push_back(block.column(s));
  }
  return block;
}

std::unique_ptr<StepScheduler> FeaturePipeline::make_pool(std::size_t threads) const {
  const std::size_t width = graph_.width();
  if (threads <= 1 || width <= 1) return nullptr;
  return std::make_unique<StepScheduler>(graph_, std::min(threads, width));
}

void FeaturePipeline::run_block(BlockColumns& block, std::size_t first, std::size_t bars,
                                StepScheduler* pool) {
  const Value* const* reads = block.reads.data();
  Value* const* writes = block.writes.data();
  if (first != 0) {  // a later part of the block (the scratch is sized on first use)
    block.reads_from.resize(block.reads.size());
    block.writes_from.resize(block.writes.size());
    for (std::size_t i = 0; i < block.reads.size(); ++i) block.reads_from[i] = reads[i] + first;
    for (std::size_t i = 0; i < block.writes.size(); ++i) block.writes_from[i] = writes[i] + first;
    reads = block.reads_from.data();
    writes = block.writes_from.data();
  }
  const std::size_t first_output = 1 + input_columns_.size();
  auto run_step = [&](std::size_t s) {
    const Step& step = steps_[s];
    step.transform->update_block(
        std::span<const Value* const>(reads + step.arg_begin, step.arg_count),
        std::span<Value* const>(writes + (step.out_begin - first_output), step.out_count), bars);
  };
  if (pool == nullptr) {
    for (std::size_t s = 0; s < steps_.size(); ++s) run_step(s);
  } else {
    pool->run(run_step);
  }
}

FeaturePipeline::State FeaturePipeline::save() const {
  State state;
  state.transforms.reserve(steps_.size());
  for (const Step& step : steps_) state.transforms.push_back(step.transform->clone());
  state.seen = seen_;
  return state;
}

void FeaturePipeline::restore(State state) noexcept {
  // Steps follow the levels transform by transform, as save() did.
  std::size_t i = 0;
  for (FeatureDag::Level& level : dag_.levels()) {
    for (FeatureDag::Handle& t : level) {
      t = std::move(state.transforms[i]);
      steps_[i].transform = t.get();
      ++i;
    }
  }
  seen_ = state.seen;
}

void FeaturePipeline::reset() {
  for (FeatureDag::Level& level : dag_.levels()) {
    for (FeatureDag::Handle& t : level) t->reset();
  }
  seen_ = 0;
}

std::size_t FeaturePipeline::warm_up_period() const {
  std::size_t w = 0;
  for (const FeatureDag::Level& level : dag_.levels()) {
    for (const FeatureDag::Handle& t : level) w = std::max(w, t->warm_up_period());
  }
  return w;
}

}  // namespace zerak
