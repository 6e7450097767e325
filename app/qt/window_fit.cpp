#include "app/qt/window_fit.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QWidget>

int TitleBarWidth(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.2);
  const QFontMetrics metrics(font);
  // Icon, up to four buttons and the gaps between them, each about a title bar high.
  const int titleBarHeight = metrics.height() * 3 / 2;
  return metrics.horizontalAdvance(title) + 6 * titleBarHeight;
}

void FixSizeToContent(QWidget& window) {
  window.setFixedSize(window.sizeHint().expandedTo(QSize(TitleBarWidth(window.windowTitle()), 0)));
}
