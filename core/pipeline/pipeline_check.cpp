#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "feature_pipeline.hpp"

namespace zerak {
namespace {

// "name", quoted and escaped as in every message that lists names.
std::string quoted(const std::string& name) {
  const std::string listed = render_list(Names{name});
  return listed.substr(1, listed.size() - 2);
}

std::string writer(const StreamingTransform& t) {
  return "the transform writing " + render_list(t.outputs());
}

}  // namespace

bool FeaturePipeline::Finding::loses_data() const noexcept {
  const std::string_view k = kind;
  return k == "never-written" || k == "unread-input";
}

std::vector<FeaturePipeline::Finding> FeaturePipeline::check(
    std::optional<std::size_t> bars) const {
  std::vector<Finding> found;
  const std::size_t n_in = input_columns_.size();
  for (const Step& step : steps_) {
    const std::size_t returned = step.transform->values_returned();
    for (std::size_t k = returned; k < step.out_count; ++k) {
      const std::string& name = step.transform->outputs()[k];
      found.push_back({"never-written",
                       "output " + quoted(name) + " is always missing: " + writer(*step.transform) +
                           " returns " + std::to_string(returned) + " value(s) per bar",
                       name, step.transform});
    }
  }
  std::unordered_set<std::string_view> columns(input_columns_.begin(), input_columns_.end());
  for (const Step& step : steps_) {
    for (const std::string& name : step.transform->outputs()) {
      if (columns.contains(name)) {
        found.push_back({"shadows-input",
                         "output " + quoted(name) + " of " + writer(*step.transform) +
                             " hides the input column of that name from every transform "
                             "that reads it",
                         name, step.transform});
      }
    }
  }
  // A column counts as read when a transform reads its value: one listed
  // past the values its transform reads (Sma(["close", "volume"], ...)) is not.
  std::vector<bool> read(1 + n_in, false);
  std::vector<const StreamingTransform*> lister(1 + n_in, nullptr);
  for (const Step& step : steps_) {
    const std::size_t reads = std::min(step.transform->values_read(), step.arg_count);
    for (std::size_t j = 0; j < step.arg_count; ++j) {
      const std::size_t slot = arg_slots_[step.arg_begin + j];
      if (slot >= read.size()) continue;
      if (j < reads) {
        read[slot] = true;
      } else if (lister[slot] == nullptr) {
        lister[slot] = step.transform;
      }
    }
  }
  for (std::size_t j = 0; j < n_in; ++j) {
    if (read[1 + j]) continue;
    const std::string& name = input_columns_[j];
    std::string message = "input column " + quoted(name) + " is read by no transform";
    if (const StreamingTransform* t = lister[1 + j]) {
      message += ": " + writer(*t) + " lists it but reads only its first " +
                 std::to_string(t->values_read()) + " input(s)";
    }
    found.push_back({"unread-input", std::move(message), name, lister[1 + j]});
  }
  if (bars) {
    // As in create: outputs can be present once inputs are and the warm-up passed.
    std::vector<std::size_t> present_from(slots_.size(), 0);
    for (const Step& step : steps_) {
      std::size_t from = 0;
      for (std::size_t j = 0; j < step.arg_count; ++j) {
        from = std::max(from, present_from[arg_slots_[step.arg_begin + j]]);
      }
      const std::size_t warm_up = step.transform->warm_up_period();
      const std::size_t end = warm_up > SIZE_MAX - from ? SIZE_MAX : from + warm_up;
      for (std::size_t k = 0; k < step.out_count; ++k) present_from[step.out_begin + k] = end;
      if (end >= *bars) {
        found.push_back({"window-too-long",
                         writer(*step.transform) + " gives its first value at bar " +
                             (end == SIZE_MAX ? std::string("never") : std::to_string(end + 1)) +
                             ", after the data's " + std::to_string(*bars) + " bar(s)",
                         std::string(), step.transform});
      }
    }
  }
  return found;
}

}  // namespace zerak
