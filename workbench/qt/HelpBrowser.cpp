#include "workbench/qt/HelpBrowser.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "engine/Function.h"
#include "engine/qt/CodePage.h"
#include "workbench/qt/FixedFont.h"

using TernioParser::TFunction;

const char* const THelpPanel::GeneralInfo = QT_TRANSLATE_NOOP("THelpPanel", "[General Info]");

const char* const THelpPanel::WelcomeText = QT_TRANSLATE_NOOP(
    "THelpPanel",
    "Welcome to the advanced calculator!\n"
    "Enter a matematical expression in the editor window and press the large Enter key on the numeric key pad. "
    "The result of the expression will be displayed in the result window below the editor.\n"
    "\n"
    "To view a short description of a function use the selection list above. In the descriptions, function "
    "parameters are enclosed by <angle brackets> to separate it from the normal text. Use the 'copy to clipboard' "
    "button to copy and paste a selected function into the editor window. Use 0xnnn to enter hexadecimal numbers "
    "like 0x12ab or 0bnnn to enter binary numbers.\n"
    "\n"
    "To view the full capability of this calculator, have a look in the online function help or the user "
    "manual.\n");

namespace {

QString Text(const char* s) { return s ? Ostra::FromCodePage(s) : QString(); }

bool IsLetter(QChar c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

THelpPanel::THelpPanel(QWidget* parent) : QWidget(parent) {
  setFixedHeight(129);
  Label = new QLabel(tr("Function Help:"), this);
  csFunctions = new QComboBox(this);
  csFunctions->setEditable(false);
  csFunctions->setMaxVisibleItems(20);
  // Styles that open a selection-only list as a pop-up over the field (Fusion
  // among them) ignore the row limit and show the whole list; a scrolling
  // drop-down of 20 rows is kept in every style.
  csFunctions->setStyleSheet("QComboBox { combobox-popup: 0; }");
  // The field holds "[General Info]" in any language without cutting it.
  csFunctions->setMinimumContentsLength(std::max<int>(24, tr(GeneralInfo).size() + 2));
  csFunctions->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  csFunctions->setToolTip(tr("Choose a function to display a short description for"));
  btnBack = new QToolButton(this);
  btnBack->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  btnBack->setToolTip(tr("Go back to the last displayed function help"));
  btnBack->setEnabled(false);
  BtnInsFunc = new QPushButton(tr("Copy function"), this);
  BtnInsFunc->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  BtnInsFunc->setToolTip(tr("Copy the function prototype to the clipboard"));
  BtnInsExample = new QPushButton(tr("Copy example"), this);
  BtnInsExample->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  BtnInsExample->setToolTip(tr("Copy a full example of this function to the clipboard"));
  edtHelp = new QTextEdit(this);
  edtHelp->setReadOnly(true);
  edtHelp->setFixedHeight(97);
  edtHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette pal = edtHelp->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
  pal.setColor(QPalette::Text, pal.color(QPalette::ToolTipText));
  edtHelp->setPalette(pal);
  QFont helpFont = edtHelp->font();
  helpFont.setPointSize(8);
  edtHelp->setFont(helpFont);

  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(Label);
  top->addWidget(csFunctions, 1);
  top->addWidget(btnBack);
  top->addWidget(BtnInsFunc);
  top->addWidget(BtnInsExample);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(2);
  layout->addLayout(top);
  layout->addWidget(edtHelp);

  // Only choices of the user count; selections made by Back do not.
  connect(csFunctions, &QComboBox::activated, this, &THelpPanel::csFunctionsChange);
  connect(btnBack, &QToolButton::clicked, this, &THelpPanel::btnBackClick);
  connect(BtnInsFunc, &QPushButton::clicked, this, &THelpPanel::BtnInsFuncClick);
  connect(BtnInsExample, &QPushButton::clicked, this, &THelpPanel::BtnInsExampleClick);
  ReportError = [this](const QString& message) { QMessageBox::critical(this, tr("Internal Error"), message); };
}

bool THelpPanel::BuildFunctionList(const TBuiltins& builtins) {
  Builtins = builtins;
  FHistory.clear();
  btnBack->setEnabled(false);
  csFunctions->clear();
  edtHelp->clear();
  csFunctions->addItem(tr(GeneralInfo));
  for (const auto& [name, row] : Builtins) {
    std::unique_ptr<TFunction> f(row ? row->Create() : nullptr);
    if (!f) {
      ReportError(tr("Zero function"));
      BtnInsFunc->setEnabled(false);
      BtnInsExample->setEnabled(false);
      return false;
    }
    csFunctions->addItem(Text(name) + Text(f->Signature().c_str()));
  }
  // The drop-down list is as wide as its longest item: no signature is cut
  // in the middle.
  QAbstractItemView* list = csFunctions->view();
  list->setTextElideMode(Qt::ElideRight);
  list->setMinimumWidth(list->sizeHintForColumn(0) + list->verticalScrollBar()->sizeHint().width() + 8);
  csFunctions->setCurrentIndex(0);
  ShowFunctionHelp();
  return true;
}

void THelpPanel::RenderEntry(QTextCursor& c, const QString& heading, const TFunction& f, qreal pointSize) {
  QTextCharFormat normal;
  normal.setFontFamilies({QApplication::font().family()});
  normal.setFontPointSize(pointSize);
  QTextCharFormat bold = normal;
  bold.setFontWeight(QFont::Bold);
  QTextCharFormat italic = normal;
  italic.setFontItalic(true);
  QTextCharFormat fixed = normal;
  const QFont fixedFont = Ostra::FixedFont(pointSize);
  fixed.setFontFamilies({fixedFont.family()});
  fixed.setFontStyleHint(fixedFont.styleHint());
  fixed.setFontFixedPitch(true);

  c.insertText(heading, bold);
  c.insertText("\n", normal);
  c.insertText(Text(f.Description()), normal);
  c.insertText("\n", normal);
  if (f.Example()) {
    c.insertText(tr("Example:"), italic);
    c.insertText("\n", normal);
    c.insertText(Text(f.Example()), fixed);
    c.insertText("\n", normal);
    c.insertText(Text(f.ExampleNote()), normal);
    c.insertText("\n", normal);
  }
  if (f.SeeAlso()) {
    c.insertText(tr("See also:"), bold);
    c.insertText("\n", normal);
    c.insertText(Text(f.SeeAlso()), normal);
  }
}

void THelpPanel::ShowFunctionHelp() {
  const int index = csFunctions->currentIndex();
  BtnInsFunc->setEnabled(index > 0);
  edtHelp->clear();
  if (index <= 0) {
    edtHelp->setPlainText(tr(WelcomeText));
    BtnInsExample->setEnabled(false);
    return;
  }
  const QString item = csFunctions->itemText(index);
  const std::string name = Ostra::ToCodePage(item.left(item.indexOf('(')));
  const auto found = Builtins.find(name.c_str());
  std::unique_ptr<TFunction> f(found != Builtins.end() && found->second ? found->second->Create() : nullptr);
  if (!f) {
    FExample.clear();
    BtnInsExample->setEnabled(false);
    return;
  }
  QTextCursor c(edtHelp->document());
  RenderEntry(c, item, *f);
  edtHelp->moveCursor(QTextCursor::Start);
  FExample = Text(f->Example());
  BtnInsExample->setEnabled(f->Example() != nullptr);
}

void THelpPanel::csFunctionsChange(int index) {
  if (index < 0 || index >= csFunctions->count()) return;
  if (csFunctions->currentIndex() != index) csFunctions->setCurrentIndex(index);
  FHistory.push_front(index);
  while (FHistory.size() > HistoryLength) FHistory.pop_back();
  btnBack->setEnabled(true);
  ShowFunctionHelp();
}

void THelpPanel::btnBackClick() {
  if (FHistory.size() < 2) return;
  FHistory.pop_front();
  csFunctions->setCurrentIndex(FHistory.front());
  btnBack->setEnabled(FHistory.size() > 1);
  ShowFunctionHelp();
}

void THelpPanel::BtnInsFuncClick() {
  QApplication::clipboard()->setText(csFunctions->currentText());
  emit EditorFocusWanted();
}

void THelpPanel::BtnInsExampleClick() {
  QApplication::clipboard()->setText(FExample);
  emit EditorFocusWanted();
}

bool THelpPanel::ShowHelpFor(const QString& text, int caret) {
  caret = std::clamp(caret, 0, static_cast<int>(text.size()));
  const int start = std::max(caret - 20, 0);
  const QString w = text.mid(start, 40);
  // k counts from 1: w[k] is the character just before the caret.
  int k = std::min(caret - start, static_cast<int>(w.size()));
  if (k < 1) return false;
  const auto at = [&](int i) { return i >= 1 && i <= w.size() ? w[i - 1] : QChar(); };
  if (at(k) == '(' && k > 1) --k;
  while (IsLetter(at(k)) && k > 1) --k;
  if (!IsLetter(at(k))) ++k;
  QString word;
  for (int i = k; IsLetter(at(i)); ++i) word += at(i);
  word += '(';
  for (int i = 1; i < csFunctions->count(); ++i) {
    if (csFunctions->itemText(i).startsWith(word, Qt::CaseSensitive)) {
      csFunctionsChange(i);
      return true;
    }
  }
  return false;
}

bool THelpPanel::ShowHelpFor(const QPlainTextEdit* editor) {
  // Only the part of the text around the caret is looked at.
  QTextDocument* doc = editor->document();
  const int caret = editor->textCursor().position();
  const int start = std::max(caret - 20, 0);
  QTextCursor window(doc);
  window.setPosition(start);
  window.setPosition(std::min(start + 40, doc->characterCount() - 1), QTextCursor::KeepAnchor);
  return ShowHelpFor(window.selectedText(), caret - start);
}
