// SPDX-License-Identifier: MIT
#include "convert/progress_ticker.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_support.h"

namespace glyphon::convert {
namespace {

// What the contract gives: nearest(k / total * scale + offset) after every pixel, with
// repeats removed (a repeated value costs the sink nothing and shows nothing new).
std::vector<int> Expected(std::int64_t total, double scale, double offset) {
  std::vector<int> out;
  for (std::int64_t k = 1; k <= total; ++k) {
    const int p =
        static_cast<int>(Nearest(static_cast<double>(k) / static_cast<double>(total) * scale + offset));
    if (out.empty() || out.back() != p) out.push_back(p);
  }
  return out;
}

TEST(ProgressTicker, EightPixelsRoundHalfToEven) {
  test::RecordingProgress sink;
  ProgressTicker ticker(sink, 8);
  for (int k = 1; k <= 8; ++k) ticker.Tick(k);
  EXPECT_EQ(sink.reports, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST(ProgressTicker, MatchesThePerPixelFormulaForManySizesAndScales) {
  struct Case {
    std::int64_t total;
    double scale, offset;
  };
  for (const Case& c : {Case{1, 100, 0},
                        {3, 100, 0},
                        {7, 100, 0},
                        {200, 100, 0},
                        {999, 100, 0},
                        {4096, 100, 0},
                        {65536, 100, 0},
                        {1234567, 100, 0},
                        {64, 50, 0},
                        {1000, 50, 50},
                        {4194304, 50, 50},
                        {17, 50, 0}}) {
    test::RecordingProgress sink;
    ProgressTicker ticker(sink, c.total, c.scale, c.offset);
    for (std::int64_t k = 1; k <= c.total; ++k) ticker.Tick(k);
    EXPECT_EQ(sink.reports, Expected(c.total, c.scale, c.offset))
        << c.total << " scale " << c.scale << " offset " << c.offset;
    // Ticking in uneven steps (rows of 7 pixels, the last one short) reports the same.
    test::RecordingProgress stepped;
    ProgressTicker rows(stepped, c.total, c.scale, c.offset);
    for (std::int64_t k = 7; k < c.total + 7; k += 7) rows.TickTo(std::min(k, c.total));
    EXPECT_EQ(stepped.reports, sink.reports) << c.total << " in steps of 7";
  }
}

TEST(ProgressTicker, NothingForAnEmptyLoop) {
  test::RecordingProgress sink;
  ProgressTicker ticker(sink, 0);
  EXPECT_TRUE(sink.reports.empty());
}

}  // namespace
}  // namespace glyphon::convert
