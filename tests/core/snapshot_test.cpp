#include <gtest/gtest.h>

#include <string>

#include "snapshot/format.hpp"
#include "snapshot_cases.hpp"

namespace zerak {
namespace {

using testing::snapshot_cases;

class SnapshotRoundTrip : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SnapshotRoundTrip, RestoredObjectContinuesBitForBit) {
  const testing::SnapshotCase c = snapshot_cases()[GetParam()];
  // Saved past its warm-up: a cold object would round-trip trivially.
  EXPECT_TRUE(c.warm()) << c.name << " had given no present value before it was saved";
  EXPECT_TRUE(c.continues_exactly()) << c.name;
  const snapshot::Bytes bytes = c.saved();
  EXPECT_TRUE(c.load_and_use(bytes)) << c.name;
  const Result<std::string> cls = snapshot::class_of(bytes);
  ASSERT_TRUE(cls.ok());
  EXPECT_EQ(cls.value(), c.name);
}

INSTANTIATE_TEST_SUITE_P(EveryClass, SnapshotRoundTrip,
                         ::testing::Range<std::size_t>(0, snapshot_cases().size()),
                         [](const auto& info) { return snapshot_cases()[info.param].name; });

snapshot::Bytes sma_snapshot() {
  Sma sma = Sma::create({"x"}, 3, {"s"}).value();
  const Value x = 1.5;
  sma.update(std::span(&x, 1));
  return snapshot::save(sma);
}

// Rewrites the checksum after an edit, as a forger would.
void reseal(snapshot::Bytes& b) {
  const std::uint64_t sum = snapshot::checksum(std::span(b).first(b.size() - 8));
  for (int i = 0; i < 8; ++i) b[b.size() - 8 + i] = std::uint8_t(sum >> (8 * i));
}

std::string load_error(const snapshot::Bytes& b) {
  const Result<Sma> r = snapshot::load<Sma>(b);
  return r ? std::string("loaded") : r.error().message();
}

TEST(Snapshot, EnvelopeProblemsAreNamed) {
  snapshot::Bytes b = sma_snapshot();
  EXPECT_EQ(load_error({'P', 'K', 3, 4}), "not a zerak snapshot (it does not start with \"ZRKS\")");
  EXPECT_EQ(load_error({}), "snapshot truncated: 0 byte(s), a snapshot has at least 24");
  EXPECT_EQ(load_error(snapshot::Bytes(b.begin(), b.begin() + 10)),
            "snapshot truncated: 10 byte(s), a snapshot has at least 24");

  snapshot::Bytes future = b;
  future[4] = 2;
  EXPECT_EQ(load_error(future),
            "unsupported snapshot format version 2 (this build reads version 1)");

  snapshot::Bytes flipped = b;
  flipped[30] ^= 0x10;
  EXPECT_EQ(load_error(flipped),
            "snapshot checksum mismatch: the snapshot is corrupted or truncated");

  snapshot::Bytes longer = b;
  longer.insert(longer.end() - 8, 0);
  reseal(longer);
  EXPECT_EQ(load_error(longer), "1 unexpected byte(s) at byte " + std::to_string(b.size() - 8));

  const Result<Ema> ema = snapshot::load<Ema>(b);
  ASSERT_FALSE(ema.ok());
  EXPECT_EQ(ema.error().message(), "snapshot holds a Sma, not a Ema");
}

// Layout of sma_snapshot() (window 3, one value 1.5): magic 0..3, version
// 4..5, tag length 6, "Sma" 7..9, body length 10..17, inputs 18..34, window
// 35..42, outputs 43..59, ring count 60..67, bitmap 68, value 69..76, checksum.
constexpr std::size_t kWindowAt = 35;
constexpr std::size_t kCountAt = 60;
constexpr std::size_t kBitmapAt = 68;

TEST(Snapshot, StateMustFitTheConfiguration) {
  snapshot::Bytes b = sma_snapshot();
  ASSERT_EQ(b.size(), 85u);
  ASSERT_EQ(b[kCountAt], 1);
  b[kCountAt] = 4;
  reseal(b);
  EXPECT_EQ(load_error(b),
            "snapshot of Sma: window values holds 4 values, more than its capacity 3");

  b[kCountAt] = 2;  // [1.5, missing] is a valid window...
  reseal(b);
  EXPECT_EQ(load_error(b), "loaded");
  b[kBitmapAt] = 0x05;  // ...but a bit for a third value is not
  reseal(b);
  EXPECT_EQ(load_error(b), "snapshot of Sma: window values: presence bits set past the last value");
  b[kBitmapAt] = 0x03;  // two present values, one stored
  reseal(b);
  EXPECT_EQ(load_error(b), "snapshot of Sma: truncated at byte 68 reading window values");
}

// Replaces the last `old_size` bytes of the body and fixes the record length.
void replace_body_tail(snapshot::Bytes& b, std::size_t old_size,
                       std::initializer_list<std::uint8_t> bytes) {
  b.erase(b.end() - 8 - std::ptrdiff_t(old_size), b.end() - 8);
  b.insert(b.end() - 8, bytes);
  const std::size_t length_at = 7 + b[6];
  const std::uint64_t length = b.size() - 8 - (length_at + 8);
  for (int i = 0; i < 8; ++i) b[length_at + i] = std::uint8_t(length >> (8 * i));
  reseal(b);
}

TEST(Snapshot, EmaRefusesSeedValuesBesideASeededAverage) {
  Ema ema = Ema::create({"x"}, 2, {"e"}).value();
  const Value xs[] = {1.0, 2.0, 3.0};
  for (const Value& x : xs) ema.update(std::span(&x, 1));
  snapshot::Bytes b = snapshot::save(ema);
  ASSERT_TRUE(snapshot::load<Ema>(b).ok());
  // The seeded average is followed by an empty seed ring (count 0); give it
  // one value, 1.0.
  replace_body_tail(b, 8, {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
  const Result<Ema> r = snapshot::load<Ema>(b);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message(), "snapshot of Ema: seed values beside a seeded average");
}

TEST(Snapshot, NamesMustBeUtf8) {
  snapshot::Bytes b = sma_snapshot();
  ASSERT_EQ(b[34], 'x');
  b[34] = 0xC0;  // an overlong lead byte
  reseal(b);
  EXPECT_EQ(load_error(b), "snapshot of Sma: inputs is not valid UTF-8");
}

TEST(Snapshot, ConfigurationGoesThroughTheConstructor) {
  snapshot::Bytes b = sma_snapshot();
  ASSERT_EQ(b[kWindowAt], 3);
  b[kWindowAt] = 0;
  reseal(b);
  EXPECT_EQ(load_error(b), "snapshot of Sma: configuration rejected: window must be non-zero");
}

TEST(Snapshot, PipelineRecordsMustBeTransforms) {
  std::vector<std::unique_ptr<Target>> ts;
  ts.push_back(std::make_unique<FutureReturn>(FutureReturn::create({"x"}, 1, {"r"}).value()));
  const TargetPipeline targets = TargetPipeline::create(std::move(ts), {"x"}).value();
  snapshot::Bytes b = snapshot::save(targets);
  // Rename the outer record so that its target record is read as a transform.
  const std::string tp = "TargetPipeline";
  const std::string fp = "FeaturePipeline";
  b.erase(b.begin() + 7, b.begin() + 7 + std::ptrdiff_t(tp.size()));
  b.insert(b.begin() + 7, fp.begin(), fp.end());
  b[6] = std::uint8_t(fp.size());
  reseal(b);
  const Result<FeaturePipeline> r = snapshot::load<FeaturePipeline>(b);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message(),
            "snapshot of FeaturePipeline: a FutureReturn record where a transform belongs");
}

}  // namespace
}  // namespace zerak
