// SPDX-License-Identifier: MIT
#include "editor/picture_canvas.h"

#include <map>
#include <utility>
#include <vector>

#include "formats/values.h"
#include "workspace/main_window.h"

namespace glyphon::editor {

namespace {

// Colours of the picture before and after one write.
class PictureCommand : public platform::UndoCommand {
 public:
  struct Change {
    int x = 0;
    int y = 0;
    RgbColor before = 0;
    RgbColor after = 0;
  };
  PictureCommand(workspace::MainWindow& window, PictureCanvas& canvas, std::vector<Change> changes,
                 std::string name)
      : m_window(window), m_canvas(canvas), m_changes(std::move(changes)), m_name(std::move(name)) {}
  std::string Name() const override { return m_name; }
  bool Undo() override { return Set(false); }
  bool Redo() override { return Set(true); }

 private:
  bool Set(bool after) {
    platform::Surface& picture = m_window.PictureToEdit();
    for (const Change& c : m_changes) {
      if (c.x >= picture.Width() || c.y >= picture.Height()) return false;
    }
    for (const Change& c : m_changes) picture.SetPixel(c.x, c.y, after ? c.after : c.before);
    m_canvas.Stale();
    return true;
  }

  workspace::MainWindow& m_window;
  PictureCanvas& m_canvas;
  std::vector<Change> m_changes;
  std::string m_name;
};

}  // namespace

PictureCanvas::PictureCanvas(workspace::MainWindow& window) : m_window(window) {}

std::string PictureCanvas::Problem() const {
  if (m_window.CurrentMode() != workspace::Mode::Normal || !m_window.Picture().HasPicture())
    return "Only a picture in the main window can be drawn on, not a preview of ROM data.";
  const formats::FormatInfo& format = m_window.Format();
  if (!format.HasValues())
    return "The picture is drawn in the format's values, but " + std::string(format.caption) +
           " stores colours. Choose a format of 8 bits a pixel or fewer.";
  return {};
}

int PictureCanvas::Width() const {
  return m_window.Picture().Width();
}

int PictureCanvas::Height() const {
  return m_window.Picture().Height();
}

int PictureCanvas::MaxValue() const {
  const formats::FormatInfo& format = m_window.Format();
  return format.HasValues() ? static_cast<int>(format.values->MaxIndex()) : 0;
}

std::optional<std::uint8_t> PictureCanvas::ValueAt(Point p) const {
  if (p.x < 0 || p.y < 0 || p.x >= Width() || p.y >= Height() || !m_window.Format().HasValues())
    return std::nullopt;
  if (!m_fresh || m_format != m_window.FormatIndex() || m_values.width != Width() ||
      m_values.height != Height()) {
    m_values = formats::ValuesOf(m_window.Format(), m_window.Picture(), {0, 0, Width(), Height()});
    m_format = m_window.FormatIndex();
    m_fresh = true;
  }
  return m_values.At(p.x, p.y);
}

std::unique_ptr<platform::UndoCommand> PictureCanvas::Write(std::span<const PixelWrite> writes,
                                                            std::string name) {
  if (!Problem().empty()) return nullptr;
  const formats::GreyPalette& values = *m_window.Format().values;
  std::map<std::pair<int, int>, PictureCommand::Change> changed;
  platform::Surface& picture = m_window.PictureToEdit();
  for (const PixelWrite& w : writes) {
    if (w.x < 0 || w.y < 0 || w.x >= picture.Width() || w.y >= picture.Height() || w.value > MaxValue())
      continue;
    const RgbColor colour = values.colourOfIndex[w.value];
    auto [at, fresh] =
        changed.try_emplace({w.y, w.x}, PictureCommand::Change{w.x, w.y, picture.GetPixel(w.x, w.y), colour});
    if (!fresh) at->second.after = colour;
    picture.SetPixel(w.x, w.y, colour);
  }
  Stale();
  std::vector<PictureCommand::Change> changes;
  for (const auto& [where, change] : changed)
    if (change.before != change.after) changes.push_back(change);
  if (changes.empty()) return nullptr;
  return std::make_unique<PictureCommand>(m_window, *this, std::move(changes), std::move(name));
}

}  // namespace glyphon::editor
