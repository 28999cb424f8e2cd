#pragma once
// One page of the main window: the program editor and, on calculator pages,
// the result field with its radix choice.

#include <QWidget>
#include <functional>
#include <string>

#include "workbench/qt/CodeEditor.h"

class QComboBox;
class QLineEdit;
class QGroupBox;
class TFindBar;
class TCompletion;

namespace TernioParser {
enum class TRadix;
}

class TEditPanel : public QWidget {
  Q_OBJECT
public:
  explicit TEditPanel(QWidget* parent = nullptr);

  TCodeEditor* MemoEdit;
  TFindBar* FindBar;  // hidden until find, replace or go to line is asked for
  TCompletion* Completion;
  QWidget* ResultPanel;  // 50 px high, hidden on the Global page
  QGroupBox* ResultGroup;
  QLineEdit* edtResult;
  QGroupBox* RadixGroup;
  QComboBox* cbRadix;

  // While false, edits of the editor's document are not reported. Whoever
  // rewrites only the formatting of the text (the syntax colouring) clears it
  // for the time of the rewrite.
  bool Notifications = true;
  // Told about every reported change of the editor's text.
  std::function<void(TEditPanel*)> OnChange;
  // Told when F1 is pressed in the editor.
  std::function<void(TEditPanel*)> OnHelpKey;

  // The editor's text with one line feed per line break, exactly as typed
  // (no character is replaced, unlike QPlainTextEdit::toPlainText).
  QString Text() const;
  // Replaces the editor's text; CR LF and lone CR count as one line break.
  // The change is reported like an edit.
  void SetText(const QString& text);
  // The text as 8-bit code-page bytes with line feeds.
  std::string Text8() const;
  bool IsEmpty() const;

  TernioParser::TRadix Radix() const;
  void ShowResult(const QString& text);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void MemoEditChange();
};
