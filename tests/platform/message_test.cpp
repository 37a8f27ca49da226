// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace glyphon::test {
namespace {

struct SentenceCase {
  const char* line;
  const char* shown;
};

class Sentences : public ::testing::TestWithParam<SentenceCase> {};

TEST_P(Sentences, StartWithACapitalButKeepFileNames) {
  EXPECT_EQ(platform::AsSentence(GetParam().line), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Sentences,
    ::testing::Values(SentenceCase{"the file was not found", "The file was not found"},
                      SentenceCase{"Unable to load a.dat.", "Unable to load a.dat."},
                      SentenceCase{"there is not enough memory", "There is not enough memory"},
                      SentenceCase{"game.sfc holds 0x100 bytes.", "game.sfc holds 0x100 bytes."},
                      SentenceCase{"/tmp/a.png: cut short", "/tmp/a.png: cut short"},
                      SentenceCase{"0x1F000 is past the end", "0x1F000 is past the end"},
                      SentenceCase{"", ""}));

}  // namespace
}  // namespace glyphon::test
