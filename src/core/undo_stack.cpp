// SPDX-License-Identifier: MIT
#include "core/undo_stack.h"

#include <utility>

namespace glyphon::platform {

// The commands of one group, undone last first and redone in order.
class UndoStack::Group final : public UndoCommand {
 public:
  explicit Group(std::string name) : m_name(std::move(name)) {}
  std::string Name() const override { return m_name; }
  bool Undo() override {
    for (auto it = m_parts.rbegin(); it != m_parts.rend(); ++it) {
      if (!(*it)->Undo()) {
        // Put back what was already undone, so the group stays whole.
        for (auto back = it.base(); back != m_parts.end(); ++back) {
          (*back)->Redo();
        }
        return false;
      }
    }
    return true;
  }
  bool Redo() override {
    for (auto it = m_parts.begin(); it != m_parts.end(); ++it) {
      if (!(*it)->Redo()) {
        for (auto back = std::make_reverse_iterator(it); back != m_parts.rend(); ++back) {
          (*back)->Undo();
        }
        return false;
      }
    }
    return true;
  }
  void Add(std::unique_ptr<UndoCommand> command) {
    if (!m_parts.empty() && m_parts.back()->MergeWith(*command)) {
      return;
    }
    m_parts.push_back(std::move(command));
  }
  bool Empty() const noexcept { return m_parts.empty(); }

 private:
  std::string m_name;
  std::vector<std::unique_ptr<UndoCommand>> m_parts;
};

UndoStack::UndoStack(std::size_t limit) : m_limit(limit) {}

UndoStack::~UndoStack() = default;

void UndoStack::Push(std::unique_ptr<UndoCommand> done) {
  if (!done) {
    return;
  }
  if (m_group) {
    m_group->Add(std::move(done));
    return;
  }
  Add(std::move(done));
}

void UndoStack::Add(std::unique_ptr<UndoCommand> command) {
  // What was undone cannot be redone after a new command; a saved state among it is gone.
  if (m_clean && *m_clean > m_next) {
    m_clean.reset();
  }
  m_done.resize(m_next);
  if (!m_done.empty() && (!m_clean || *m_clean != m_next) && m_done.back()->MergeWith(*command)) {
    return;
  }
  m_done.push_back(std::move(command));
  ++m_next;
  if (m_limit > 0 && m_done.size() > m_limit) {
    m_done.erase(m_done.begin());
    --m_next;
    if (m_clean) {
      if (*m_clean == 0) {
        m_clean.reset();
      } else {
        --*m_clean;
      }
    }
  }
}

void UndoStack::BeginGroup(std::string name) {
  if (m_groupDepth++ == 0) {
    m_group = std::make_unique<Group>(std::move(name));
  }
}

void UndoStack::EndGroup() {
  if (m_groupDepth == 0 || --m_groupDepth > 0) {
    return;
  }
  std::unique_ptr<Group> group = std::move(m_group);
  if (!group->Empty()) {
    Add(std::move(group));
  }
}

std::string UndoStack::UndoName() const {
  return CanUndo() ? "Undo " + m_done[m_next - 1]->Name() : std::string();
}

std::string UndoStack::RedoName() const {
  return CanRedo() ? "Redo " + m_done[m_next]->Name() : std::string();
}

bool UndoStack::Undo() {
  if (!CanUndo() || !m_done[m_next - 1]->Undo()) {
    return false;
  }
  --m_next;
  return true;
}

bool UndoStack::Redo() {
  if (!CanRedo() || !m_done[m_next]->Redo()) {
    return false;
  }
  ++m_next;
  return true;
}

void UndoStack::Clear() noexcept {
  m_done.clear();
  m_next = 0;
  m_clean = 0;
  m_group.reset();
  m_groupDepth = 0;
}

}  // namespace glyphon::platform
