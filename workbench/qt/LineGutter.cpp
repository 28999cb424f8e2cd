#include "workbench/qt/LineGutter.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>

#include "workbench/qt/CodeEditor.h"

namespace {

constexpr int MarkWidth = 10;  // room for the error mark, left of the numbers
constexpr int Padding = 4;

}  // namespace

TLineGutter::TLineGutter(TCodeEditor* editor) : QWidget(editor), Editor(editor) {
  setObjectName("LineGutter");
  setFont(editor->font());
}

int TLineGutter::WidthNeeded() const {
  int digits = 1;
  for (int n = std::max(1, Editor->blockCount()); n >= 10; n /= 10) ++digits;
  digits = std::max(digits, 2);
  return MarkWidth + fontMetrics().horizontalAdvance(u'9') * digits + Padding * 2;
}

int TLineGutter::LineAt(int y) const {
  for (QTextBlock b = Editor->FirstShownBlock(); b.isValid(); b = b.next()) {
    const QRectF r = Editor->BlockRect(b);
    if (r.top() > y) break;
    if (b.isVisible() && y < r.bottom()) return b.blockNumber();
  }
  return -1;
}

void TLineGutter::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), QColor(236, 236, 236));
  p.setFont(font());
  const int errorLine = Editor->ErrorLine();
  const int lineHeight = fontMetrics().height();
  for (QTextBlock b = Editor->FirstShownBlock(); b.isValid(); b = b.next()) {
    const QRectF r = Editor->BlockRect(b);
    if (r.top() > event->rect().bottom()) break;
    if (!b.isVisible() || r.bottom() < event->rect().top()) continue;
    const int top = int(r.top());
    if (b.blockNumber() == errorLine) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(220, 0, 0));
      const int d = std::min(MarkWidth - 2, lineHeight - 4);
      p.drawEllipse(QRect(2, top + (lineHeight - d) / 2, d, d));
    }
    p.setPen(QColor(120, 120, 120));
    p.drawText(QRect(MarkWidth, top, width() - MarkWidth - Padding, lineHeight),
               Qt::AlignRight | Qt::AlignVCenter,
               QString::number(b.blockNumber() + 1));
  }
}

bool TLineGutter::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int line = LineAt(help->pos().y());
    if (line >= 0 && line == Editor->ErrorLine()) QToolTip::showText(help->globalPos(), Editor->ErrorMessage(), this);
    else QToolTip::hideText();
    return true;
  }
  return QWidget::event(event);
}
