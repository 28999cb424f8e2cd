#include "workbench/qt/Completion.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringListModel>
#include <QToolTip>
#include <memory>
#include <set>

#include "workbench/Libraries.h"
#include "workbench/qt/CodeEditor.h"

namespace {

bool IsNameChar(QChar c) { return (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'.' || c == u'$'; }

// The user-defined functions of program texts: name and parameter list of
// every define(name(...).
void ForEachDefinition(const QString& text, const std::function<void(const QString&, const QString&)>& take) {
  for (qsizetype at = text.indexOf(QLatin1String("define")); at >= 0;
       at = text.indexOf(QLatin1String("define"), at + 6)) {
    if (at > 0 && IsNameChar(text[at - 1])) continue;
    qsizetype i = at + 6;
    const auto blanks = [&] {
      while (i < text.size() && text[i].isSpace()) ++i;
    };
    blanks();
    if (i >= text.size() || text[i] != u'(') continue;
    ++i;
    blanks();
    const qsizetype nameStart = i;
    while (i < text.size() && IsNameChar(text[i])) ++i;
    const QString name = text.mid(nameStart, i - nameStart);
    blanks();
    if (name.isEmpty() || i >= text.size() || text[i] != u'(') continue;
    const qsizetype close = text.indexOf(u')', i);
    if (close < 0) continue;
    QString parameters = text.mid(i + 1, close - i - 1);
    parameters.remove(u' ').remove(u'\n').remove(QChar::ParagraphSeparator);
    take(name, parameters);
  }
}

const QStringList& BuiltinNames() {
  static const QStringList names = [] {
    QStringList n;
    for (const TernioParser::TBuiltinRow* row : TernioParser::Catalogue()) n << QString::fromLatin1(row->Name);
    return n;
  }();
  return names;
}

}  // namespace

TCompletion::TCompletion(TCodeEditor* editor) : QObject(editor), Editor(editor) {
  Model = new QStringListModel(this);
  Completer = new QCompleter(Model, this);
  Completer->setWidget(Editor);
  Completer->setCompletionMode(QCompleter::PopupCompletion);
  Completer->setCaseSensitivity(Qt::CaseSensitive);
  Completer->setModelSorting(QCompleter::CaseSensitivelySortedModel);
  connect(Completer, qOverload<const QString&>(&QCompleter::activated), this, &TCompletion::Insert);
  // The open list takes these keys itself (QCompleter hands them to the
  // editor first).
  Editor->BeforeKey = [this](QKeyEvent* key) {
    // A "(" typed right after a taken name steps over the one inserted with
    // it.
    if (key->text() == "(" && StepOver > 0 && Editor->textCursor().position() == StepOver &&
        !Editor->textCursor().hasSelection() && Editor->document()->characterAt(StepOver - 1) == u'(') {
      StepOver = -1;
      ShowSignature();
      return true;
    }
    if (!Completer->popup()->isVisible()) return false;
    switch (key->key()) {
      case Qt::Key_Enter:
      case Qt::Key_Return:
      case Qt::Key_Escape:
      case Qt::Key_Tab:
      case Qt::Key_Backtab: key->ignore(); return true;
      default: return false;
    }
  };
  // Anything but the "(" right after a taken name ends the step-over.
  connect(Editor, &QPlainTextEdit::cursorPositionChanged, this, [this] {
    if (Editor->textCursor().position() != StepOver) StepOver = -1;
  });
  Editor->AfterKey = [this](QKeyEvent* key) {
    if (!key->text().isEmpty() || key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Left ||
        key->key() == Qt::Key_Right)
      Update();
  };
}

QString TCompletion::Programs() const {
  return Editor->document()->toRawText() + QChar::ParagraphSeparator + (GlobalText ? GlobalText() : QString());
}

QString TCompletion::SignatureOf(const QString& name, const QString& programs) {
  QString signature;
  ForEachDefinition(programs, [&](const QString& n, const QString& parameters) {
    if (signature.isEmpty() && n == name) signature = n + "(" + parameters + ")";
  });
  if (!signature.isEmpty()) return signature;
  if (const TernioParser::TBuiltinRow* row = TernioParser::FindBuiltin(name.toStdString())) {
    const std::unique_ptr<TernioParser::TFunction> node(row->Create());
    return name + QString::fromStdString(node->Signature());
  }
  return QString();
}

void TCompletion::Update() {
  const QTextCursor caret = Editor->textCursor();
  const QString line = caret.block().text().left(caret.positionInBlock());
  qsizetype start = line.size();
  while (start > 0 && IsNameChar(line[start - 1])) --start;
  const QString prefix = line.mid(start);
  const bool word = prefix.size() >= 2 && !prefix[0].isDigit();
  if (word) {
    std::set<QString> names(BuiltinNames().begin(), BuiltinNames().end());
    ForEachDefinition(Programs(), [&](const QString& n, const QString&) { names.insert(n); });
    QStringList matching;
    for (const QString& n : names)
      if (n.startsWith(prefix) && n != prefix) matching << n;
    Model->setStringList(matching);
  }
  if (!word || Model->rowCount() == 0) {
    Completer->popup()->hide();
  } else {
    Completer->setCompletionPrefix(prefix);
    Completer->popup()->setCurrentIndex(Completer->completionModel()->index(0, 0));
    QRect r = Editor->cursorRect();
    r.setWidth(Completer->popup()->sizeHintForColumn(0) +
               Completer->popup()->verticalScrollBar()->sizeHint().width());
    Completer->complete(r);
  }
  ShowSignature();
}

void TCompletion::Insert(const QString& name) {
  QTextCursor c = Editor->textCursor();
  const QString line = c.block().text().left(c.positionInBlock());
  qsizetype start = line.size();
  while (start > 0 && IsNameChar(line[start - 1])) --start;
  c.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, int(line.size() - start));
  c.insertText(name + "(");
  Editor->setTextCursor(c);
  StepOver = c.position();
  ShowSignature();
}

// The call whose arguments hold the caret: the name before the innermost
// unclosed ( on the way back (a few lines at most).
void TCompletion::ShowSignature() {
  const QTextCursor caret = Editor->textCursor();
  QTextDocument* doc = Editor->document();
  int depth = 0;
  QString name;
  for (int i = caret.position() - 1, seen = 0; i >= 0 && seen < 2000; --i, ++seen) {
    const QChar c = doc->characterAt(i);
    if (c == u')') ++depth;
    else if (c == u'(' && depth > 0) --depth;
    else if (c == u'(') {
      int s = i;
      while (s > 0 && IsNameChar(doc->characterAt(s - 1))) --s;
      for (int k = s; k < i; ++k) name += doc->characterAt(k);
      break;
    }
  }
  const QString signature = name.isEmpty() || name == "define" ? QString() : SignatureOf(name, Programs());
  FShown = signature;
  if (signature.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  const QPoint at = Editor->viewport()->mapToGlobal(Editor->cursorRect().bottomLeft() + QPoint(0, 4));
  QToolTip::showText(at, signature, Editor->viewport());
}
