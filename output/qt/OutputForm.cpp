#include "output/qt/OutputForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <string_view>

#include "engine/qt/CodePage.h"
#include "engine/qt/DialogFolder.h"

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

namespace {

constexpr const char* LimitKey = "OutputWindow/MemoryLimit";

QString DefaultSpoolFolder() { return QStandardPaths::writableLocation(QStandardPaths::CacheLocation); }

QString Megabytes(uint64_t bytes) { return QString::number((bytes + (1 << 19)) >> 20); }

}  // namespace

TOutputForm::TOutputForm(QWidget* parent, const QString& spoolFolder)
    : QWidget(parent, Qt::Tool),
      Channel(
          this, [this](TBatch& b) { Apply(b); },
          [](const TBatch& b) { return b.Bytes.size() > MaxPendingBytes || b.Ops.size() > MaxPendingWrites; }),
      SinkObject(std::make_unique<TSink>(Channel)) {
  const QString folder = spoolFolder.isEmpty() ? DefaultSpoolFolder() : spoolFolder;
  TernioParser::TOutputStore::RemoveStaleSpoolFiles(folder.toStdString());
  const uint64_t limit =
      QSettings().value(LimitKey, qulonglong(TernioParser::TOutputStore::DefaultLimit)).toULongLong();
  Text = std::make_unique<TernioParser::TOutputStore>(folder.toStdString(), limit);
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

  Notice = new QLabel(this);
  Notice->setWordWrap(true);
  Notice->setTextFormat(Qt::RichText);
  Notice->setContentsMargins(4, 2, 4, 2);
  Notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Notice->hide();

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
  layout->addWidget(Notice);
  layout->addWidget(Memo, 1);

  Memo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Memo, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = CreateContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(Memo->viewport()->mapToGlobal(at));
  });
  // The view follows the newest line while the user leaves it at the end,
  // also when the text area lays out new text only later.
  QScrollBar* bar = Memo->verticalScrollBar();
  connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
    if (!Appending) FollowEnd = value == bar->maximum();
  });
  connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
    if (FollowEnd) bar->setValue(maximum);
  });
  ViewTimer.setSingleShot(true);
  connect(&ViewTimer, &QTimer::timeout, this, &TOutputForm::RefreshView);
  SinceRefresh.start();

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

void TOutputForm::Flush() {
  Channel.Drain();
  RefreshView();
}

// Applies one batch in order to the store, then brings the view up to it.
void TOutputForm::Apply(const TBatch& batch) {
  const std::string_view bytes = batch.Bytes;
  bool anyText = false;  // the batch holds text at all: the window shows itself
  size_t at = 0;
  for (const TOp& op : batch.Ops) {
    if (op.Kind == OpClear) {
      Text->Clear();
      continue;
    }
    Text->Write(bytes.substr(at, op.Length), op.Kind == OpPrintln);
    at += op.Length;
    anyText = true;
  }
  LineComplete = Text->LineComplete();
  ViewDirty = true;
  ScheduleRefresh();
  if (anyText && !isVisible()) show();
}

// A few new lines show at once; a flood of them at most every RefreshMs, so
// that the view costs the same however fast a program prints.
void TOutputForm::ScheduleRefresh() {
  const bool few = Text->Generation() == ShownGeneration && Text->LineCount() < ShownEnd + 64 &&
                   (!ShownOpen || Memo->document()->lastBlock().length() < 4096);
  if (few || SinceRefresh.elapsed() >= RefreshMs) {
    RefreshView();
  } else if (!ViewTimer.isActive()) {
    ViewTimer.start(static_cast<int>(RefreshMs - SinceRefresh.elapsed()));
  }
}

bool TOutputForm::ViewHasLines() const { return !(NoLines && Memo->document()->isEmpty()); }

void TOutputForm::RefreshView() {
  ViewTimer.stop();
  if (!ViewDirty) return;
  ViewDirty = false;
  QScrollBar* bar = Memo->verticalScrollBar();
  Appending = true;
  if (Text->Generation() != ShownGeneration) {
    Memo->clear();
    NoLines = true;
    Shown = ShownEnd = 0;
    ShownOpen = false;
    ShownGeneration = Text->Generation();
  }
  const uint64_t total = Text->LineCount();
  // The first line to write: the open line shown last may have grown.
  const uint64_t from = ShownOpen ? ShownEnd - 1 : ShownEnd;
  const uint64_t tail = Text->TailStart(DisplayLines, DisplayBytes);
  std::string chunk;
  auto collect = [&](std::string_view line) {
    chunk.append(line);
    chunk += '\n';
  };
  if (from < tail) {
    // More new text than the view holds: it shows the newest lines only.
    Text->ReadLines(tail, total - tail, collect);
    if (!chunk.empty()) chunk.pop_back();
    Memo->setPlainText(Ostra::FromCodePage(chunk));
    Shown = tail;
    NoLines = total == tail;
  } else if (from < total) {
    Text->ReadLines(from, total - from, collect);
    chunk.pop_back();
    QTextCursor c(Memo->document());
    c.movePosition(QTextCursor::End);
    if (ShownOpen) {
      c.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    } else if (ViewHasLines()) {
      chunk.insert(chunk.begin(), '\n');
    }
    c.insertText(Ostra::FromCodePage(chunk));
    NoLines = false;
  }
  ShownEnd = total;
  ShownOpen = Text->LastLineOpen();
  const int before = bar->value();
  const int trimmed = TrimView();
  Appending = false;
  bar->setValue(FollowEnd ? bar->maximum() : std::max(0, before - trimmed));
  UpdateNotice();
  // Counted from the end, so that the view takes at most about half of the
  // time however long a refresh takes.
  SinceRefresh.restart();
}

