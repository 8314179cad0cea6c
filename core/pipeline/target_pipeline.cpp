#include "target_pipeline.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace zerak {

Result<TargetPipeline> TargetPipeline::create(std::vector<std::unique_ptr<Target>> targets,
                                              Names input_columns) {
  if (targets.empty()) return ZerakError::invalid_config("targets must not be empty");

  std::unordered_map<std::string_view, std::size_t> input_index;
  input_index.reserve(input_columns.size());
  for (std::size_t i = 0; i < input_columns.size(); ++i) {
    if (!input_index.emplace(input_columns[i], i).second) {
      return ZerakError::invalid_config("duplicate input column: \"" + input_columns[i] + "\"");
    }
  }

  std::unordered_map<std::string_view, std::size_t> producer;
  Names output_names;
  for (std::size_t k = 0; k < targets.size(); ++k) {
    for (const std::string& name : targets[k]->outputs()) {
      const auto [it, inserted] = producer.emplace(name, k);
      if (!inserted) return ZerakError::DuplicateOutputKey{name, it->second, k};
      output_names.push_back(name);
    }
  }

  Names missing;
  std::unordered_set<std::string_view> reported;
  std::vector<std::vector<std::size_t>> routes(targets.size());
  std::size_t forward_period = 0;
  for (std::size_t k = 0; k < targets.size(); ++k) {
    const Target& target = *targets[k];
    for (const std::string& name : target.inputs()) {
      const auto it = input_index.find(name);
      if (it != input_index.end()) {
        routes[k].push_back(it->second);
      } else if (reported.insert(name).second) {
        missing.push_back(name);
      }
    }
    forward_period = std::max(forward_period, target.forward_period());
  }
  if (!missing.empty()) return ZerakError::MissingInputColumn{std::move(missing)};

  return TargetPipeline(std::move(targets), std::move(input_columns), std::move(output_names),
                        std::move(routes), forward_period);
}

ZerakError TargetPipeline::count_error(std::size_t given) const {
  return invalid_input("expected " + std::to_string(input_columns_.size()) + " input column(s) " +
                       render_list(input_columns_) + ", got " + std::to_string(given));
}

Result<TargetPipeline::Columns> TargetPipeline::run_research(
    std::span<const std::span<const Value>> data) const {
  if (data.size() != input_columns_.size()) return count_error(data.size());

  Columns result;
  result.reserve(output_names_.size());
  std::vector<std::span<const Value>> inputs;
  for (std::size_t k = 0; k < targets_.size(); ++k) {
    const Target& target = *targets_[k];
    inputs.clear();
    for (std::size_t pos : routes_[k]) inputs.push_back(data[pos]);
    Columns produced = target.run_research(inputs);

    // Keep the result aligned with output_names(): exactly one column per name.
    const std::size_t wanted = target.outputs().size();
    const std::size_t len = !produced.empty() ? produced.front().size()
                            : !inputs.empty() ? inputs.front().size()
                                              : 0;
    produced.resize(std::min(produced.size(), wanted));
    for (auto& column : produced) result.push_back(std::move(column));
    for (std::size_t j = produced.size(); j < wanted; ++j) result.emplace_back(len, kMissing);
  }
  return result;
}

}  // namespace zerak
