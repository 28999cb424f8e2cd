#pragma once
// Completion of function names in a program editor: typing two or more
// characters of a name offers the built-in functions and those the panel and
// the Global panel define with define(name(...)); Enter or Tab takes the
// chosen one with its "(" (a "(" typed next steps over it). While the caret is in the arguments of a call the
// function's signature shows as a tool tip near the caret.

#include <QObject>
#include <QString>
#include <functional>

class QCompleter;
class QStringListModel;
class TCodeEditor;

class TCompletion : public QObject {
  Q_OBJECT
public:
  explicit TCompletion(TCodeEditor* editor);

  // The text of the Global panel, whose definitions count as well.
  std::function<QString()> GlobalText;
  QCompleter* Completer;

  // The signature of a function as the tool tip shows it, name(a;b), or an
  // empty text for an unknown name; user-defined functions from program
  // text come first, like in the language.
  static QString SignatureOf(const QString& name, const QString& programs);
  // The signature shown now, empty while none is shown.
  QString ShownSignature() const { return FShown; }

private:
  TCodeEditor* Editor;
  QStringListModel* Model;
  QString FShown;
  // The position after the "(" of the name taken last, while the caret
  // stays there; -1 otherwise.
  int StepOver = -1;
  QString Programs() const;
  void Update();
  void Insert(const QString& name);
  void ShowSignature();
};
