#include "output/qt/OutputForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <string_view>

#include "engine/qt/CodePage.h"

class TOutputForm::TSink final : public TernioParser::TOutputSink {
public:
  explicit TSink(Ostra::TBatchChannel<TBatch>& channel) : Channel(channel) {}

  void Write(const std::string& text, bool newline) override { Push(newline ? OpPrintln : OpPrint, text); }
  void Clear() override { Push(OpClear, {}); }

private:
  Ostra::TBatchChannel<TBatch>& Channel;

  void Push(TOpKind kind, std::string_view text) {
    Channel.Push(
        [&](TBatch& b) {
          b.Bytes.append(text);
          b.Ops.push_back({kind, text.size()});
        },
        kind == OpClear ? Ostra::TBatchChannel<TBatch>::TWait::UntilApplied
                        : Ostra::TBatchChannel<TBatch>::TWait::UntilRoom);
  }
};

TOutputForm::TOutputForm(QWidget* parent)
    : QWidget(parent, Qt::Tool),
      Channel(
          this, [this](TBatch& b) { Apply(b); },
          [](const TBatch& b) { return b.Bytes.size() > MaxPendingBytes || b.Ops.size() > MaxPendingWrites; }),
      SinkObject(std::make_unique<TSink>(Channel)) {
  setWindowTitle(tr("Output Window"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  resize(407, 303);
  move(429, 175);

  Panel1 = new QWidget(this);
  Panel1->setFixedHeight(33);
  auto* buttons = new QHBoxLayout(Panel1);
  buttons->setContentsMargins(4, 2, 4, 2);
  auto makeButton = [&](const QString& caption, const QIcon& icon) {
    auto* b = new QPushButton(icon, caption, Panel1);
    b->setIconSize(QSize(16, 16));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  QStyle* s = style();
  btnClear = makeButton(tr("Clear"), s->standardIcon(QStyle::SP_DialogResetButton));
  btnSave = makeButton(tr("Save As Text"), s->standardIcon(QStyle::SP_DialogSaveButton));
  btnCopy = makeButton(tr("To Clipboard"), s->standardIcon(QStyle::SP_FileDialogDetailedView));
  btnPrint = makeButton(tr("Print"), QIcon::fromTheme("document-print", s->standardIcon(QStyle::SP_ComputerIcon)));
  buttons->addStretch(1);

  Memo = new QPlainTextEdit(this);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Program output can be long; an undo history of it would only cost memory.
  Memo->setUndoRedoEnabled(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(Memo, 1);

  connect(btnClear, &QPushButton::clicked, this, &TOutputForm::btnClearClick);
  connect(btnSave, &QPushButton::clicked, this, &TOutputForm::btnSaveClick);
  connect(btnCopy, &QPushButton::clicked, this, &TOutputForm::btnCopyClick);
  connect(btnPrint, &QPushButton::clicked, this, &TOutputForm::btnPrintClick);
  // The user may edit the text; emptying it by hand leaves no line at all.
  connect(Memo, &QPlainTextEdit::textChanged, this, [this] {
    if (!Appending) NoLines = Memo->document()->isEmpty();
  });
}

TOutputForm::~TOutputForm() = default;

TernioParser::TOutputSink* TOutputForm::Sink() { return SinkObject.get(); }

void TOutputForm::Flush() { Channel.Drain(); }

namespace {

// Appends text with CR LF and lone CR turned into the line feeds of the text
// area, so text holding line breaks shows as several lines.
void AppendLines(std::string& out, std::string_view text) {
  if (text.find('\r') == std::string_view::npos) {
    out.append(text);
    return;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
      continue;
    }
    out += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
}

}  // namespace

// Applies one batch in order. The new text of a batch is collected first and
// inserted with a single edit: a text starts a new line when the last line is
// complete (unless the area holds no line yet), cleartext drops everything
// before it but leaves LineComplete as it is.
void TOutputForm::Apply(const TBatch& batch) {
  const std::string& bytes = batch.Bytes;
  const std::vector<TOp>& ops = batch.Ops;
  std::string chunk;
  chunk.reserve(bytes.size() + ops.size());
  bool clear = false;
  bool wrote = false;     // text remains to be added after the last clear
  bool anyText = false;   // the batch holds text at all: the window shows itself
  bool empty = NoLines && Memo->document()->isEmpty();
  bool complete = LineComplete;
  size_t at = 0;
  for (const TOp& op : ops) {
    if (op.Kind == OpClear) {
      clear = true;
      wrote = false;
      empty = true;
      chunk.clear();
      continue;
    }
    if (complete && !empty) chunk += '\n';
    AppendLines(chunk, std::string_view(bytes).substr(at, op.Length));
    at += op.Length;
    empty = false;
    wrote = anyText = true;
    complete = op.Kind == OpPrintln;
  }
  LineComplete = complete;

  QScrollBar* bar = Memo->verticalScrollBar();
  const bool follow = bar->value() == bar->maximum();
  Appending = true;
  if (clear) {
    Memo->clear();
    NoLines = true;
  }
  if (wrote) {
    if (!chunk.empty()) {
      QTextCursor c(Memo->document());
      c.movePosition(QTextCursor::End);
      c.insertText(Ostra::FromCodePage(chunk));
    }
    NoLines = false;
  }
  Appending = false;
  if (follow) bar->setValue(bar->maximum());
  if (anyText && !isVisible()) show();
}

QStringList TOutputForm::Lines() const {
  QStringList lines;
  const QTextDocument* doc = Memo->document();
  if (NoLines && doc->isEmpty()) return lines;
  lines.reserve(doc->blockCount());
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) lines.append(b.text());
  return lines;
}

std::string TOutputForm::ExportText() const {
  std::string out;
  for (const QString& line : Lines()) {
    out += Ostra::ToCodePage(line);
    out += "\r\n";
  }
  return out;
}

bool TOutputForm::SaveToFile(const QString& path, QString* error) const {
  const std::string text = ExportText();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !file.commit()) {
    if (error) *error = file.errorString();
    file.cancelWriting();
    return false;
  }
  return true;
}

bool TOutputForm::PrintTo(QPrinter& printer) const {
  printer.setDocName("Calculator output");
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QFontMetrics fm = painter.fontMetrics();
  const int h = fm.height();
  const int l = fm.horizontalAdvance("XXXXXXX");
  const int t = 5 * h;
  const int pageHeight = printer.height();
  const QStringList lines = Lines();
  int r = 0;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    painter.drawText(l, r * h + t + fm.ascent(), lines[i]);
    ++r;
    // A new page only when another line follows, so a page filled exactly
    // leaves no empty sheet behind.
    if (pageHeight < r * h + 2 * t && i + 1 < lines.size()) {
      printer.newPage();
      r = 0;
    }
  }
  return painter.end();
}

void TOutputForm::btnClearClick() {
  Appending = true;
  Memo->clear();
  Appending = false;
  NoLines = true;
}

void TOutputForm::btnSaveClick() {
  QFileDialog dialog(this, tr("Save plot as text file"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix("txt");
  dialog.setNameFilters({tr("Text files (*.txt)"), tr("All files (*.*)")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  QString error;
  if (!SaveToFile(path, &error))
    QMessageBox::critical(this, tr("Output Window"), tr("Cannot write %1:\n%2").arg(path, error));
}

void TOutputForm::btnCopyClick() {
  Memo->selectAll();
  Memo->copy();
}

void TOutputForm::btnPrintClick() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (!PrintTo(printer)) QMessageBox::critical(this, tr("Output Window"), tr("The print job could not be started."));
}

void TOutputForm::closeEvent(QCloseEvent* event) {
  // Closing only hides the window; text and line state stay.
  hide();
  event->accept();
}
