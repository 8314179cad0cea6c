#include "universe_pipeline.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "snapshot/copy.hpp"

namespace zerak {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Value from_double(double d) noexcept { return std::isnan(d) ? kMissing : Value(d); }
double to_double(const Value& v) noexcept { return v ? *v : kNaN; }

// A symbol trades at a bar unless its mask entry says it does not or all of
// its inputs are NaN: a row with no value has nothing to advance a state by.
bool trades(const double* row, std::size_t width, const std::uint8_t* mask) noexcept {
  if (mask != nullptr && *mask == 0) return false;
  for (std::size_t j = 0; j < width; ++j) {
    if (!std::isnan(row[j])) return true;
  }
  return width == 0;
}

// What a thread keeps from item to item.
struct WorkerScratch {
  std::vector<std::size_t> bars;
  CrossSection::Scratch cross;
};

// work(item, scratch) for items [0, count) on up to `threads` threads, each
// taking the next item when done; an exception stops the others and is
// thrown again here.
template <class Work>
void parallel(std::size_t count, unsigned threads, Work&& work) {
  const std::size_t wanted = std::min<std::size_t>(std::max(1U, threads), count);
  if (wanted <= 1) {
    WorkerScratch scratch;
    for (std::size_t i = 0; i < count; ++i) work(i, scratch);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::exception_ptr error;
  std::mutex error_lock;
  const auto body = [&]() noexcept {
    try {
      WorkerScratch scratch;
      for (std::size_t i; (i = next.fetch_add(1)) < count;) work(i, scratch);
    } catch (...) {
      const std::lock_guard<std::mutex> hold(error_lock);
      if (!error) error = std::current_exception();
      next.store(count);
    }
  };
  std::vector<std::thread> pool;
  try {
    pool.reserve(wanted - 1);
    for (std::size_t t = 1; t < wanted; ++t) pool.emplace_back(body);
  } catch (...) {
    // Fewer threads than asked: the ones running (and this one) do it all.
  }
  body();
  for (std::thread& t : pool) t.join();
  if (error) std::rethrow_exception(error);
}

// A pipeline's configuration without its state: the snapshot of fresh copies
// of its transforms, in plan order. Two pipelines of equal configurations
// give equal bytes.
snapshot::Bytes configuration(const FeaturePipeline& p) {
  std::vector<FeatureDag::Handle> fresh;
  fresh.reserve(p.size());
  for (const FeatureDag::Level& level : p.dag().levels()) {
    for (const FeatureDag::Handle& t : level) fresh.push_back(t->fresh());
  }
  Result<FeaturePipeline> copy = FeaturePipeline::create(std::move(fresh), p.input_names());
  // The same transforms in the same order plan alike; only memory can run out.
  if (!copy) throw std::bad_alloc();
  return snapshot::save(copy.value());
}

// Whether two pipelines run transforms of the same classes in the same
// order: checked before configuration() builds fresh copies, so that a
// foreign transform (a user's) is never called.
bool same_classes(const FeaturePipeline& a, const FeaturePipeline& b) {
  std::vector<const StreamingTransform*> order;
  for (const FeatureDag::Level& level : a.dag().levels()) {
    for (const FeatureDag::Handle& t : level) order.push_back(t.get());
  }
  std::size_t i = 0;
  for (const FeatureDag::Level& level : b.dag().levels()) {
    for (const FeatureDag::Handle& t : level) {
      if (i == order.size() || typeid(*order[i++]) != typeid(*t)) return false;
    }
  }
  return i == order.size();
}

const Names& member_inputs(const UniversePipeline::Member& m) {
  return m.transform ? m.transform->inputs() : m.cross->inputs();
}
const Names& member_outputs(const UniversePipeline::Member& m) {
  return m.transform ? m.transform->outputs() : m.cross->outputs();
}

}  // namespace

Result<UniversePipeline> UniversePipeline::create(std::vector<Member> members, Names input_columns,
                                                  std::size_t symbols) {
  if (members.empty()) return ZerakError::invalid_config("transforms must not be empty");
  std::unordered_set<std::string> available;
  for (const std::string& name : input_columns) {
    if (!available.insert(name).second) {
      return ZerakError::invalid_config("duplicate input column: \"" + name + "\"");
    }
  }
  std::unordered_map<std::string, std::size_t> writer;
  for (std::size_t i = 0; i < members.size(); ++i) {
    for (const std::string& name : member_outputs(members[i])) {
      const auto [at, fresh] = writer.try_emplace(name, i);
      if (!fresh) return ZerakError::DuplicateOutputKey{name, at->second, i};
      if (available.contains(name)) {
        return ZerakError::invalid_config("output \"" + name +
                                          "\" has the name of an input column");
      }
    }
  }
  Names missing;
  for (const Member& m : members) {
    for (const std::string& name : member_inputs(m)) {
      if (!available.contains(name) && !writer.contains(name) &&
          std::find(missing.begin(), missing.end(), name) == missing.end()) {
        missing.push_back(name);
      }
    }
  }
  if (!missing.empty()) return ZerakError::MissingInputColumn{std::move(missing)};

  UniversePipeline u;
  u.inputs_ = input_columns;
  Names layout = std::move(input_columns);
  std::vector<bool> placed(members.size(), false);
  std::size_t left = members.size();
  const auto ready = [&](const Member& m, const std::unordered_set<std::string>& extra) {
    for (const std::string& name : member_inputs(m)) {
      if (!available.contains(name) && !extra.contains(name)) return false;
    }
    return true;
  };
  while (left > 0) {
    // The per-symbol transforms whose inputs are at hand or written by others
    // of the group: one FeaturePipeline plans them.
    std::unordered_set<std::string> produced;
    std::vector<std::size_t> group;
    for (bool grew = true; grew;) {
      grew = false;
      for (std::size_t i = 0; i < members.size(); ++i) {
        if (placed[i] || !members[i].transform || !ready(members[i], produced)) continue;
        placed[i] = grew = true;
        group.push_back(i);
        for (const std::string& name : member_outputs(members[i])) produced.insert(name);
      }
    }
    if (!group.empty()) {
      std::vector<FeatureDag::Handle> handles;
      for (const std::size_t i : group) handles.push_back(std::move(members[i].transform));
      Result<FeaturePipeline> p = FeaturePipeline::create(std::move(handles), layout);
      if (!p) return p.error();
      Stage stage;
      stage.reads = layout.size();
      stage.out_begin = layout.size();
      stage.out_count = p.value().outputs().size();
      stage.index = u.prototypes_.size();
      for (const std::string& name : p.value().outputs()) {
        layout.push_back(name);
        available.insert(name);
      }
      u.prototypes_.push_back(std::move(p).value());
      u.stages_.push_back(std::move(stage));
      left -= group.size();
    }
    // Then the cross-sections that can run, each seeing those before it.
    Stage cross;
    cross.cross = true;
    cross.out_begin = layout.size();
    for (bool grew = true; grew;) {
      grew = false;
      for (std::size_t i = 0; i < members.size(); ++i) {
        if (placed[i] || !members[i].cross || !ready(members[i], {})) continue;
        placed[i] = grew = true;
        --left;
        const CrossSection* c = members[i].cross.get();
        u.crosses_.push_back(std::move(members[i].cross));
        for (std::size_t k = 0; k < c->inputs().size(); ++k) {
          const auto in = std::find(layout.begin(), layout.end(), c->inputs()[k]);
          cross.steps.push_back({c, std::size_t(in - layout.begin()), layout.size()});
          layout.push_back(c->outputs()[k]);
          available.insert(c->outputs()[k]);
        }
      }
    }
    if (!cross.steps.empty()) {
      cross.out_count = layout.size() - cross.out_begin;
      u.stages_.push_back(std::move(cross));
    } else if (group.empty()) {
      return ZerakError::CyclicDependency{};
    }
  }
  u.outputs_.assign(layout.begin() + std::ptrdiff_t(u.inputs_.size()), layout.end());
  u.width_ = layout.size();
  u.symbols_.reserve(symbols);
  for (std::size_t s = 0; s < symbols; ++s) u.add_symbol();
  return u;
}

void UniversePipeline::add_symbol() {
  std::vector<FeaturePipeline> own;
  own.reserve(prototypes_.size());
  for (const FeaturePipeline& p : prototypes_) {
    Result<FeaturePipeline> copy = snapshot::copy_of(p);
    // A copy of a planned pipeline plans alike; only memory can run out.
    if (!copy) throw std::bad_alloc();
    own.push_back(std::move(copy).value());
  }
  symbols_.push_back(std::move(own));
}

void UniversePipeline::remove_symbol(std::size_t index) {
  symbols_.erase(symbols_.begin() + std::ptrdiff_t(index));
}

void UniversePipeline::reset() {
  for (std::vector<FeaturePipeline>& own : symbols_) {
    for (FeaturePipeline& p : own) p.reset();
  }
}

std::size_t UniversePipeline::warm_up_period() const {
  std::size_t w = 0;
  for (const FeaturePipeline& p : prototypes_) w = std::max(w, p.warm_up_period());
  return w;
}

std::size_t UniversePipeline::per_symbol_stages() const noexcept { return prototypes_.size(); }

std::vector<snapshot::Bytes> UniversePipeline::save_symbol(std::size_t index) const {
  std::vector<snapshot::Bytes> states;
  for (const FeaturePipeline& p : symbols_[index]) states.push_back(snapshot::save(p));
  return states;
}

std::vector<FeaturePipeline::Finding> UniversePipeline::lost_data() const {
  std::vector<FeaturePipeline::Finding> found;
  // An input column is unread when every stage leaves it so and no
  // cross-section reads it.
  std::unordered_map<std::string, FeaturePipeline::Finding> unread;
  for (const std::string& name : inputs_) unread.emplace(name, FeaturePipeline::Finding{});
  for (std::size_t k = 0; k < prototypes_.size(); ++k) {
    std::unordered_set<std::string> unread_here;
    for (FeaturePipeline::Finding& f : prototypes_[k].check(std::nullopt)) {
      if (std::string_view(f.kind) == "never-written") {
        found.push_back(std::move(f));
      } else if (std::string_view(f.kind) == "unread-input") {
        const auto at = unread.find(f.column);
        if (at == unread.end()) continue;
        unread_here.insert(f.column);
        if (at->second.kind == nullptr || at->second.transform == nullptr)
          at->second = std::move(f);
      }
    }
    std::erase_if(unread, [&](const auto& entry) { return !unread_here.contains(entry.first); });
  }
  for (const std::unique_ptr<CrossSection>& c : crosses_) {
    for (const std::string& name : c->inputs()) unread.erase(name);
  }
  for (const std::string& name : inputs_) {
    const auto at = unread.find(name);
    if (at == unread.end()) continue;
    if (at->second.kind == nullptr) {                       // no per-symbol stage to say so
      const std::string listed = render_list(Names{name});  // ["name"], escaped
      at->second = {
          "unread-input",
          "input column " + listed.substr(1, listed.size() - 2) + " is read by no transform", name,
          nullptr};
    }
    found.push_back(std::move(at->second));
  }
  return found;
}

Result<Unit> UniversePipeline::restore_symbol(
    std::size_t index, std::span<const std::span<const std::uint8_t>> states) {
  if (states.size() != prototypes_.size()) {
    return ZerakError::invalid_input("expected " + std::to_string(prototypes_.size()) +
                                     " state(s) per symbol, got " + std::to_string(states.size()));
  }
  if (configurations_.empty()) {
    configurations_.reserve(prototypes_.size());
    for (const FeaturePipeline& p : prototypes_) configurations_.push_back(configuration(p));
  }
  std::vector<FeaturePipeline> own;
  own.reserve(states.size());
  for (std::size_t k = 0; k < states.size(); ++k) {
    Result<FeaturePipeline> p = snapshot::load<FeaturePipeline>(states[k]);
    if (!p) return p.error();
    // Names alone would let in the state of Sma(5000) for Sma(2), or a
    // transform the constructor refuses: the whole configuration must match.
    if (p.value().inputs() != prototypes_[k].inputs() ||
        p.value().outputs() != prototypes_[k].outputs() ||
        !same_classes(p.value(), prototypes_[k]) ||
        configuration(p.value()) != configurations_[k]) {
      return ZerakError::invalid_input(
          "a symbol's state from another universe pipeline: its transforms are not "
          "configured as this universe's");
    }
    own.push_back(std::move(p).value());
  }
  symbols_[index] = std::move(own);
  return Unit{};
}

void UniversePipeline::update(const double* matrix, const std::uint8_t* mask, double* out,
                              bool peek, unsigned threads) {
  const std::size_t n = symbols_.size();
  const std::size_t n_in = inputs_.size();
  const std::size_t n_out = outputs_.size();
  rows_.resize(n * width_);
  active_.resize(n);
  for (std::size_t s = 0; s < n; ++s) {
    const double* in = matrix + s * n_in;
    Value* row = rows_.data() + s * width_;
    for (std::size_t j = 0; j < n_in; ++j) row[j] = from_double(in[j]);
    active_[s] = trades(in, n_in, mask != nullptr ? mask + s : nullptr) ? 1 : 0;
  }
  for (const Stage& stage : stages_) {
    if (stage.cross) {
      for (const CrossStep& step : stage.steps) {
        step.cross->apply(rows_.data() + step.in, rows_.data() + step.out, width_, n,
                          active_.data(), scratch_);
      }
      continue;
    }
    // Threads take symbols a run at a time: one bar of one symbol is too
    // little work to hand out alone.
    constexpr std::size_t kRun = 64;
    parallel((n + kRun - 1) / kRun, threads, [&](std::size_t run, WorkerScratch&) {
      for (std::size_t s = run * kRun; s < std::min(n, (run + 1) * kRun); ++s) {
        Value* row = rows_.data() + s * width_;
        Value* dst = row + stage.out_begin;
        if (active_[s] != 0) {
          FeaturePipeline& p = symbols_[s][stage.index];
          const std::span<const Value> bar(row, stage.reads);
          const Result<std::span<const Value>> got = peek ? p.peek(bar) : p.update(bar);
          if (got) {
            std::copy(got.value().begin(), got.value().end(), dst);
            continue;
          }
        }
        std::fill(dst, dst + stage.out_count, kMissing);
      }
    });
  }
  for (std::size_t s = 0; s < n; ++s) {
    const Value* row = rows_.data() + s * width_ + n_in;
    for (std::size_t k = 0; k < n_out; ++k) out[s * n_out + k] = to_double(row[k]);
  }
}

bool UniversePipeline::run(const double* panel, const std::uint8_t* mask, std::size_t bars,
                           double* out, bool reset_first, unsigned threads,
                           const std::function<bool()>& poll) {
  if (reset_first) reset();
  const std::size_t n = symbols_.size();
  const std::size_t n_in = inputs_.size();
  const std::size_t n_out = outputs_.size();
  if (bars == 0 || n == 0) return true;
  // Only the calling thread polls; a stop reaches the others through `stop`.
  std::atomic<bool> stop{false};
  const std::thread::id caller = std::this_thread::get_id();
  const auto go_on = [&] {
    if (stop.load(std::memory_order_relaxed)) return false;
    if (std::this_thread::get_id() == caller && !poll()) {
      stop.store(true, std::memory_order_relaxed);
      return false;
    }
    return true;
  };

  if (stages_.size() == 1 && !stages_[0].cross) {
    // Symbols are independent: each runs all its bars in one go.
    parallel(n, threads, [&](std::size_t s, WorkerScratch& w) {
      if (!go_on()) return;
      std::vector<std::size_t>& at = w.bars;
      at.clear();
      for (std::size_t b = 0; b < bars; ++b) {
        const std::size_t cell = b * n + s;
        if (trades(panel + cell * n_in, n_in, mask != nullptr ? mask + cell : nullptr)) {
          at.push_back(b);
        } else {
          std::fill(out + cell * n_out, out + (cell + 1) * n_out, kNaN);
        }
      }
      symbols_[s][0].run_blocks(
          at.size(),
          // Bar by bar: a symbol's bars lie a whole cross-section apart, so
          // each is read and written as one short contiguous row.
          [&](std::size_t begin, std::size_t count, std::span<Value* const> inputs) {
            for (std::size_t i = 0; i < count; ++i) {
              const double* row = panel + (at[begin + i] * n + s) * n_in;
              for (std::size_t j = 0; j < n_in; ++j) inputs[j][i] = from_double(row[j]);
            }
          },
          [&](std::size_t begin, std::size_t count, std::span<const Value* const> outputs) {
            for (std::size_t i = 0; i < count; ++i) {
              double* row = out + (at[begin + i] * n + s) * n_out;
              for (std::size_t k = 0; k < n_out; ++k) row[k] = to_double(outputs[k][i]);
            }
            return true;
          },
          go_on);
    });
    return !stop.load();
  }

  // Stages wait for each other at every bar: the bars go through in chunks
  // whose rows fit a few tens of megabytes.
  constexpr std::size_t kChunkValues = std::size_t{1} << 21;
  const std::size_t chunk = std::clamp<std::size_t>(kChunkValues / (n * width_), 1, bars);
  std::vector<Value> table(chunk * n * width_);
  std::vector<std::uint8_t> active(chunk * n);
  for (std::size_t first = 0; first < bars; first += chunk) {
    if (!go_on()) return false;
    const std::size_t count = std::min(chunk, bars - first);
    for (std::size_t b = 0; b < count; ++b) {
      for (std::size_t s = 0; s < n; ++s) {
        const std::size_t cell = (first + b) * n + s;
        const double* in = panel + cell * n_in;
        Value* row = table.data() + (b * n + s) * width_;
        for (std::size_t j = 0; j < n_in; ++j) row[j] = from_double(in[j]);
        active[b * n + s] = trades(in, n_in, mask != nullptr ? mask + cell : nullptr) ? 1 : 0;
      }
    }
    run_table(table, active, count, threads);
    for (std::size_t b = 0; b < count; ++b) {
      for (std::size_t s = 0; s < n; ++s) {
        const Value* row = table.data() + (b * n + s) * width_ + n_in;
        double* dst = out + ((first + b) * n + s) * n_out;
        for (std::size_t k = 0; k < n_out; ++k) dst[k] = to_double(row[k]);
      }
    }
  }
  return true;
}

void UniversePipeline::run_table(std::vector<Value>& table, const std::vector<std::uint8_t>& active,
                                 std::size_t bars, unsigned threads) {
  const std::size_t n = symbols_.size();
  const std::size_t width = width_;
  for (const Stage& stage : stages_) {
    if (stage.cross) {
      parallel(bars, threads, [&](std::size_t b, WorkerScratch& w) {
        Value* rows = table.data() + b * n * width;
        for (const CrossStep& step : stage.steps) {
          step.cross->apply(rows + step.in, rows + step.out, width, n, active.data() + b * n,
                            w.cross);
        }
      });
      continue;
    }
    parallel(n, threads, [&](std::size_t s, WorkerScratch& w) {
      std::vector<std::size_t>& at = w.bars;
      at.clear();
      for (std::size_t b = 0; b < bars; ++b) {
        if (active[b * n + s] != 0) {
          at.push_back(b);
        } else {
          Value* dst = table.data() + (b * n + s) * width + stage.out_begin;
          std::fill(dst, dst + stage.out_count, kMissing);
        }
      }
      symbols_[s][stage.index].run_blocks(
          at.size(),
          [&](std::size_t begin, std::size_t count, std::span<Value* const> inputs) {
            for (std::size_t i = 0; i < count; ++i) {
              const Value* row = table.data() + (at[begin + i] * n + s) * width;
              for (std::size_t j = 0; j < stage.reads; ++j) inputs[j][i] = row[j];
            }
          },
          [&](std::size_t begin, std::size_t count, std::span<const Value* const> outputs) {
            for (std::size_t i = 0; i < count; ++i) {
              Value* row = table.data() + (at[begin + i] * n + s) * width + stage.out_begin;
              for (std::size_t k = 0; k < stage.out_count; ++k) row[k] = outputs[k][i];
            }
            return true;
          },
          [] { return true; });
    });
  }
}

}  // namespace zerak
