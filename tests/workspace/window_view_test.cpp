// SPDX-License-Identifier: MIT
// The view as a function of the window state: a table of states and what each shows.
#include "workspace/window_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/format_table.h"
#include "support/test_support.h"

namespace glyphon::test {
namespace {

using workspace::ButtonView;
using workspace::Mode;
using workspace::Thumbnail;
using workspace::WindowState;

// Which of the six buttons and the other controls can be reached, and the captions of
// the three that change roles.
struct ViewCase {
  const char* name;
  Mode mode;
  bool cleared;
  std::vector<std::string> captions;  // load, clear, save, convert
  std::string enabled;                // load clear save paste convert copy: 'y' or '-'
  std::string visible;                // the same six
  bool wide;                          // Load, Clear and Save take two buttons' width
  std::string rows;                   // x y width height enabled
  bool formats;                       // the format options and the viewer can be reached
};

class ViewOfTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(ViewOfTest, ButtonsAndControlsFollowTheModeAndWhetherAPictureIsShown) {
  const ViewCase& c = GetParam();
  WindowState state;
  state.mode = c.mode;
  state.cleared = c.cleared;
  const workspace::WindowView view = workspace::ViewOf(state);

  const std::vector<const ButtonView*> buttons = {&view.load,  &view.clear,   &view.save,
                                                  &view.paste, &view.convert, &view.copy};
  std::string enabled;
  std::string visible;
  for (const ButtonView* b : buttons) {
    enabled += b->enabled ? 'y' : '-';
    visible += b->visible ? 'y' : '-';
  }
  EXPECT_EQ(enabled, c.enabled);
  EXPECT_EQ(visible, c.visible);
  EXPECT_EQ((std::vector<std::string>{std::string(view.load.caption), std::string(view.clear.caption),
                                      std::string(view.save.caption), std::string(view.convert.caption)}),
            c.captions);
  EXPECT_EQ(view.load.wide && view.clear.wide && view.save.wide, c.wide);
  EXPECT_FALSE(view.paste.wide || view.convert.wide || view.copy.wide);
  std::string rows;
  for (const auto* row : {&view.x, &view.y, &view.width, &view.height}) rows += row->enabled ? 'y' : '-';
  EXPECT_EQ(rows, c.rows);
  EXPECT_EQ(view.formatsEnabled, c.formats);
  EXPECT_EQ(view.thumbnailViewable, c.formats);
}

INSTANTIATE_TEST_SUITE_P(States, ViewOfTest,
                         ::testing::Values(ViewCase{"Cleared",
                                                    Mode::Normal,
                                                    true,
                                                    {"Load", "Clear", "Save", "Convert"},
                                                    "yy-y--",
                                                    "yyyyyy",
                                                    false,
                                                    "----",
                                                    false},
                                           ViewCase{"Picture",
                                                    Mode::Normal,
                                                    false,
                                                    {"Load", "Clear", "Save", "Convert"},
                                                    "yyyyyy",
                                                    "yyyyyy",
                                                    false,
                                                    "yyyy",
                                                    true},
                                           ViewCase{"Converting",
                                                    Mode::Converting,
                                                    false,
                                                    {"Load", "Clear", "Save", "Converting..."},
                                                    "------",
                                                    "yyyyyy",
                                                    false,
                                                    "----",
                                                    false},
                                           ViewCase{"Preview",
                                                    Mode::Preview,
                                                    false,
                                                    {"Preview", "Cancel", "Accept", "Convert"},
                                                    "yyy---",
                                                    "yyy---",
                                                    true,
                                                    "--y-",
                                                    true},
                                           ViewCase{"Previewing",
                                                    Mode::Previewing,
                                                    false,
                                                    {"Previewing...", "Cancel", "Accept", "Convert"},
                                                    "------",
                                                    "yyy---",
                                                    true,
                                                    "----",
                                                    false},
                                           ViewCase{"Accepting",
                                                    Mode::Accepting,
                                                    false,
                                                    {"Preview", "Cancel", "Accepting...", "Convert"},
                                                    "------",
                                                    "yyy---",
                                                    true,
                                                    "----",
                                                    false}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ViewOf, ButtonToolTipsOfBothRoles) {
  WindowState state;
  state.cleared = false;
  workspace::WindowView view = workspace::ViewOf(state);
  EXPECT_EQ(view.load.toolTip, "Load image from file...");
  EXPECT_EQ(view.clear.toolTip, "Clear image window");
  EXPECT_EQ(view.save.toolTip, "Save data to file...");
  EXPECT_EQ(view.paste.toolTip, "Paste image from clipboard");
  EXPECT_EQ(view.convert.toolTip, "Convert image to graphics format");
  EXPECT_EQ(view.copy.toolTip, "Copy image to clipboard");
  state.mode = Mode::Preview;
  view = workspace::ViewOf(state);
  EXPECT_EQ(view.load.toolTip, "Preview image using current settings");
  EXPECT_EQ(view.clear.toolTip, "Cancel image load");
  EXPECT_EQ(view.save.toolTip, "Accept image using current settings");
}

// The grid lock can be switched off exactly where the table says the format allows it,
// and only while a picture is worked on or a preview waits.
TEST(ViewOf, TileLockReachableWhereTheFormatAllowsIt) {
  for (const formats::FormatInfo& format : formats::Formats()) {
    WindowState state;
    state.cleared = false;
    state.format = format.index;
    EXPECT_EQ(workspace::ViewOf(state).tileLockEnabled, format.lockOptional) << format.caption;
    state.mode = Mode::Previewing;
    EXPECT_FALSE(workspace::ViewOf(state).tileLockEnabled) << format.caption;
    state.mode = Mode::Normal;
    state.cleared = true;
    EXPECT_FALSE(workspace::ViewOf(state).tileLockEnabled) << format.caption;
  }
}

TEST(ViewOf, SpinnersShowTheSelectionItsLimitsAndTheGridStep) {
  WindowState state;
  state.cleared = false;
  state.selection = {3, 5, 16, 8};
  state.limits = {40, 30, 40, 30};
  state.tileLock = true;
  workspace::WindowView view = workspace::ViewOf(state);
  EXPECT_EQ(view.x, (workspace::SpinnerView{3, 40, 8, true}));
  EXPECT_EQ(view.height, (workspace::SpinnerView{8, 30, 8, true}));
  state.tileLock = false;
  EXPECT_EQ(workspace::ViewOf(state).width, (workspace::SpinnerView{16, 40, 1, true}));
}

// The outline scales with the picture over the 256 by 128 thumbnail, one pixel wider and
// taller than the box; the viewer's is in picture pixels. Both show only over a picture
// being worked on, and only when the box is not all zero.
TEST(ViewOf, OutlinesOverThePicture) {
  WindowState state;
  state.cleared = false;
  state.picture = Filled(512, 64, kWhite);
  state.thumbnail = Thumbnail::Picture;
  state.selection = {64, 16, 128, 32};
  workspace::WindowView view = workspace::ViewOf(state);
  // 512 by 64 is drawn 256 by 32 from row 48: half size.
  EXPECT_EQ(view.outline, (workspace::Outline{32, 56, 65, 17, true}));
  EXPECT_EQ(view.viewer.outline, (workspace::Outline{64, 16, 129, 33, true}));

  state.mode = Mode::Preview;
  EXPECT_FALSE(workspace::ViewOf(state).outline.visible);
  state.mode = Mode::Normal;
  state.selection = {};
  EXPECT_FALSE(workspace::ViewOf(state).outline.visible);
  EXPECT_FALSE(workspace::ViewOf(state).viewer.outline.visible);
}

TEST(ViewOf, TheViewerOpensOnlyOnAShownPicture) {
  WindowState state;
  state.cleared = false;
  state.picture = Filled(8, 8, kWhite);
  EXPECT_FALSE(workspace::CanOpenViewer(state));  // the thumbnail shows nothing
  state.thumbnail = Thumbnail::Picture;
  EXPECT_TRUE(workspace::CanOpenViewer(state));
  state.mode = Mode::Converting;
  EXPECT_FALSE(workspace::CanOpenViewer(state));
  state.mode = Mode::Preview;
  state.thumbnail = Thumbnail::Preview;
  EXPECT_FALSE(workspace::CanOpenViewer(state));  // no preview decoded yet
  state.work = Filled(4, 4, kBlack);
  EXPECT_TRUE(workspace::CanOpenViewer(state));
  EXPECT_EQ(workspace::ViewOf(state).viewer.picture, &state.work);
}

}  // namespace
}  // namespace glyphon::test
