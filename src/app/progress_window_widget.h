// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

#include "workspace/progress_window.h"

namespace glyphon::app {

// The progress window on screen: a small modeless tool window with the bar and the
// percentage label centred over it, in the palette's highlight, highlighted-text, button
// and button-text colours. It stays in front of the main window while a loop runs.
class ProgressWindowWidget : public QWidget {
 public:
  explicit ProgressWindowWidget(QWidget* parent);

  void Render(const workspace::ProgressWindow& model);

  QString Text() const { return m_text; }
  int Fill() const { return m_fill; }
  QColor TextColour() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int m_fill = 0;
  QString m_text;
  workspace::SystemColour m_colour = workspace::SystemColour::ButtonText;
};

}  // namespace glyphon::app
