#pragma once
// The gutter at the left of a program editor: the number of each line shown,
// and a red mark on the line of a parse error whose message is the tool tip
// of the mark.

#include <QWidget>

class TCodeEditor;

class TLineGutter : public QWidget {
  Q_OBJECT
public:
  explicit TLineGutter(TCodeEditor* editor);

  // Width for the line numbers of the editor's text and the error mark.
  int WidthNeeded() const;
  // The line (block number) shown at a height of the gutter, or -1.
  int LineAt(int y) const;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

private:
  TCodeEditor* Editor;
};
