#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <vector>

#include "rollback.hpp"
#include "window/ring.hpp"

namespace zerak {
namespace {

std::vector<double> contents(const BasicRing<double>& ring) {
  std::vector<double> out;
  ring.for_each([&out](double v) { out.push_back(v); });
  return out;
}

// Any mix of pushes and clears, more overwrites than the journal keeps inline,
// is undone exactly, and the ring then goes on as an untouched copy does.
TEST(RingUndo, PutsBackAnySequenceOfPushesAndClears) {
  std::mt19937 rng(11);
  for (const std::size_t capacity : {0u, 1u, 2u, 5u, 9u}) {
    for (int trial = 0; trial < 300; ++trial) {
      BasicRing<double> ring(capacity);
      const int before = int(rng() % (3 * capacity + 2));
      for (int i = 0; i < before; ++i) ring.push(double(rng() % 1000));
      const BasicRing<double> untouched = ring;
      {
        RingUndo undo(ring);
        undo.arm();
        const int ops = int(rng() % 14);
        for (int i = 0; i < ops; ++i) {
          if (rng() % 6 == 0) {
            ring.clear();
          } else {
            ring.push(-double(i) - 1.0);
          }
        }
      }
      ASSERT_EQ(contents(ring), contents(untouched)) << capacity << " " << trial;
      BasicRing<double> copy = untouched;
      for (int i = 0; i < 4; ++i) {
        ring.push(double(5000 + i));
        copy.push(double(5000 + i));
        ASSERT_EQ(contents(ring), contents(copy));
      }
    }
  }
}

TEST(RingUndo, AnUnarmedUndoAndAMovedFromOneChangeNothing) {
  BasicRing<double> ring(3);
  ring.push(1.0);
  {
    RingUndo first(ring);
    RingUndo second(std::move(first));
    ring.push(2.0);  // nothing armed yet
    second.arm();
    ring.push(3.0);
  }
  EXPECT_EQ(contents(ring), (std::vector<double>{1.0, 2.0}));
}

TEST(ValueUndo, RestoresOnlyOnceArmed) {
  Value v = 1.0;
  {
    rollback::ValueUndo undo(v);
    v = 2.0;
  }
  EXPECT_EQ(v, 2.0);
  {
    rollback::ValueUndo undo(v);
    undo.arm();
    v = kMissing;
  }
  EXPECT_EQ(v, 2.0);
}

}  // namespace
}  // namespace zerak
