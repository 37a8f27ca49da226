#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

class QWidget;

namespace glyphon::app {

// A filter list ("desc|pattern|desc|pattern") as Qt's dialogs take it: one "desc (pattern)"
// entry per pair, in order. A description that already ends in its pattern in brackets is
// taken as it stands; ';' between patterns becomes Qt's space.
QStringList QtNameFilters(std::string_view filters);

// Message-box text with its carriage-return line breaks as Qt line breaks.
QString MessageText(std::string_view text);

// The Platform over Qt: QMessageBox, QFileDialog, QClipboard and the picture-file unit.
class QtPlatform : public platform::Platform {
 public:
  QtPlatform() = default;

  // The window that dialogs and message boxes belong to (modal to it).
  void SetDialogParent(QWidget* parent) { m_parent = parent; }
  QWidget* DialogParent() const { return m_parent; }
  // What redraws the windows from the model before pending events run.
  void SetRenderer(std::function<void()> render) { m_render = std::move(render); }

  // The answer the next open dialog gives without being shown: a file dropped on the window
  // loads as if it had been chosen in the dialog.
  void PresetOpenChoice(platform::FileChoice choice) { m_presetOpenChoice = std::move(choice); }
  void ClearPresetOpenChoice() { m_presetOpenChoice.reset(); }

  platform::Answer ShowMessage(const platform::Message& message) override;
  platform::FileChoice OpenFileDialog(std::string_view filters) final;
  platform::FileChoice SaveFileDialog(std::string_view filters) override;
  std::optional<platform::Surface> ClipboardPicture() override;
  void SetClipboardPicture(const platform::Surface& picture) override;
  Result<platform::Surface> LoadPicture(const std::string& fileName) override;
  Status SaveBitmap(const std::string& fileName, const platform::Surface& picture) override;
  void ProcessPendingEvents() override;
  Result<ByteString> ReadBytes(const std::string& fileName) override;
  Status WriteBytes(const std::string& fileName, std::span<const std::uint8_t> bytes) override;

  // Where the next file dialog opens: the folder of the last file loaded or saved. A folder
  // where a load or a save failed (one that cannot be read, say) is never offered again.
  const QString& LastFolder() const { return m_lastFolder; }

 protected:
  // The open dialog itself, when no answer is preset.
  virtual platform::FileChoice ChooseFileToOpen(std::string_view filters);

 private:
  platform::FileChoice RunFileDialog(std::string_view filters, bool save);
  void RememberFolder(const std::string& fileName);

  QWidget* m_parent = nullptr;
  std::function<void()> m_render;
  std::optional<platform::FileChoice> m_presetOpenChoice;
  QString m_lastFolder;
};

}  // namespace glyphon::app
