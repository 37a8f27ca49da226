// SPDX-License-Identifier: MIT
#include "editor/editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace glyphon::test {
namespace {

using editor::Editor;
using editor::Point;
using editor::Rect;
using editor::Tool;
using editor::ValueGrid;
using Rows = std::vector<std::string>;

// An 8 by 4 canvas of 2 bits a pixel in tiles of 4 by 4, all 0 unless a case says.
constexpr int kWidth = 8, kHeight = 4, kBits = 2, kTile = 4;
const Rows kBlank = {"00000000", "00000000", "00000000", "00000000"};

// A stroke: pressed at the first point, dragged over the middle ones, released at the last.
struct ToolCase {
  const char* name;
  Tool tool;
  std::vector<Point> stroke;
  bool secondButton;
  Rows before;
  Rows after;      // worked out by hand
  int valueAfter;  // the first value after the stroke (the eyedropper's pick)
};

// The tools draw value 1 with the left button and value 3 with the right.
const ToolCase kToolCases[] = {
    {"PencilClickSetsOnePixel",
     Tool::Pencil,
     {{2, 1}},
     false,
     kBlank,
     {"00000000", "00100000", "00000000", "00000000"},
     1},
    {"PencilFastDragLeavesNoGap",
     Tool::Pencil,
     {{0, 0}, {3, 3}},
     false,
     kBlank,
     {"10000000", "01000000", "00100000", "00010000"},
     1},
    {"PencilRightButtonDrawsTheSecondValue",
     Tool::Pencil,
     {{7, 3}},
     true,
     kBlank,
     {"00000000", "00000000", "00000000", "00000003"},
     1},
    {"PencilOffTheCanvasDrawsOnlyWhatIsOnIt",
     Tool::Pencil,
     {{6, 0}, {9, 0}},
     false,
     kBlank,
     {"00000011", "00000000", "00000000", "00000000"},
     1},
    // y = 2x / 7 rounded: 0 at x 0-1, 1 at x 2-5, 2 at x 6-7.
    {"LineFromPressToRelease",
     Tool::Line,
     {{0, 0}, {4, 3}, {7, 2}},
     false,
     kBlank,
     {"11000000", "00111100", "00000011", "00000000"},
     1},
    {"RectangleOutline",
     Tool::Rectangle,
     {{1, 0}, {5, 3}},
     false,
     kBlank,
     {"01111100", "01000100", "01000100", "01111100"},
     1},
    {"FilledRectangleFromAnyCorner",
     Tool::FilledRectangle,
     {{6, 2}, {2, 1}},
     false,
     kBlank,
     {"00000000", "00111110", "00111110", "00000000"},
     1},
    {"FillCrossesTilesButNotOtherValues",
     Tool::Fill,
     {{5, 1}},
     true,
     {"00200000", "00200000", "22200000", "00000000"},
     {"00233333", "00233333", "22233333", "33333333"},
     1},
    {"FillInTileStopsAtTheTile",
     Tool::TileFill,
     {{5, 1}},
     true,
     {"00200000", "00200000", "22200000", "00000000"},
     {"00203333", "00203333", "22203333", "00003333"},
     1},
    {"FillOfTheSameValueChangesNothing",
     Tool::Fill,
     {{0, 0}},
     false,
     {"11000000", "11000000", "00000000", "00000000"},
     {"11000000", "11000000", "00000000", "00000000"},
     1},
    {"EyedropperPicksTheValueAndDrawsNothing",
     Tool::Eyedropper,
     {{3, 3}},
     false,
     {"00000000", "00000000", "00000000", "00020000"},
     {"00000000", "00000000", "00000000", "00020000"},
     2},
};

class Tools : public ::testing::TestWithParam<ToolCase> {};

TEST_P(Tools, StrokeGivesTheValues) {
  const ToolCase& c = GetParam();
  ValueGrid canvas(kWidth, kHeight, kBits, kTile);
  canvas.SetRows(c.before);
  platform::UndoStack history;
  Editor editor(canvas, history);
  editor.SetTool(c.tool);
  ASSERT_TRUE(editor.SetValue(1));
  ASSERT_TRUE(editor.SetValue(3, true));
  editor.Press(c.stroke.front(), c.secondButton);
  for (std::size_t i = 1; i + 1 < c.stroke.size(); ++i) editor.Drag(c.stroke[i]);
  editor.Release(c.stroke.back());
  EXPECT_EQ(canvas.Rows(), c.after);
  EXPECT_EQ(editor.Value(), c.valueAfter);
  // Whatever it drew is one step of the history, and undoing it gives the canvas back.
  const bool drew = c.after != c.before;
  EXPECT_EQ(history.Count(), drew ? 1u : 0u);
  if (drew) {
    EXPECT_EQ(history.UndoName(), "Undo " + editor::ToolName(c.tool));
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(canvas.Rows(), c.before);
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(canvas.Rows(), c.after);
  }
}

INSTANTIATE_TEST_SUITE_P(Editor, Tools, ::testing::ValuesIn(kToolCases),
                         [](const ::testing::TestParamInfo<ToolCase>& p) { return p.param.name; });

TEST(EditorHistory, EachStrokeIsOneStepHoweverManyPixelsItSets) {
  ValueGrid canvas(kWidth, kHeight, kBits, kTile);
  platform::UndoStack history;
  Editor editor(canvas, history);
  editor.Press({0, 0});
  for (int x = 1; x < 8; ++x) editor.Drag({x, x % 2});
  editor.Release({7, 3});
  const Rows first = canvas.Rows();
  editor.SetValue(2);
  editor.Press({0, 2});
  editor.Release({0, 2});
  EXPECT_EQ(history.Count(), 2u);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(canvas.Rows(), first);
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(canvas.Rows(), kBlank);
  EXPECT_FALSE(history.Undo());
  // A new stroke after an undo drops what could have been redone.
  editor.Press({4, 0});
  editor.Release({4, 0});
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.Count(), 1u);
}

