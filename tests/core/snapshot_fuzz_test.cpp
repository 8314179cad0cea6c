// Mutated and truncated snapshots of every class must be refused or yield a
// working object, never crash or read out of bounds (run under ASan+UBSan by
// `make core-tests-asan`). Most mutations are re-sealed with a valid
// checksum so that they reach the parser rather than stop at the checksum.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>
#include <stdexcept>

#include "snapshot/format.hpp"
#include "snapshot_cases.hpp"

// A mutated window can ask for any amount of memory. During the fuzz run
// single allocations above a budget fail as they would on a small machine,
// so that huge configurations end in std::bad_alloc instead of paging.
namespace {
thread_local std::size_t g_allocation_budget = 0;  // 0: no budget
}  // namespace

void* operator new(std::size_t n) {
  if (g_allocation_budget != 0 && n > g_allocation_budget) throw std::bad_alloc();
  if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return ::operator new(n); }
// The compiler cannot see that these pair with the malloc above.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace zerak {
namespace {

using Bytes = snapshot::Bytes;

void reseal(Bytes& b) {
  if (b.size() < 8) return;
  const std::uint64_t sum = snapshot::checksum(std::span(b).first(b.size() - 8));
  for (int i = 0; i < 8; ++i) b[b.size() - 8 + i] = std::uint8_t(sum >> (8 * i));
}

// Sets the top record's length to what lies between it and the checksum.
void fix_record_length(Bytes& b) {
  if (b.size() < 7 || b[6] == 0) return;
  const std::size_t at = 7 + b[6];
  if (b.size() < at + 16) return;
  const std::uint64_t length = b.size() - 8 - (at + 8);
  for (int i = 0; i < 8; ++i) b[at + i] = std::uint8_t(length >> (8 * i));
}

struct Tally {
  std::size_t tried = 0;
  std::size_t accepted = 0;
};

class SnapshotFuzz : public ::testing::TestWithParam<std::size_t> {
 protected:
  // Loads a candidate; true when it was accepted.
  bool attempt(const testing::SnapshotCase& c, const Bytes& b, Tally& tally) {
    ++tally.tried;
    bool accepted = false;
    g_allocation_budget = 4 << 20;
    try {
      accepted = c.load_and_use(b);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    g_allocation_budget = 0;
    tally.accepted += accepted;
    return accepted;
  }
};

TEST_P(SnapshotFuzz, MutatedAndTruncatedSnapshotsAreRefusedOrSound) {
  const testing::SnapshotCase c = testing::snapshot_cases()[GetParam()];
  const Bytes base = c.saved();
  const std::size_t n = base.size();
  const std::size_t record = 7;  // first byte of the record
  std::mt19937_64 gen(0x5eed + GetParam());
  const auto below = [&gen](std::size_t k) { return std::size_t(gen() % k); };
  Tally tally;

  // Every truncation, sealed as found and re-sealed.
  for (std::size_t len = 0; len < n; ++len) {
    Bytes b(base.begin(), base.begin() + std::ptrdiff_t(len));
    EXPECT_FALSE(attempt(c, b, tally)) << c.name << " truncated to " << len;
    if (len >= record + 16) {
      fix_record_length(b);
      reseal(b);
      attempt(c, b, tally);
    }
  }
  // Random bytes changed without re-sealing: the checksum refuses them.
  for (int i = 0; i < 20000; ++i) {
    Bytes b = base;
    const std::size_t at = below(n);
    b[at] = std::uint8_t(b[at] ^ (1 + below(255)));
    EXPECT_FALSE(attempt(c, b, tally)) << c.name << " byte " << at;
  }
  // Random bytes of the record changed, then re-sealed.
  for (int i = 0; i < 50000; ++i) {
    Bytes b = base;
    for (std::size_t k = 1 + below(4); k > 0; --k)
      b[record + below(n - 8 - record)] = std::uint8_t(gen());
    reseal(b);
    attempt(c, b, tally);
  }
  // Boundary numbers written over any 8 bytes of the record, re-sealed.
  const std::uint64_t boundaries[] = {0,          1,        2,          3,          7, 8,
                                      255,        1u << 16, 1ull << 31, 1ull << 32, n, 1ull << 62,
                                      1ull << 63, ~0ull,    ~0ull - 1,  ~0ull >> 3};
  for (int i = 0; i < 15000; ++i) {
    Bytes b = base;
    const std::size_t at = record + below(n - 16 - record);
    const std::uint64_t v = boundaries[below(std::size(boundaries))];
    for (int k = 0; k < 8; ++k) b[at + std::size_t(k)] = std::uint8_t(v >> (8 * k));
    reseal(b);
    attempt(c, b, tally);
  }
  // Bytes inserted into or deleted from the body, lengths fixed, re-sealed.
  for (int i = 0; i < 15000; ++i) {
    Bytes b = base;
    const std::size_t at = record + 9 + below(n - 17 - record);
    if (i % 2 == 0) {
      b.insert(b.begin() + std::ptrdiff_t(at), 1 + below(9), std::uint8_t(gen()));
    } else {
      b.erase(b.begin() + std::ptrdiff_t(at),
              b.begin() + std::ptrdiff_t(std::min(at + 1 + below(9), n - 8)));
    }
    fix_record_length(b);
    reseal(b);
    attempt(c, b, tally);
  }
  EXPECT_GE(tally.tried, 100000u);
  // The untouched snapshot itself still loads.
  EXPECT_TRUE(attempt(c, base, tally));
  RecordProperty("accepted", int(tally.accepted));
}

INSTANTIATE_TEST_SUITE_P(EveryClass, SnapshotFuzz,
                         ::testing::Range<std::size_t>(0, testing::snapshot_cases().size()),
                         [](const auto& info) {
                           return testing::snapshot_cases()[info.param].name;
                         });

}  // namespace
}  // namespace zerak
