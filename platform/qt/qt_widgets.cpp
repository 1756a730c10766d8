// SPDX-License-Identifier: MIT
// The few widget classes the Qt platform needs beyond Qt's own, and text helpers.
#include "platform/qt/qt_widgets.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QTextDocument>

namespace tastomat {

void PlatformWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (onCloseRequest) {
    onCloseRequest();
  }
}

void ImageLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
      onClick) {
    onClick();
  }
}

QString toScreenText(const std::string& text) {
  QString screen = QString::fromStdString(text);
  screen.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  screen.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return screen;
}

std::string fromScreenText(const QString& text) {
  QString program = text;
  program.replace(QLatin1Char('\n'), QLatin1Char('\r'));
  return program.toStdString();
}

QString literalToolTip(const std::string& text) {
  // Plain text that happens to look like markup would be taken as rich text by
  // QToolTip; escaped rich text shows every character as written.
  return text.empty() ? QString() : Qt::convertFromPlainText(toScreenText(text));
}

}  // namespace tastomat
