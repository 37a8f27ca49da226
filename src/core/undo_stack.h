// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
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
