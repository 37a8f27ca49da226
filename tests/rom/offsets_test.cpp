// SPDX-License-Identifier: MIT
#include "rom/offsets.h"

#include <gtest/gtest.h>

namespace glyphon::rom {
namespace {

TEST(Offsets, ReadDecimalAndBothHexFormsAndRefuseTheRestSayingWhy) {
  struct Case {
    std::string text;
    std::uint64_t value;
    std::string error;  // a part of the failure; empty for a success
  };
  for (const Case& c : std::vector<Case>{{"0", 0, ""},
                                         {"4096", 4096, ""},
                                         {"0x1F3A0", 0x1F3A0, ""},
                                         {"0Xff", 255, ""},
                                         {"$8000", 0x8000, ""},
                                         {"$ffffffffffffffff", ~std::uint64_t{0}, ""},
                                         {"-1", 0, "\"-1\" is negative"},
                                         {"-0x10", 0, "is negative"},
                                         {"18446744073709551616", 0, "is too large"},
                                         {"0x10000000000000000", 0, "is too large"}}) {
    auto value = ParseOffset(c.text);
    ASSERT_EQ(value.Ok(), c.error.empty()) << c.text;
    if (value.Ok()) {
      EXPECT_EQ(value.Value(), c.value) << c.text;
    } else {
      EXPECT_NE(value.Error().find(c.error), std::string::npos) << value.Error();
    }
  }
  for (const char* text : {"", "0x", "$", "12k", " 12", "+12", "0x$12", "$-12", "1.5"})
    EXPECT_EQ(ParseOffset(text).Error(),
              "\"" + std::string(text) + "\" is not a number (decimal, 0x hex or $ hex)");
}

}  // namespace
}  // namespace glyphon::rom
