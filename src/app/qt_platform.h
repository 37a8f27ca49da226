// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

class QWidget;

namespace glyphon::app {

// A dialog's entries as Qt's dialogs take them, in order: "Bitmap files (*.bmp *.png)",
// "All files (*.*)" for an entry without extensions.
QStringList QtNameFilters(std::span<const platform::FileFilter> filters);

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

  platform::Answer ShowMessage(const platform::Message& message) override;
  platform::FileChoice OpenFileDialog(std::span<const platform::FileFilter> filters) override;
  platform::FileChoice SaveFileDialog(std::span<const platform::FileFilter> filters) override;
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

 private:
  platform::FileChoice RunFileDialog(std::span<const platform::FileFilter> filters, bool save);
  void RememberFolder(const std::string& fileName);

  QWidget* m_parent = nullptr;
  std::function<void()> m_render;
  QString m_lastFolder;
};

}  // namespace glyphon::app