TEST(EditorHistory, NothingDuringAStrokeCanBeUndone) {
  ValueGrid canvas(kWidth, kHeight, kBits, kTile);
  platform::UndoStack history;
  Editor editor(canvas, history);
  editor.Press({0, 0});
  EXPECT_TRUE(editor.Stroking());
  EXPECT_FALSE(history.CanUndo());
  editor.Release({1, 0});
  EXPECT_TRUE(history.CanUndo());
}

TEST(EditorValues, ValuesBeyondTheDepthAreRefusedAndSwapTrades) {
  ValueGrid canvas(kWidth, kHeight, kBits, kTile);
  platform::UndoStack history;
  Editor editor(canvas, history);
  EXPECT_FALSE(editor.SetValue(4));
  EXPECT_TRUE(editor.SetValue(3));
  EXPECT_TRUE(editor.SetValue(2, true));
  editor.SwapValues();
  EXPECT_EQ(editor.Value(), 2);
  EXPECT_EQ(editor.Value(true), 3);
}

// ---- Tile operations: rectangle, before, after ----

enum class Operation { FlipH, FlipV, Rotate, Swap, Clear };
struct OperationCase {
  const char* name;
  Operation operation;
  Rect rect;
  Rows before;
  Rows after;
};

const Rows kPattern = {"12300000", "00010000", "00000000", "30020000"};
const OperationCase kOperationCases[] = {
    {"FlipHorizontallyMirrorsTheRectangleOnly",
     Operation::FlipH,
     {0, 0, 4, 4},
     kPattern,
     {"03210000", "10000000", "00000000", "20030000"}},
    {"FlipVerticallyMirrorsRows",
     Operation::FlipV,
     {0, 0, 4, 4},
     kPattern,
     {"30020000", "00000000", "00010000", "12300000"}},
    // Clockwise: each column, read upwards, becomes a row (column 3, 0 1 0 2, the bottom row).
    {"RotateTurnsASquareClockwise",
     Operation::Rotate,
     {0, 0, 4, 4},
     kPattern,
     {"30010000", "00020000", "00030000", "20100000"}},
    {"RotateOfAnOblongIsRefused", Operation::Rotate, {0, 0, 4, 2}, kPattern, kPattern},
    // The current values are 1 and 3.
    {"SwapTradesTheCurrentValues",
     Operation::Swap,
     {0, 0, 8, 4},
     kPattern,
     {"32100000", "00030000", "00000000", "10020000"}},
    {"ClearSetsZero",
     Operation::Clear,
     {1, 0, 2, 4},
     kPattern,
     {"10000000", "00010000", "00000000", "30020000"}},
};

