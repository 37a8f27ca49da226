// SPDX-License-Identifier: MIT
#include "core/undo_stack.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace glyphon::platform {
namespace {

// Sets one int from `before` to `after`; strokes of the same name fold together. A refusal
// flag stands for a person answering No to a write's question.
class SetValue final : public UndoCommand {
 public:
  SetValue(int& target, int before, int after, std::string name = "Set", bool* refuse = nullptr)
      : m_target(target), m_before(before), m_after(after), m_name(std::move(name)), m_refuse(refuse) {}
  std::string Name() const override { return m_name; }
  bool Undo() override { return Apply(m_before); }
  bool Redo() override { return Apply(m_after); }
  bool MergeWith(const UndoCommand& next) override {
    const auto* same = dynamic_cast<const SetValue*>(&next);
    if (m_name != "Stroke" || !same || same->m_name != m_name) {
      return false;
    }
    m_after = same->m_after;
    return true;
  }

 private:
  bool Apply(int value) {
    if (m_refuse && *m_refuse) {
      return false;
    }
    m_target = value;
    return true;
  }
  int& m_target;
  int m_before;
  int m_after;
  std::string m_name;
  bool* m_refuse;
};

// Does `after` to `value` and pushes the command that says so.
void Do(UndoStack& stack, int& value, int after, std::string name = "Set", bool* refuse = nullptr) {
  stack.Push(std::make_unique<SetValue>(value, value, after, std::move(name), refuse));
  value = after;
}

TEST(UndoStack, UndoesAndRedoesInOrderAndDropsTheUndoneOnANewCommand) {
  UndoStack stack;
  int value = 0;
  Do(stack, value, 1);
  Do(stack, value, 2, "Convert");
  EXPECT_EQ(stack.UndoName(), "Undo Convert");
  EXPECT_TRUE(stack.Undo());
  EXPECT_EQ(value, 1);
  EXPECT_EQ(stack.RedoName(), "Redo Convert");
  EXPECT_TRUE(stack.Redo());
  EXPECT_EQ(value, 2);
  EXPECT_FALSE(stack.Redo());
  stack.Undo();
  stack.Undo();
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(stack.Undo());
  Do(stack, value, 5);
  EXPECT_FALSE(stack.CanRedo());
  EXPECT_EQ(stack.Count(), 1u);
}

TEST(UndoStack, AGroupIsOneStepAndStrokesFoldTogether) {
  UndoStack stack;
  int value = 0;
  int other = 0;
  stack.BeginGroup("Paste tiles");
  Do(stack, value, 1);
  stack.BeginGroup("inner");  // ignored: groups do not nest
  Do(stack, other, 7);
  stack.EndGroup();
  EXPECT_FALSE(stack.CanUndo());  // not while the group is open
  stack.EndGroup();
  EXPECT_EQ(stack.Count(), 1u);
  EXPECT_EQ(stack.UndoName(), "Undo Paste tiles");
  stack.Undo();
  EXPECT_EQ(value, 0);
  EXPECT_EQ(other, 0);
  stack.Redo();
  EXPECT_EQ(value, 1);
  EXPECT_EQ(other, 7);

  // An empty group leaves nothing behind.
  stack.BeginGroup("Nothing");
  stack.EndGroup();
  EXPECT_EQ(stack.Count(), 1u);

  for (int step = 2; step <= 4; ++step) {
    Do(stack, value, step, "Stroke");
  }
  EXPECT_EQ(stack.Count(), 2u);
  stack.Undo();
  EXPECT_EQ(value, 1);
}

TEST(UndoStack, ARefusedCommandStaysWhereItWasAndAGroupStaysWhole) {
  UndoStack stack;
  int value = 0;
  int written = 0;
  bool refuse = false;
  stack.BeginGroup("Write into ROM");
  Do(stack, value, 1);
  Do(stack, written, 9, "Write", &refuse);
  stack.EndGroup();
  refuse = true;
  EXPECT_FALSE(stack.Undo());
  EXPECT_EQ(value, 1);  // undone, then put back when the write was refused
  EXPECT_EQ(written, 9);
  EXPECT_TRUE(stack.CanUndo());
  refuse = false;
  EXPECT_TRUE(stack.Undo());
  EXPECT_EQ(written, 0);
}

TEST(UndoStack, TheCleanStateFollowsSavesAndIsLostWhenItsCommandsAre) {
  UndoStack stack(3);
  int value = 0;
  EXPECT_TRUE(stack.IsClean());
  Do(stack, value, 1, "Stroke");
  stack.SetClean();
  Do(stack, value, 2, "Stroke");  // not folded across a save
  EXPECT_EQ(stack.Count(), 2u);
  EXPECT_FALSE(stack.IsClean());
  stack.Undo();
  EXPECT_TRUE(stack.IsClean());
  stack.Undo();
  Do(stack, value, 3);  // the saved state was among the dropped commands
  EXPECT_FALSE(stack.IsClean());
  stack.Undo();
  EXPECT_FALSE(stack.IsClean());

  // The limit drops the oldest command, and a saved state with it.
  stack.Clear();
  value = 0;
  stack.SetClean();
  for (int step = 1; step <= 4; ++step) {
    Do(stack, value, step);
  }
  EXPECT_EQ(stack.Count(), 3u);
  while (stack.Undo()) {
  }
  EXPECT_EQ(value, 1);
  EXPECT_FALSE(stack.IsClean());
}

// Whole-state steps of one merge key fold into one step from the first state to the last;
// key 0 and a change of key keep steps apart.
TEST(StateCommand, StepsOfOneKeyFoldFromTheFirstStateToTheLast) {
  int value = 0;
  UndoStack stack;
  const auto set = [&](int mergeKey, int after) {
    stack.Push(
        std::make_unique<StateCommand<int>>("Set", mergeKey, value, after, [&](const int& v) { value = v; }));
    value = after;
  };
  set(7, 1);
  set(7, 2);
  set(7, 3);  // one step, 0 -> 3
  set(0, 4);
  set(0, 5);  // two steps
  set(8, 6);  // a step of its own
  for (const int expected : {5, 4, 3, 0}) {
    ASSERT_TRUE(stack.Undo());
    EXPECT_EQ(value, expected);
  }
  EXPECT_FALSE(stack.CanUndo());
  ASSERT_TRUE(stack.Redo());
  EXPECT_EQ(value, 3);
}

}  // namespace
}  // namespace glyphon::platform
