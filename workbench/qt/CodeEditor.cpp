#include "workbench/qt/CodeEditor.h"

#include <QHelpEvent>
#include <QTextBlock>
#include <QToolTip>

#include "workbench/qt/LineGutter.h"

TCodeEditor::TCodeEditor(QWidget* parent) : QPlainTextEdit(parent) {
  FGutter = new TLineGutter(this);
  connect(this, &QPlainTextEdit::blockCountChanged, this, &TCodeEditor::UpdateGutterWidth);
  connect(this, &QPlainTextEdit::updateRequest, this, &TCodeEditor::UpdateGutter);
  UpdateGutterWidth();
}

QRectF TCodeEditor::BlockRect(const QTextBlock& block) const {
  return blockBoundingGeometry(block).translated(contentOffset());
}

void TCodeEditor::UpdateGutterWidth() {
  setViewportMargins(FGutter->WidthNeeded(), 0, 0, 0);
  const QRect r = contentsRect();
  FGutter->setGeometry(r.left(), r.top(), FGutter->WidthNeeded(), viewport()->height());
}

void TCodeEditor::UpdateGutter(const QRect& rect, int dy) {
  if (dy) FGutter->scroll(0, dy);
  else FGutter->update(0, rect.y(), FGutter->width(), rect.height());
}

void TCodeEditor::keyPressEvent(QKeyEvent* event) {
  if (BeforeKey && BeforeKey(event)) return;
  QPlainTextEdit::keyPressEvent(event);
  if (AfterKey) AfterKey(event);
}

void TCodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  UpdateGutterWidth();
}

void TCodeEditor::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    FGutter->setFont(font());
    UpdateGutterWidth();
  }
}

void TCodeEditor::MarkError(int start, int end, const QString& message) {
  const int length = document()->characterCount() - 1;
  start = std::clamp(start, 0, length);
  end = std::clamp(end, start, length);
  // An empty range (an error at a line break or the end of the text) marks
  // the character after it, or the one before at the end.
  if (end == start) {
    if (end < length) ++end;
    else if (start > 0) --start;
  }
  FError = QTextCursor(document());
  FError.setPosition(start);
  FError.setPosition(end, QTextCursor::KeepAnchor);
  FErrorMessage = message.isEmpty() ? tr("Syntax error") : message;
  QTextEdit::ExtraSelection mark;
  mark.cursor = FError;
  mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
  mark.format.setUnderlineColor(QColor(220, 0, 0));
  mark.format.setBackground(QColor(255, 225, 225));
  SetHighlights(ErrorLayer, {mark});
  FGutter->update();
}

void TCodeEditor::ClearError() {
  if (!HasError()) return;
  FError = QTextCursor();
  FErrorMessage.clear();
  SetHighlights(ErrorLayer, {});
  FGutter->update();
}

int TCodeEditor::ErrorLine() const {
  return HasError() ? document()->findBlock(FError.selectionStart()).blockNumber() : -1;
}

void TCodeEditor::SetHighlights(TLayer layer, const QList<QTextEdit::ExtraSelection>& highlights) {
  FLayers[layer] = highlights;
  QList<QTextEdit::ExtraSelection> all;
  for (const auto& l : FLayers) all += l;
  setExtraSelections(all);
}

bool TCodeEditor::viewportEvent(QEvent* event) {
  // The message of the error mark when the mouse rests on the marked text.
  if (event->type() == QEvent::ToolTip && HasError()) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int at = cursorForPosition(help->pos()).position();
    const QRect caret = cursorRect(cursorForPosition(help->pos()));
    const bool onMark = at >= FError.selectionStart() && at <= FError.selectionEnd() &&
                        std::abs(caret.center().y() - help->pos().y()) <= caret.height();
    if (onMark) QToolTip::showText(help->globalPos(), FErrorMessage, viewport());
    else QToolTip::hideText();
    return true;
  }
  return QPlainTextEdit::viewportEvent(event);
}
