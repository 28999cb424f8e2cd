#pragma once
// The function help panel of the main window: a list of every built-in
// function with its signature, the help text of the chosen one, a Back
// button with a history of the last 15 choices, buttons that copy the
// function's prototype or its example to the clipboard, and the F1 lookup of
// the function name at the caret of an editor.
//
// Use by the main window:
//  - after the engines exist: HelpPanel->BuildFunctionList(Run->Main().Builtins);
//  - F1 in an editor: HelpPanel->ShowHelpFor(panel->MemoEdit);
//  - connect EditorFocusWanted() to focusing the current panel's editor (sent
//    after each copy button).

#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "engine/ParserBase.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextCursor;
class QTextEdit;
class QToolButton;

namespace TernioParser {
class TFunction;
}

class THelpPanel : public QWidget {
  Q_OBJECT
public:
  using TBuiltins = TernioParser::TParserBase::TBuiltins;
  static constexpr size_t HistoryLength = 15;
  // Item 0 of the list, and the text it shows.
  static const char* const GeneralInfo;
  static const char* const WelcomeText;

  explicit THelpPanel(QWidget* parent = nullptr);

  QLabel* Label;
  QComboBox* csFunctions;
  QToolButton* btnBack;
  QPushButton* BtnInsFunc;
  QPushButton* BtnInsExample;
  QTextEdit* edtHelp;

  // Fills the list: "[General Info]", then every built-in as its name followed
  // by its signature, in the table's order, and shows item 0. A factory that
  // yields no object is reported ("Zero function") and ends the list before
  // its name; the result is then false and nothing is shown.
  bool BuildFunctionList(const TBuiltins& builtins);
  // Renders the selected item into edtHelp.
  void ShowFunctionHelp();
  // A choice of the user (or of F1): selects index, puts it at the front of
  // the history and shows it.
  void csFunctionsChange(int index);
  void btnBackClick();
  void BtnInsFuncClick();
  void BtnInsExampleClick();

  // F1: looks at up to 40 characters of text around caret (a position in
  // text, 0 = before the first character), finds the run of letters A-Z/a-z
  // the caret is in or directly after (a "(" right before the caret is
  // stepped over), and selects the first list item that begins with that word
  // followed by "(", as a choice of the user. False when nothing was found;
  // nothing changes then. The editor variant reads the editor's caret and
  // text and leaves its caret, selection and scroll position untouched.
  bool ShowHelpFor(const QString& text, int caret);
  bool ShowHelpFor(const QPlainTextEdit* editor);

  // Item indexes of the last choices, newest first.
  const std::deque<int>& History() const { return FHistory; }
  // The example of the function shown last (empty when it has none).
  QString Example() const { return FExample; }

  // Writes the help entry of f at cursor: the heading (name and signature)
  // in bold, the description, the example in the fixed-pitch font with its
  // note, and the see-also text after a bold "See also:". The help texts are
  // 8-bit code-page text. The panel uses 8 pt; printed text may be larger.
  static void RenderEntry(QTextCursor& cursor, const QString& heading, const TernioParser::TFunction& f,
                          qreal pointSize = 8);

  // Reports an internal error (title "Internal Error"); a message box unless
  // replaced (tests).
  std::function<void(const QString&)> ReportError;

signals:
  // Sent after a copy button put text on the clipboard: the user goes on in
  // the editor.
  void EditorFocusWanted();

private:
  TBuiltins Builtins;
  std::deque<int> FHistory;
  QString FExample;
};
