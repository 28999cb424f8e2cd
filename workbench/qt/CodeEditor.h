#pragma once
// The program editor of a panel: a plain-text editor with a gutter of line
// numbers at its left, the mark of a parse error (in the gutter and in the
// text, its message as tool tip), and highlights that other parts of the
// editor lay over the text in layers of their own (the bracket pair).

#include <QList>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>

class TLineGutter;

class TCodeEditor : public QPlainTextEdit {
  Q_OBJECT
public:
  // The highlight layers, drawn in this order.
  enum TLayer { ErrorLayer, BracketLayer, LayerCount };

  explicit TCodeEditor(QWidget* parent = nullptr);

  TLineGutter* Gutter() const { return FGutter; }

  // Marks the characters from start to end (editor positions) as the place
  // of a parse error; an empty range marks the character beside it. The mark
  // moves with the text when it is edited before the next parse.
  void MarkError(int start, int end, const QString& message);
  void ClearError();
  bool HasError() const { return !FErrorMessage.isEmpty(); }
  QString ErrorMessage() const { return FErrorMessage; }
  // The marked characters, the line (block number) the mark starts in;
  // -1 without a mark.
  QTextCursor ErrorRange() const { return FError; }
  int ErrorLine() const;

  // Told about each key before the editor takes it (true: the editor does
  // not take it; the event's accepted flag then says whether it was used or
  // is left to others), and after the editor took it. Keys that the
  // completion list hands on arrive here too.
  std::function<bool(QKeyEvent*)> BeforeKey;
  std::function<void(QKeyEvent*)> AfterKey;

  // Replaces the highlights of one layer.
  void SetHighlights(TLayer layer, const QList<QTextEdit::ExtraSelection>& highlights);

  // The first block whose line is shown, and the top and height of a block
  // in viewport coordinates: what the gutter paints by.
  QTextBlock FirstShownBlock() const { return firstVisibleBlock(); }
  QRectF BlockRect(const QTextBlock& block) const;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;

private:
  TLineGutter* FGutter;
  QTextCursor FError;
  QString FErrorMessage;
  QList<QTextEdit::ExtraSelection> FLayers[LayerCount];

  void UpdateGutterWidth();
  void UpdateGutter(const QRect& rect, int dy);
};
