#pragma once
// The output window: shows the text that running programs write with print,
// println and cleartext, and lets the user clear, save, copy and print it.
//
// Hand-off from the calculation thread: Sink() returns the TOutputSink the
// calculation thread writes to. Its texts go through a batch channel, so the
// text area is updated once per batch instead of once per line. The
// calculation thread waits only
//  - when the batch holds more than MaxPendingBytes or MaxPendingWrites, until
//    the window has taken it over (the text never falls far behind), and
//  - in Clear, until the window has emptied the text area.
// The user-interface thread must therefore keep processing events during a
// run. Calls of the sink on the user-interface thread itself (tests, tools)
// are applied immediately. The sink lives as long as the window; a writer
// still waiting when the window is destroyed is released.

#include <QWidget>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "engine/Host.h"
#include "engine/qt/WindowChannel.h"

class QPlainTextEdit;
class QPushButton;
class QPrinter;

class TOutputForm : public QWidget {
  Q_OBJECT
public:
  // Pending text beyond which a writing program waits for the window.
  static constexpr size_t MaxPendingBytes = 256 << 10;
  static constexpr size_t MaxPendingWrites = 4000;

  // Created hidden; parent is the main window (the output window then stays
  // on top of it), or null.
  explicit TOutputForm(QWidget* parent = nullptr);
  ~TOutputForm() override;

  QWidget* Panel1;
  QPushButton* btnClear;
  QPushButton* btnSave;
  QPushButton* btnCopy;
  QPushButton* btnPrint;
  QPlainTextEdit* Memo;
  // True when the last line of Memo is finished: the next text starts a new
  // line. False while the last line is open.
  bool LineComplete = true;

  // Where print, println and cleartext of the calculation thread write to.
  TernioParser::TOutputSink* Sink();

  // Applies pending text of the calculation thread now (user-interface thread).
  void Flush();

  // The lines of Memo, and their export form: each line ended by CR LF, in the
  // 8-bit code page (characters it cannot hold become '?').
  QStringList Lines() const;
  std::string ExportText() const;
  // Writes ExportText to path, replacing the file. On failure returns false
  // with a readable reason in error (if given).
  bool SaveToFile(const QString& path, QString* error = nullptr) const;
  // Prints every line of Memo as one job titled "Calculator output", one line
  // per row below a top margin of five rows and right of a margin of seven
  // "X", continuing on new pages. False when the job could not be started.
  bool PrintTo(QPrinter& printer) const;

  // Button handlers.
  void btnClearClick();
  void btnSaveClick();
  void btnCopyClick();
  void btnPrintClick();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  // One print, println or cleartext of the calculation thread; the texts of a
  // batch follow each other in one byte buffer.
  enum TOpKind { OpPrint, OpPrintln, OpClear };
  struct TOp {
    TOpKind Kind;
    size_t Length;
  };
  struct TBatch {
    std::string Bytes;
    std::vector<TOp> Ops;
    bool empty() const { return Ops.empty(); }
    void clear() {
      Bytes.clear();
      Ops.clear();
    }
  };
  class TSink;
  Ostra::TBatchChannel<TBatch> Channel;
  std::unique_ptr<TSink> SinkObject;
  // True while the text area holds no line at all (not even an empty one).
  bool NoLines = true;
  bool Appending = false;

  void Apply(const TBatch& batch);
};
