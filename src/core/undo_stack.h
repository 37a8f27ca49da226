// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace glyphon::platform {

// One operation a person did, kept so that it can be taken back and done again. It is named
// by intent ("Convert", "Load picture", "Pencil"), as the Edit menu shows it. A command is
// pushed after it was done, so the first call it gets is Undo.
class UndoCommand {
 public:
  virtual ~UndoCommand() = default;
  virtual std::string Name() const = 0;
  // Each returns whether it took effect: a write into a file may be refused by the person
  // (the question) or the system, and then the command stays where it was on the stack.
  virtual bool Undo() = 0;
  virtual bool Redo() = 0;
  // A later command of the same stroke folds into this one (a drag of the pencil is one
  // step). Returns whether `next` was taken in; `next` is then dropped.
  virtual bool MergeWith(const UndoCommand& next) {
    (void)next;
    return false;
  }
};

// A command that sets a whole state: `before` back on undo, `after` again on redo, through
// `restore`. Commands of the same non-zero merge key fold into one that keeps the first
// `before` and the last `after` (the arrows of a spinner clicked again and again). A large
// state goes by shared pointer, so neighbouring commands share it.
template <class State>
class StateCommand final : public UndoCommand {
 public:
  using Restore = std::function<void(const State&)>;
  StateCommand(std::string name, int mergeKey, State before, State after, Restore restore)
      : m_name(std::move(name)),
        m_mergeKey(mergeKey),
        m_before(std::move(before)),
        m_after(std::move(after)),
        m_restore(std::move(restore)) {}

  std::string Name() const override { return m_name; }
  bool Undo() override {
    m_restore(m_before);
    return true;
  }
  bool Redo() override {
    m_restore(m_after);
    return true;
  }
  bool MergeWith(const UndoCommand& next) override {
    const auto* step = dynamic_cast<const StateCommand*>(&next);
    if (step == nullptr || m_mergeKey == 0 || step->m_mergeKey != m_mergeKey) return false;
    m_after = step->m_after;
    return true;
  }

 private:
  std::string m_name;
  int m_mergeKey;
  State m_before;
  State m_after;
  Restore m_restore;
};

// The history of one window: commands done, and those undone that can be done again. A new
// command drops the undone ones. Commands pushed between BeginGroup and EndGroup are one
// entry (a stroke, a paste of many tiles); groups do not nest (an inner pair is ignored).
class UndoStack {
 public:
  explicit UndoStack(std::size_t limit = 200);
  ~UndoStack();
  UndoStack(const UndoStack&) = delete;
  UndoStack& operator=(const UndoStack&) = delete;

  void Push(std::unique_ptr<UndoCommand> done);
  void BeginGroup(std::string name);
  void EndGroup();
  bool InGroup() const noexcept { return m_group != nullptr; }

  bool CanUndo() const noexcept { return m_next > 0 && !InGroup(); }
  bool CanRedo() const noexcept { return m_next < m_done.size() && !InGroup(); }
  // "Undo Convert" and "Redo Convert" name the command; empty when there is none.
  std::string UndoName() const;
  std::string RedoName() const;
  // Each returns whether a command took effect.
  bool Undo();
  bool Redo();

  // The saved state: IsClean() holds while the stack is where SetClean() left it.
  void SetClean() noexcept { m_clean = m_next; }
  bool IsClean() const noexcept { return m_clean == m_next; }
  void Clear() noexcept;
  std::size_t Count() const noexcept { return m_done.size(); }
  std::size_t Index() const noexcept { return m_next; }

 private:
  class Group;
  void Add(std::unique_ptr<UndoCommand> command);

  std::vector<std::unique_ptr<UndoCommand>> m_done;
  std::size_t m_next = 0;                  // commands [0, m_next) are done
  std::optional<std::size_t> m_clean = 0;  // none when the saved state was dropped
  std::size_t m_limit;
  std::unique_ptr<Group> m_group;
  int m_groupDepth = 0;
};

}  // namespace glyphon::platform