class Operations : public ::testing::TestWithParam<OperationCase> {};

TEST_P(Operations, GiveTheValuesAndUndoInOneStep) {
  const OperationCase& c = GetParam();
  ValueGrid canvas(kWidth, kHeight, kBits, kTile);
  canvas.SetRows(c.before);
  platform::UndoStack history;
  Editor editor(canvas, history);
  editor.SetValue(1);
  editor.SetValue(3, true);
  std::string why;
  switch (c.operation) {
    case Operation::FlipH:
      editor.FlipHorizontally(c.rect);
      break;
    case Operation::FlipV:
      editor.FlipVertically(c.rect);
      break;
    case Operation::Rotate:
      editor.Rotate(c.rect, &why);
      break;
    case Operation::Swap:
      editor.SwapValuesIn(c.rect);
      break;
    case Operation::Clear:
      editor.Clear(c.rect);
      break;
  }
  EXPECT_EQ(canvas.Rows(), c.after);
  EXPECT_EQ(why.empty(), c.rect.width == c.rect.height || c.operation != Operation::Rotate);
  if (c.after != c.before) {
    EXPECT_EQ(history.Count(), 1u);
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(canvas.Rows(), c.before);
  }
}

INSTANTIATE_TEST_SUITE_P(Editor, Operations, ::testing::ValuesIn(kOperationCases),
                         [](const ::testing::TestParamInfo<OperationCase>& p) { return p.param.name; });

struct RemapCase {
  const char* text;
  std::vector<std::pair<int, int>> moved;  // the values that change and what they become
  const char* why;                         // empty when taken
};
const RemapCase kRemapCases[] = {
    {"1>3 3>1", {{1, 3}, {3, 1}}, ""},
    {"2=0,0=2", {{2, 0}, {0, 2}}, ""},
    {" 1>2 ,, ", {{1, 2}}, ""},
    {"1>4", {}, "\"1>4\" is not a pair of values from 0 to 3 such as 1>3."},
    {"1-2", {}, "\"1-2\" is not a pair of values from 0 to 3 such as 1>3."},
    {">2", {}, "\">2\" is not a pair of values from 0 to 3 such as 1>3."},
    {"", {}, "Type pairs of values such as 1>3 2>0."},
};

TEST(EditorRemap, PairsAreReadAndBadOnesRefused) {
  for (const RemapCase& c : kRemapCases) {
    std::string why;
    const auto table = editor::ParseRemap(c.text, 3, &why);
    EXPECT_EQ(why, c.why) << c.text;
    if (!table) continue;
    std::vector<std::pair<int, int>> moved;
    for (int v = 0; v < 4; ++v)
      if ((*table)[static_cast<std::size_t>(v)] != v)
        moved.push_back({v, (*table)[static_cast<std::size_t>(v)]});
    std::sort(moved.begin(), moved.end());
    std::vector<std::pair<int, int>> expected = c.moved;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(moved, expected) << c.text;
  }
}

TEST(EditorClip, CopyPastesIntoACanvasOfTheSameDepthOnly) {
  ValueGrid from(kWidth, kHeight, kBits, kTile);
  from.SetRows(kPattern);
  platform::UndoStack history;
  Editor source(from, history);
  const std::optional<editor::Clip> clip = source.Copy({0, 0, 4, 4});
  ASSERT_TRUE(clip);

  ValueGrid same(kWidth, kHeight, kBits, kTile);
  platform::UndoStack sameHistory;
  Editor into(same, sameHistory);
  EXPECT_TRUE(into.Paste(*clip, {4, 0}));
  EXPECT_EQ(same.Rows(), (Rows{"00001230", "00000001", "00000000", "00003002"}));

  ValueGrid deeper(kWidth, kHeight, 4, kTile);
  platform::UndoStack deeperHistory;
  Editor refused(deeper, deeperHistory);
  std::string why;
  EXPECT_FALSE(refused.Paste(*clip, {0, 0}, &why));
  EXPECT_EQ(why, "The tiles hold 4 values, but this view holds 16.");
  EXPECT_EQ(deeper.Rows(), kBlank);
  EXPECT_EQ(deeperHistory.Count(), 0u);
}

}  // namespace
}  // namespace glyphon::test
