#include "workbench/qt/EditPanel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>

#include "engine/ResultFormat.h"
#include "engine/qt/CodePage.h"
#include "workbench/qt/BracketMatch.h"
#include "workbench/qt/Completion.h"
#include "workbench/qt/FindBar.h"
#include "workbench/qt/FixedFont.h"

TEditPanel::TEditPanel(QWidget* parent) : QWidget(parent) {
  MemoEdit = new TCodeEditor(this);
  MemoEdit->setObjectName("MemoEdit");
  MemoEdit->setFont(Ostra::FixedFont(10));
  MemoEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoEdit->setWordWrapMode(QTextOption::NoWrap);
  MemoEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoEdit->setTabChangesFocus(false);
  MemoEdit->installEventFilter(this);
  new TBracketMatcher(MemoEdit);
  Completion = new TCompletion(MemoEdit);
  // Keep the selection visibly highlighted when the editor loses focus.
  QPalette pal = MemoEdit->palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
  MemoEdit->setPalette(pal);

  ResultPanel = new QWidget(this);
  ResultPanel->setObjectName("ResultPanel");
  ResultPanel->setFixedHeight(50);
  auto* resultRow = new QHBoxLayout(ResultPanel);
  resultRow->setContentsMargins(2, 0, 2, 2);

  ResultGroup = new QGroupBox(tr("Result"), ResultPanel);
  auto* rl = new QHBoxLayout(ResultGroup);
  rl->setContentsMargins(4, 0, 4, 2);
  edtResult = new QLineEdit(ResultGroup);
  edtResult->setObjectName("edtResult");
  edtResult->setReadOnly(true);
  edtResult->setToolTip(tr("Displays the calculation result"));
  edtResult->setStyleSheet("QLineEdit { background-color: black; color: yellow; }");
  QFont rf("Arial", 12);
  rf.setBold(true);
  edtResult->setFont(rf);
  rl->addWidget(edtResult);
  resultRow->addWidget(ResultGroup, 1);

  RadixGroup = new QGroupBox(tr("Radix"), ResultPanel);
  auto* xl = new QHBoxLayout(RadixGroup);
  xl->setContentsMargins(4, 0, 4, 2);
  cbRadix = new QComboBox(RadixGroup);
  cbRadix->setObjectName("cbRadix");
  cbRadix->addItems({tr("Decimal"), tr("Hexadecimal"), tr("Binary")});
  cbRadix->setCurrentIndex(0);
  cbRadix->setToolTip(tr("Changes the radix of the calculation result"));
  xl->addWidget(cbRadix);
  resultRow->addWidget(RadixGroup, 0);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(MemoEdit, 1);
  FindBar = new TFindBar(MemoEdit, this);
  column->addWidget(FindBar, 0);
  column->addWidget(ResultPanel, 0);

  connect(MemoEdit->document(), &QTextDocument::contentsChanged, this, &TEditPanel::MemoEditChange);
}

void TEditPanel::MemoEditChange() {
  if (Notifications && OnChange) OnChange(this);
}

bool TEditPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == MemoEdit && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
    if (OnHelpKey) OnHelpKey(this);
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

QString TEditPanel::Text() const {
  QString t = MemoEdit->document()->toRawText();
  for (QChar& c : t)
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
  return t;
}

void TEditPanel::SetText(const QString& text) {
  QString t = text;
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  t.replace(u'\r', u'\n');
  MemoEdit->setPlainText(t);
}

std::string TEditPanel::Text8() const { return Ostra::ToCodePage(Text()); }

bool TEditPanel::IsEmpty() const { return MemoEdit->document()->isEmpty(); }

TernioParser::TRadix TEditPanel::Radix() const {
  switch (cbRadix->currentIndex()) {
    case 1: return TernioParser::TRadix::Hexadecimal;
    case 2: return TernioParser::TRadix::Binary;
    default: return TernioParser::TRadix::Decimal;
  }
}

void TEditPanel::ShowResult(const QString& text) {
  edtResult->setText(text);
  edtResult->setCursorPosition(0);
}
