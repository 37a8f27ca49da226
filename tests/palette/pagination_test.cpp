// SPDX-License-Identifier: MIT
#include "palette/pagination.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace glyphon::palette {
namespace {

// Every set lies in its palette; palettes ascending, without repeats, within the size, each
// used by some set and numbered in the order of the first set using it.
void ExpectValid(const std::vector<ColourSet>& sets, std::size_t size, const Packing& packing) {
  ASSERT_EQ(packing.paletteOf.size(), sets.size());
  std::vector<bool> used(packing.palettes.size(), false);
  for (const ColourSet& palette : packing.palettes) {
    EXPECT_LE(palette.size(), size);
    EXPECT_TRUE(std::adjacent_find(palette.begin(), palette.end(), std::greater_equal<RgbColor>()) ==
                palette.end());
  }
  for (std::size_t s = 0; s < sets.size(); ++s) {
    ASSERT_LT(packing.paletteOf[s], packing.palettes.size());
    const ColourSet& palette = packing.palettes[packing.paletteOf[s]];
    EXPECT_TRUE(std::includes(palette.begin(), palette.end(), sets[s].begin(), sets[s].end())) << "set " << s;
    if (!used[packing.paletteOf[s]]) {
      EXPECT_EQ(packing.paletteOf[s], static_cast<std::size_t>(std::count(used.begin(), used.end(), true)))
          << "set " << s << " is the first in its palette";
    }
    used[packing.paletteOf[s]] = true;
  }
  EXPECT_TRUE(std::all_of(used.begin(), used.end(), [](bool u) { return u; }));
}

struct KnownCase {
  std::string name;
  std::vector<ColourSet> sets;
  std::size_t size;
  std::size_t fewest;         // worked out by hand, see each case
  std::size_t firstFitCount;  // first-fit decreasing, followed by hand
};

class KnownPackings : public testing::TestWithParam<KnownCase> {};

TEST_P(KnownPackings, FewestPalettes) {
  const KnownCase& c = GetParam();
  const Packing packing = PackColourSets(c.sets, c.size);
  ExpectValid(c.sets, c.size, packing);
  EXPECT_EQ(packing.palettes.size(), c.fewest);
  const Packing firstFit = PackFirstFitDecreasing(c.sets, c.size);
  ExpectValid(c.sets, c.size, firstFit);
  EXPECT_EQ(firstFit.palettes.size(), c.firstFitCount);
  EXPECT_LE(PalettesNeededAtLeast(c.sets, c.size), c.fewest);
  const Packing again = PackColourSets(c.sets, c.size);
  EXPECT_EQ(again.palettes, packing.palettes);
  EXPECT_EQ(again.paletteOf, packing.paletteOf);
}

INSTANTIATE_TEST_SUITE_P(
    Pagination, KnownPackings,
    testing::Values(
        KnownCase{"Empty", {}, 16, 0, 0},
        // A set of exactly the palette size fills one palette.
        KnownCase{"ExactlyFull", {{1, 2, 3, 4}}, 4, 1, 1},
        // Sets with no colours still need a palette to point at.
        KnownCase{"NoColours", {{}, {}}, 4, 1, 1},
        // Repeats and subsets of {1,2,3,4} cost nothing.
        KnownCase{"SubsetsFree", {{1, 2}, {1, 2, 3, 4}, {3}, {}, {2, 4}, {1, 2, 3, 4}}, 4, 1, 1},
        // {1,2,3} and {4,5,6} make 6 colours: two palettes, each subset with its superset.
        KnownCase{"TwoApart", {{4, 5}, {1, 2, 3}, {4, 5, 6}, {1, 3}, {6}}, 4, 2, 2},
        // Size 3. First fit, in the given order (all of size 2): {4,5} opens P0; {3,5} joins
        // it (P0 = 3,4,5); {2,4} would make 4 colours there, opens P1; {1,5} fits neither
        // (4 colours each): P2. Two suffice: {1,3,5} for {3,5},{1,5} and {2,4,5} for the rest.
        KnownCase{"SharedFirstFitMisses", {{4, 5}, {3, 5}, {2, 4}, {1, 5}}, 3, 2, 3},
        // Size 3. First fit: {2,5}, {5,6} in P0 (2,5,6); {4,6} opens P1; {2,3} fits neither
        // (4 colours each): P2; {3,5} joins P2 (2,3,5). Two suffice: {2,3,5} for
        // {2,5},{2,3},{3,5} and {4,5,6} for {5,6},{4,6}.
        KnownCase{"SharedFirstFitMisses5", {{2, 5}, {5, 6}, {4, 6}, {2, 3}, {3, 5}}, 3, 2, 3},
        // Bin packing in disguise, size 10, disjoint sets of 5,4,3,3,3,2 colours. First fit:
        // 5+4 in P0 (9), 3+3+3 in P1 (9), the 2 fits neither: 3. Two suffice: 5+3+2, 4+3+3.
        KnownCase{"DisjointFirstFitMisses",
                  {{1, 2, 3, 4, 5}, {10, 11, 12, 13}, {20, 21, 22}, {30, 31, 32}, {40, 41, 42}, {50, 51}},
                  10,
                  2,
                  3},
        // The same with a backdrop colour 0 in every set, size 11 (10 entries left).
        KnownCase{"BackdropFirstFitMisses",
                  {{0, 1, 2, 3, 4, 5},
                   {0, 10, 11, 12, 13},
                   {0, 20, 21, 22},
                   {0, 30, 31, 32},
                   {0, 40, 41, 42},
                   {0, 50, 51}},
                  11,
                  2,
                  3}),
    [](const testing::TestParamInfo<KnownCase>& test) { return test.param.name; });

// Art drawn from known sub-palettes: every tile uses 1 to `most` colours of one of
// `palettes` palettes of `size` colours (`shared` of them in every palette, the others
// drawn from `pool` colours when `pool` > 0, else all different). A packing of `palettes`
// palettes exists, so the packer must find one at least as small.
struct SubPalettes {
  std::string name;
  std::size_t palettes, size, tiles, most, shared, pool;
};

class KnownSubPalettes : public testing::TestWithParam<SubPalettes> {};

TEST_P(KnownSubPalettes, PacksIntoAtMostThatMany) {
  const SubPalettes& p = GetParam();
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::mt19937 random(seed);
    ColourSet pool(p.pool > 0 ? p.pool : p.palettes * (p.size - p.shared));
    std::iota(pool.begin(), pool.end(), 100);
    std::vector<ColourSet> subPalettes;
    std::size_t next = 0;
    for (std::size_t k = 0; k < p.palettes; ++k) {
      ColourSet colours;
      if (p.pool > 0) {
        std::shuffle(pool.begin(), pool.end(), random);
        colours.assign(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(p.size - p.shared));
      } else {
        for (std::size_t c = 0; c < p.size - p.shared; ++c) colours.push_back(pool[next++]);
      }
      for (std::size_t c = 0; c < p.shared; ++c) colours.push_back(static_cast<RgbColor>(c));
      subPalettes.push_back(colours);
    }
    std::vector<ColourSet> sets;
    for (std::size_t t = 0; t < p.tiles; ++t) {
      ColourSet from = subPalettes[random() % p.palettes];
      std::shuffle(from.begin(), from.end(), random);
      from.resize(1 + random() % p.most);
      std::sort(from.begin(), from.end());
      sets.push_back(from);
    }
    const Packing packing = PackColourSets(sets, p.size);
    ExpectValid(sets, p.size, packing);
    EXPECT_LE(packing.palettes.size(), p.palettes) << "seed " << seed;
    EXPECT_LE(packing.palettes.size(), PackFirstFitDecreasing(sets, p.size).palettes.size())
        << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Pagination, KnownSubPalettes,
                         testing::Values(SubPalettes{"Snes8of16", 8, 16, 1024, 16, 1, 0},
                                         SubPalettes{"Snes8of16FewColoursATile", 8, 16, 512, 5, 1, 0},
                                         SubPalettes{"Snes8of16SharingRamps", 8, 16, 512, 10, 1, 40},
                                         SubPalettes{"Snes8of16From24Colours", 8, 16, 512, 8, 1, 24},
                                         SubPalettes{"Gbc8of4", 8, 4, 360, 4, 0, 0},
                                         SubPalettes{"Gbc8of4SharingColours", 8, 4, 360, 4, 0, 12},
                                         SubPalettes{"Nes4of4Backdrop", 4, 4, 960, 4, 1, 0},
                                         SubPalettes{"Small4of8", 4, 8, 20, 8, 0, 0},
                                         SubPalettes{"Bpp8Three64", 3, 64, 200, 40, 1, 0}),
                         [](const testing::TestParamInfo<SubPalettes>& test) { return test.param.name; });

// Bin packing in disguise: `groups` palettes' worth of distinct colours, each cut into
// three sets that fill the palette exactly (with `backdrop`, one colour more in every set
// and the size one larger). The colours alone need `groups` palettes and `groups` suffice,
// so that is the fewest; first fit pairs the large sets badly.
struct Triplets {
  std::string name;
  std::size_t groups, room;
  bool backdrop;
};

class PerfectFits : public testing::TestWithParam<Triplets> {};

TEST_P(PerfectFits, FindsTheFewest) {
  const Triplets& t = GetParam();
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::mt19937 random(seed);
    std::vector<ColourSet> sets;
    RgbColor next = 1;
    for (std::size_t g = 0; g < t.groups; ++g) {
      const std::size_t a = t.room / 3 + random() % (t.room / 6 + 1);
      const std::size_t b = (t.room - a) / 2 + random() % 2;
      for (std::size_t part : {a, b, t.room - a - b}) {
        ColourSet set;
        if (t.backdrop) set.push_back(0);
        for (std::size_t c = 0; c < part; ++c) set.push_back(next++);
        sets.push_back(set);
      }
    }
    std::shuffle(sets.begin(), sets.end(), random);
    const std::size_t size = t.room + (t.backdrop ? 1 : 0);
    const Packing packing = PackColourSets(sets, size);
    ExpectValid(sets, size, packing);
    EXPECT_EQ(packing.palettes.size(), t.groups) << "seed " << seed;
    EXPECT_EQ(PalettesNeededAtLeast(sets, size), t.groups) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Pagination, PerfectFits,
                         testing::Values(Triplets{"Four16", 4, 16, false},
                                         Triplets{"Twelve16", 12, 16, false},
                                         Triplets{"Twelve16Backdrop", 12, 15, true},
                                         Triplets{"Ten10", 10, 10, false},
                                         Triplets{"Sixty16", 60, 16, false}),
                         [](const testing::TestParamInfo<Triplets>& test) { return test.param.name; });

// First fit puts {6} with {0,3,6,9,11,15} and {2,3,6,13,16} elsewhere than where the later
// steps put the sets holding them: those steps must start from where each distinct set
// itself went, not from where a set lying in it did.
TEST(Pagination, StartsFromWhereEachDistinctSetWent) {
  const std::vector<ColourSet> sets = {
      {0, 3, 6, 9, 11, 15}, {2, 10, 15, 16},   {0, 1, 4, 8, 11, 12, 16}, {6},    {2, 5, 15}, {0, 1, 10, 15},
      {1, 2, 5, 9, 13, 16}, {2, 3, 6, 13, 16}, {1, 5, 8, 9, 10, 13},     {7, 10}};
  const Packing packing = PackColourSets(sets, 8);
  ExpectValid(sets, 8, packing);
  EXPECT_LE(packing.palettes.size(), PackFirstFitDecreasing(sets, 8).palettes.size());
}

struct BoundCase {
  std::string name;
  std::vector<ColourSet> sets;
  std::size_t size, bound;
};

class LowerBounds : public testing::TestWithParam<BoundCase> {};

TEST_P(LowerBounds, KnownByHand) {
  EXPECT_EQ(PalettesNeededAtLeast(GetParam().sets, GetParam().size), GetParam().bound);
}

INSTANTIATE_TEST_SUITE_P(
    Pagination, LowerBounds,
    testing::Values(BoundCase{"Empty", {}, 4, 0},
                    // 9 colours, 4 a palette: 3.
                    BoundCase{"Colours", {{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}, {9}}, 4, 3},
                    // 6 colours fit 2 palettes of 4, but any two sets make 5: 3.
                    BoundCase{"ApartGroup", {{1, 2, 3}, {1, 4, 5}, {2, 4, 6}}, 4, 3},
                    // Any two sets fit together and 8 colours make 2 palettes of 4, but
                    // colour 0 takes an entry in every palette: 7 others, 3 a palette: 3.
                    BoundCase{"Backdrop", {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}}, 4, 3}),
    [](const testing::TestParamInfo<BoundCase>& test) { return test.param.name; });

// Random sets, many more than the exact search takes: valid, never above first fit, never
// below the lower bound.
TEST(Pagination, RandomSetsNeverWorseThanFirstFit) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    std::mt19937 random(seed);
    std::vector<ColourSet> sets;
    for (int s = 0; s < 160; ++s) {
      ColourSet set;
      const std::size_t count = 1 + random() % 8;
      while (set.size() < count) {
        const auto colour = static_cast<RgbColor>(random() % 32);
        if (std::find(set.begin(), set.end(), colour) == set.end()) set.push_back(colour);
      }
      std::sort(set.begin(), set.end());
      sets.push_back(set);
    }
    const Packing packing = PackColourSets(sets, 8);
    ExpectValid(sets, 8, packing);
    EXPECT_LE(packing.palettes.size(), PackFirstFitDecreasing(sets, 8).palettes.size());
    EXPECT_GE(packing.palettes.size(), PalettesNeededAtLeast(sets, 8));
  }
}

}  // namespace
}  // namespace glyphon::palette
