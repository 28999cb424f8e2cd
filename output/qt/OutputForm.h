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
//
// The text itself lives in a TOutputStore: compact bytes in bounded memory,
// the oldest part spooled to a file in the user's cache folder (removed on
// Clear and at exit). Memo is a view of the newest lines only (at most
// DisplayLines lines and DisplayBytes characters); a notice above it tells
// when earlier lines are not shown and where they are. Lines, Save As Text
// and Print take the earlier lines from the store and the rest from Memo, so
// that what the user edited in the view counts too. The limit is set in
// Memo's context menu and remembered.

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Host.h"
#include "engine/qt/WindowChannel.h"
#include "output/OutputStore.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QPrinter;

class TOutputForm : public QWidget {
  Q_OBJECT
public:
  // Pending text beyond which a writing program waits for the window.
  static constexpr size_t MaxPendingBytes = 256 << 10;
  static constexpr size_t MaxPendingWrites = 4000;
  // The most the view holds; the store keeps everything.
  static constexpr int DisplayLines = 10000;
  static constexpr uint64_t DisplayBytes = 2 << 20;
  // While text pours in, the view follows at most this often.
  static constexpr int RefreshMs = 40;
  // The choices of the context menu for the memory limit, in MB.
  static constexpr int LimitChoicesMB[] = {16, 64, 256, 1024, 4096};

  // Created hidden; parent is the main window (the output window then stays
  // on top of it), or null. The spool file goes to spoolFolder, by default
  // the user's cache folder.
  explicit TOutputForm(QWidget* parent = nullptr, const QString& spoolFolder = QString());
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

  // Applies pending text of the calculation thread now, view included
  // (user-interface thread).
  void Flush();

  // Every line of the window (the store's lines before the view, then the
  // view's), and their export form: each line ended by CR LF, in the 8-bit
  // code page (characters it cannot hold become '?').
  QStringList Lines();
  std::string ExportText();
  // Writes the export form to path, replacing the file; streamed, so any
  // amount of text can be saved. On failure returns false with a readable
  // reason in error (if given).
  bool SaveToFile(const QString& path, QString* error = nullptr);
  // Prints every line as one job titled "Calculator output", one line per
  // row below a top margin of five rows and right of a margin of seven "X",
  // continuing on new pages. False when the job could not be started.
  bool PrintTo(QPrinter& printer);

  // The store of the text, and the memory limit (remembered for the next
  // start).
  const TernioParser::TOutputStore& Store() const { return *Text; }
  void SetLimit(uint64_t bytes);
  // The first line of the store that the view shows, and the notice above it.
  uint64_t FirstShownLine() const { return Shown; }
  QLabel* Notice;
  // Memo's context menu: the standard entries and the memory limit.
  QMenu* CreateContextMenu();

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
  std::unique_ptr<TernioParser::TOutputStore> Text;
  // The view shows the store's lines Shown .. ShownEnd-1 of generation
  // ShownGeneration; ShownOpen when the last of them was still open.
  uint64_t Shown = 0, ShownEnd = 0, ShownGeneration = 0;
  bool ShownOpen = false;
  bool ViewDirty = false;
  bool FollowEnd = true;
  QTimer ViewTimer;
  QElapsedTimer SinceRefresh;
  // True while the text area holds no line at all (not even an empty one).
  bool NoLines = true;
  bool Appending = false;

  void Apply(const TBatch& batch);
  // Brings the view up to the store now, or soon when text pours in.
  void ScheduleRefresh();
  void RefreshView();
  int TrimView();
  void UpdateNotice();
  bool ViewHasLines() const;
  // Streams the export form to out; false when out refused.
  bool Export(const std::function<bool(std::string_view)>& out);
};