// Drops the oldest lines of the view beyond DisplayLines lines and
// DisplayBytes characters (the last line always stays); returns how many.
int TOutputForm::TrimView() {
  QTextDocument* doc = Memo->document();
  int blocks = doc->blockCount();
  int64_t chars = doc->characterCount();
  int drop = 0;
  uint64_t dropChars = 0;
  for (QTextBlock b = doc->begin(); b.isValid() && blocks - drop > 1; b = b.next()) {
    if (blocks - drop <= DisplayLines && static_cast<uint64_t>(chars) - dropChars <= DisplayBytes) break;
    ++drop;
    dropChars += static_cast<uint64_t>(b.length());
  }
  if (drop == 0) return 0;
  // Positions, not block moves: moving a cursor lays out every block passed.
  QTextCursor c(doc);
  c.setPosition(doc->findBlockByNumber(drop).position(), QTextCursor::KeepAnchor);
  c.removeSelectedText();
  Shown += static_cast<uint64_t>(drop);
  return drop;
}

void TOutputForm::UpdateNotice() {
  QStringList parts;
  if (Shown > 0) {
    QString where = tr("%1 MB in memory").arg(Megabytes(Text->MemoryBytes()));
    if (Text->SpoolBytes() > 0)
      where += tr(" and %1 MB in the spool file %2")
                   .arg(Megabytes(Text->SpoolBytes()), QString::fromStdString(Text->SpoolPath()));
    parts << tr("Showing the newest %1 of %2 lines; all the output is kept (%3). Save As Text writes all of it.")
                 .arg(Text->LineCount() - Shown)
                 .arg(Text->LineCount())
                 .arg(where)
                 .toHtmlEscaped();
  }
  if (!Text->Problem().empty()) {
    QString problem = QString::fromStdString(Text->Problem());
    if (Text->LostLines() > 0) problem += tr(" %1 of the oldest lines are lost.").arg(Text->LostLines());
    else problem += tr(" The output is kept in memory meanwhile.");
    parts << "<b>" + problem.toHtmlEscaped() + "</b>";
  }
  Notice->setVisible(!parts.isEmpty());
  if (!parts.isEmpty()) Notice->setText(parts.join("<br>"));
}

bool TOutputForm::Export(const std::function<bool(std::string_view)>& out) {
  RefreshView();
  if (!Text->Export(Shown, out)) return false;
  if (!ViewHasLines()) return true;
  std::string block;
  for (QTextBlock b = Memo->document()->begin(); b.isValid(); b = b.next()) {
    block += Ostra::ToCodePage(b.text());
    block += "\r\n";
    if (block.size() >= (1 << 16)) {
      if (!out(block)) return false;
      block.clear();
    }
  }
  return block.empty() || out(block);
}

QStringList TOutputForm::Lines() {
  RefreshView();
  QStringList lines;
  Text->ReadLines(0, Shown, [&](std::string_view line) { lines.append(Ostra::FromCodePage(std::string(line))); });
  if (!ViewHasLines()) return lines;
  const QTextDocument* doc = Memo->document();
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) lines.append(b.text());
  return lines;
}

std::string TOutputForm::ExportText() {
  std::string out;
  Export([&](std::string_view block) {
    out.append(block);
    return true;
  });
  return out;
}

bool TOutputForm::SaveToFile(const QString& path, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  const bool written = Export([&](std::string_view block) {
    return file.write(block.data(), static_cast<qint64>(block.size())) == static_cast<qint64>(block.size());
  });
  if (!written || !file.commit()) {
    if (error)
      *error = file.error() == QFileDevice::NoError ? tr("The output could not be read back.") : file.errorString();
    file.cancelWriting();
    return false;
  }
  return true;
}

void TOutputForm::SetLimit(uint64_t bytes) {
  Text->SetLimit(bytes);
  QSettings().setValue(LimitKey, qulonglong(Text->Limit()));
  UpdateNotice();
}

QMenu* TOutputForm::CreateContextMenu() {
  QMenu* menu = Memo->createStandardContextMenu();
  menu->addSeparator();
  QMenu* limits = menu->addMenu(tr("Memory Limit"));
  for (int mb : LimitChoicesMB) {
    const uint64_t bytes = uint64_t(mb) << 20;
    QAction* a = limits->addAction(mb >= 1024 ? QString("%1 GB").arg(mb / 1024) : QString("%1 MB").arg(mb));
    a->setCheckable(true);
    a->setChecked(Text->Limit() == bytes);
    connect(a, &QAction::triggered, this, [this, bytes] { SetLimit(bytes); });
  }
  return menu;
}

bool TOutputForm::PrintTo(QPrinter& printer) {
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
  Text->Clear();
  ViewDirty = true;
  RefreshView();
}

void TOutputForm::btnSaveClick() {
  QFileDialog dialog(this, tr("Save plot as text file"), Ostra::DialogFolder(QString()));
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
