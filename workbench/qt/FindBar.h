#pragma once
// The find bar under a program editor: find (Ctrl+F, then Enter or F3 for
// the next place), replace (Ctrl+H: the found text or every place at once)
// and go to line (Ctrl+G). Escape closes it and returns to the editor.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TFindBar : public QWidget {
  Q_OBJECT
public:
  explicit TFindBar(QPlainTextEdit* editor, QWidget* parent = nullptr);

  QLineEdit* FindEdit;
  QLineEdit* ReplaceEdit;
  QCheckBox* MatchCase;
  QPushButton* BtnNext;
  QPushButton* BtnReplace;
  QPushButton* BtnReplaceAll;
  QLineEdit* LineEdit;
  QLabel* Note;  // "Not found", the count of replacements

  // Shows the bar for finding, replacing or the line number, with the field
  // focused; the selected text of one line becomes the text to find.
  void ShowFind();
  void ShowReplace();
  void ShowGoToLine();
  // Selects the next place of the text after the caret, from the start again
  // after the end; false when the text is nowhere.
  bool FindNext();
  // Replaces the selected place of the text, then finds the next one.
  void ReplaceOne();
  // Replaces every place in one edit (one undo step); returns how many.
  int ReplaceAll();
  // Moves the caret to the start of a line (from 1, kept within the text)
  // and scrolls it into view.
  void GoToLine(int line);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPlainTextEdit* Editor;
  QWidget* FindRow;
  QWidget* ReplaceRow;
  QWidget* LineRow;

  void Open(QWidget* row, bool replace);
  void Close();
  bool Matches(const QString& selected) const;
};
