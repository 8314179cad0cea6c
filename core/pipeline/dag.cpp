#include "dag.hpp"

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace zerak {

Result<FeatureDag> FeatureDag::create(std::vector<Handle> features) {
  const std::size_t n = features.size();

  // Producer of every output name; the names are owned by the transforms,
  // which outlive this function's maps.
  std::unordered_map<std::string_view, std::size_t> producer;
  for (std::size_t i = 0; i < n; ++i) {
    for (const std::string& name : features[i]->outputs()) {
      const auto [it, inserted] = producer.try_emplace(name, i);
      if (!inserted) return ZerakError::DuplicateOutputKey{name, it->second, i};
    }
  }

  // Edges producer -> reader (one per read, so repeats count twice) and
  // the names that must come from outside, in order of first reader.
  FeatureDag dag;
  std::vector<std::vector<std::size_t>> dependents(n);
  std::vector<std::size_t> in_degree(n, 0);
  std::unordered_set<std::string_view> recorded;
  for (std::size_t i = 0; i < n; ++i) {
    for (const std::string& name : features[i]->inputs()) {
      const auto it = producer.find(name);
      if (it == producer.end()) {
        if (recorded.insert(name).second) dag.external_inputs_.push_back(name);
      } else if (it->second != i) {
        dependents[it->second].push_back(i);
        ++in_degree[i];
      }
      // A transform reading its own output is neither an edge nor external.
    }
  }

  // Breadth-first levels; a level keeps the order its members were freed in.
  std::vector<std::size_t> queue;
  queue.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (in_degree[i] == 0) queue.push_back(i);
  }
  if (n > 0 && queue.empty()) return ZerakError::CyclicDependency{};
  std::vector<std::vector<std::size_t>> order;
  std::size_t head = 0;
  while (head < queue.size()) {
    const std::size_t level_end = queue.size();
    std::vector<std::size_t>& level = order.emplace_back();
    for (; head < level_end; ++head) {
      const std::size_t u = queue[head];
      level.push_back(u);
      for (const std::size_t v : dependents[u]) {
        if (--in_degree[v] == 0) queue.push_back(v);
      }
    }
  }
  // Transforms on a cycle, or downstream of one, never become free.
  if (queue.size() != n) return ZerakError::CyclicDependency{};

  dag.levels_.reserve(order.size());
  for (const std::vector<std::size_t>& indices : order) {
    Level& level = dag.levels_.emplace_back();
    level.reserve(indices.size());
    for (const std::size_t i : indices) {
      const Names& outputs = features[i]->outputs();
      dag.output_names_.insert(dag.output_names_.end(), outputs.begin(), outputs.end());
      level.push_back(std::move(features[i]));
    }
  }
  dag.size_ = n;
  return dag;
}

}  // namespace zerak
