// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>

#include "browser/rom_browser.h"

namespace glyphon::app {

// Every format at a glance: the browser's strip cells one under another, each a small
// caption over the bytes at the offset decoded at 1x; the view's format is framed. A click
// on a cell gives the view that format; `changed` then redraws the window.
class FormatStripWidget : public QWidget {
 public:
  FormatStripWidget(QWidget* parent, browser::RomBrowser& model, std::function<void()> changed);

  QSize sizeHint() const override;
  // The cell under a point of the widget, if any.
  int CellAt(QPoint point) const;
  // Follows the model: the height for its cells.
  void Refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int CellHeight() const;

  browser::RomBrowser& m_model;
  std::function<void()> m_changed;
};

}  // namespace glyphon::app
