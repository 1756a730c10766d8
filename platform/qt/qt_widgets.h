// SPDX-License-Identifier: MIT
// The few widget classes the Qt platform needs beyond Qt's own, and text helpers.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>

namespace tastomat {

// A program window: it never closes by itself. The close box, Alt+F4 or a
// window manager's close is refused and handed to onCloseRequest.
class PlatformWindow : public QWidget {
 public:
  explicit PlatformWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {}
  std::function<void()> onCloseRequest;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

// The image control: shows a picture from its top-left corner; a click on it
// is reported through onClick.
class ImageLabel : public QLabel {
 public:
  explicit ImageLabel(QWidget* parent) : QLabel(parent) {}
  std::function<void()> onClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// A check box that toggles on a click anywhere in its rectangle, not only on
// its box and caption: the whole control is the target, as the layout places it.
class WholeCheckBox : public QCheckBox {
 public:
  WholeCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// The program's texts are UTF-8 with CR (13) as the line break; Qt's use '\n'.
QString toScreenText(const std::string& text);
std::string fromScreenText(const QString& text);
// A tooltip that shows literally: no rich text, no mnemonic, quotes as they are.
QString literalToolTip(const std::string& text);

}  // namespace tastomat
