#include "rom/offsets.h"

#include <gtest/gtest.h>

namespace glyphon::rom {
namespace {

TEST(Offsets, ReadDecimalAndBothHexForms) {
  struct Case {
    std::string text;
    std::uint64_t value;
  };
  for (const Case& c : std::vector<Case>{{"0", 0},
                                         {"4096", 4096},
                                         {"0x1F3A0", 0x1F3A0},
                                         {"0Xff", 255},
                                         {"$8000", 0x8000},
                                         {"$ffffffffffffffff", ~std::uint64_t{0}}}) {
    auto value = ParseOffset(c.text);
    ASSERT_TRUE(value.Ok()) << c.text << ": " << value.Error();
    EXPECT_EQ(value.Value(), c.value) << c.text;
  }
}

TEST(Offsets, RefuseWhatIsNoOffsetSayingWhy) {
  struct Case {
    std::string text;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{{"-1", "\"-1\" is negative"},
                                         {"-0x10", "is negative"},
                                         {"", "is not a number"},
                                         {"0x", "is not a number"},
                                         {"$", "is not a number"},
                                         {"12k", "is not a number"},
                                         {" 12", "is not a number"},
                                         {"+12", "is not a number"},
                                         {"0x$12", "is not a number"},
                                         {"$-12", "is not a number"},
                                         {"1.5", "is not a number"},
                                         {"18446744073709551616", "is too large"},
                                         {"0x10000000000000000", "is too large"}}) {
    auto value = ParseOffset(c.text);
    ASSERT_FALSE(value.Ok()) << c.text;
    EXPECT_NE(value.Error().find(c.error), std::string::npos) << c.text << ": " << value.Error();
  }
}

}  // namespace
}  // namespace glyphon::rom
