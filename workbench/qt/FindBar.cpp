#include "workbench/qt/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QWidget* Row(QWidget* parent, QHBoxLayout*& layout) {
  auto* row = new QWidget(parent);
  layout = new QHBoxLayout(row);
  layout->setContentsMargins(2, 1, 2, 1);
  return row;
}

}  // namespace

TFindBar::TFindBar(QPlainTextEdit* editor, QWidget* parent) : QWidget(parent), Editor(editor) {
  setObjectName("FindBar");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  QHBoxLayout* l;
  FindRow = Row(this, l);
  l->addWidget(new QLabel(tr("Find:"), FindRow));
  FindEdit = new QLineEdit(FindRow);
  FindEdit->setObjectName("FindEdit");
  l->addWidget(FindEdit, 1);
  MatchCase = new QCheckBox(tr("Match case"), FindRow);
  // Names in programs are case-sensitive, but a search finds every spelling
  // unless asked otherwise, as in other editors.
  MatchCase->setChecked(false);
  l->addWidget(MatchCase);
  BtnNext = new QPushButton(tr("Find next"), FindRow);
  l->addWidget(BtnNext);
  Note = new QLabel(FindRow);
  Note->setObjectName("FindNote");
  l->addWidget(Note);
  auto* close = new QToolButton(FindRow);
  close->setText(QStringLiteral("\u00D7"));
  close->setToolTip(tr("Close"));
  l->addWidget(close);
  column->addWidget(FindRow);

  ReplaceRow = Row(this, l);
  l->addWidget(new QLabel(tr("Replace with:"), ReplaceRow));
  ReplaceEdit = new QLineEdit(ReplaceRow);
  ReplaceEdit->setObjectName("ReplaceEdit");
  l->addWidget(ReplaceEdit, 1);
  BtnReplace = new QPushButton(tr("Replace"), ReplaceRow);
  l->addWidget(BtnReplace);
  BtnReplaceAll = new QPushButton(tr("Replace all"), ReplaceRow);
  l->addWidget(BtnReplaceAll);
  column->addWidget(ReplaceRow);

  LineRow = Row(this, l);
  l->addWidget(new QLabel(tr("Go to line:"), LineRow));
  LineEdit = new QLineEdit(LineRow);
  LineEdit->setObjectName("LineEdit");
  LineEdit->setValidator(new QIntValidator(1, 1000000000, LineEdit));
  l->addWidget(LineEdit, 1);
  column->addWidget(LineRow);

  for (QLineEdit* e : {FindEdit, ReplaceEdit, LineEdit}) e->installEventFilter(this);
  connect(FindEdit, &QLineEdit::returnPressed, this, [this] { FindNext(); });
  connect(FindEdit, &QLineEdit::textEdited, Note, &QLabel::clear);
  connect(ReplaceEdit, &QLineEdit::returnPressed, this, &TFindBar::ReplaceOne);
  connect(LineEdit, &QLineEdit::returnPressed, this, [this] {
    GoToLine(LineEdit->text().toInt());
    Close();
  });
  connect(BtnNext, &QPushButton::clicked, this, [this] { FindNext(); });
  connect(BtnReplace, &QPushButton::clicked, this, &TFindBar::ReplaceOne);
  connect(BtnReplaceAll, &QPushButton::clicked, this, [this] { ReplaceAll(); });
  connect(close, &QToolButton::clicked, this, &TFindBar::Close);
  hide();
}

void TFindBar::Open(QWidget* row, bool replace) {
  FindRow->setVisible(row == FindRow);
  ReplaceRow->setVisible(row == FindRow && replace);
  LineRow->setVisible(row == LineRow);
  Note->clear();
  show();
}

void TFindBar::ShowFind() {
  const QString selected = Editor->textCursor().selectedText();
  if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) FindEdit->setText(selected);
  Open(FindRow, ReplaceRow->isVisible() && isVisible());
  FindEdit->setFocus();
  FindEdit->selectAll();
}

void TFindBar::ShowReplace() {
  ShowFind();
  Open(FindRow, true);
}

void TFindBar::ShowGoToLine() {
  Open(LineRow, false);
  LineEdit->setText(QString::number(Editor->textCursor().blockNumber() + 1));
  LineEdit->setFocus();
  LineEdit->selectAll();
}

void TFindBar::Close() {
  hide();
  Editor->setFocus();
}

bool TFindBar::Matches(const QString& selected) const {
  return !FindEdit->text().isEmpty() &&
         selected.compare(FindEdit->text(), MatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

bool TFindBar::FindNext() {
  const QString what = FindEdit->text();
  if (what.isEmpty()) {
    ShowFind();
    return false;
  }
  const QTextDocument::FindFlags flags =
      MatchCase->isChecked() ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
  QTextDocument* doc = Editor->document();
  QTextCursor found = doc->find(what, Editor->textCursor(), flags);
  if (found.isNull()) found = doc->find(what, 0, flags);  // once more from the start
  if (found.isNull()) {
    Note->setText(tr("Not found"));
    return false;
  }
  Note->clear();
  Editor->setTextCursor(found);
  Editor->ensureCursorVisible();
  return true;
}

void TFindBar::ReplaceOne() {
  if (Editor->isReadOnly()) return;
  QTextCursor c = Editor->textCursor();
  if (Matches(c.selectedText())) c.insertText(ReplaceEdit->text());
  Editor->setTextCursor(c);
  FindNext();
}

int TFindBar::ReplaceAll() {
  const QString what = FindEdit->text();
  if (Editor->isReadOnly() || what.isEmpty()) return 0;
  const QTextDocument::FindFlags flags =
      MatchCase->isChecked() ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
  QTextDocument* doc = Editor->document();
  QTextCursor edit(doc);
  int count = 0;
  edit.beginEditBlock();
  for (QTextCursor c = doc->find(what, 0, flags); !c.isNull(); c = doc->find(what, c, flags)) {
    c.insertText(ReplaceEdit->text());
    ++count;
  }
  edit.endEditBlock();
  Note->setText(tr("%n replaced", nullptr, count));
  return count;
}

void TFindBar::GoToLine(int line) {
  QTextDocument* doc = Editor->document();
  const QTextBlock b = doc->findBlockByNumber(std::clamp(line, 1, doc->blockCount()) - 1);
  QTextCursor c(b);
  Editor->setTextCursor(c);
  Editor->centerCursor();
  Editor->setFocus();
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    Close();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
