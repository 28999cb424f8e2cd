// ostra_soak: the desktop application's windows running one macro for a set
// time, sampled every few seconds; the driver of `make soak`
// (scripts/soak.py starts it with the simulated instruments and judges the
// samples).
//
//   ostra_soak --macro FILE [--minutes M] [--sample SECONDS] [--limit-mb MB]
//
// Every sample is one line of JSON on stdout: seconds since the start,
// resident memory, open descriptors and threads of the process, the output
// window's store (memory, spool file, lines), and the keystrokes probed since
// the last sample: a key event is posted to the editor every 200 ms and
// timed until the editor paints. At the end the run is broken and a last line
// tells how it ended. Exit status 0 when the macro ran the whole time.

#include <dirent.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <cfenv>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "output/qt/ClipbForm.h"
#include "output/qt/GraphicForm.h"
#include "output/qt/OutputForm.h"
#include "workbench/qt/EditPanel.h"
#include "workbench/qt/MainForm.h"

namespace {

uint64_t ResidentBytes() {
  std::ifstream f("/proc/self/statm");
  uint64_t pages = 0, resident = 0;
  f >> pages >> resident;
  return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
    --n;  // the one of this listing
  }
  return n;
}

int Threads() {
  std::ifstream f("/proc/self/status");
  std::string key;
  while (f >> key) {
    if (key == "Threads:") {
      int n = 0;
      f >> n;
      return n;
    }
  }
  return 0;
}

// Posts a key to the editor and times it until the editor has painted.
class TKeyProbe : public QObject {
public:
  explicit TKeyProbe(QPlainTextEdit* editor) : Editor(editor) {
    Editor->installEventFilter(this);
    Editor->viewport()->installEventFilter(this);
    Clock.start();
  }
  void Post() {
    if (Pending) return;  // the last one is still on its way
    Pending = true;
    PostedAt = Clock.nsecsElapsed();
    QCoreApplication::postEvent(Editor, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
    QCoreApplication::postEvent(Editor, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier));
  }
  // The times measured since the last call, in ms.
  std::vector<double> Take() { return std::exchange(Times, {}); }

protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == Editor && e->type() == QEvent::KeyPress && Pending) {
      // The editor of a running program is read-only: the key moves nothing,
      // so the repaint a typed character brings is asked for here.
      Editor->viewport()->update();
      KeySeen = true;
    } else if (o == Editor->viewport() && e->type() == QEvent::Paint && KeySeen) {
      Times.push_back((Clock.nsecsElapsed() - PostedAt) / 1e6);
      Pending = KeySeen = false;
    }
    return false;
  }

private:
  QPlainTextEdit* Editor;
  QElapsedTimer Clock;
  qint64 PostedAt = 0;
  bool Pending = false, KeySeen = false;
  std::vector<double> Times;
};

}  // namespace

int main(int argc, char** argv) {
  fedisableexcept(FE_ALL_EXCEPT);
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Ostra");
  QApplication::setApplicationName("ostracalc");
  QString macro;
  double minutes = 10, sampleSeconds = 5, limitMB = 16;
  const QStringList args = app.arguments();
  for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--macro") macro = args[i + 1];
    else if (args[i] == "--minutes") minutes = args[i + 1].toDouble();
    else if (args[i] == "--sample") sampleSeconds = args[i + 1].toDouble();
    else if (args[i] == "--limit-mb") limitMB = args[i + 1].toDouble();
  }
  if (macro.isEmpty()) {
    std::fprintf(stderr, "usage: ostra_soak --macro FILE [--minutes M] [--sample SECONDS] [--limit-mb MB]\n");
    return 4;
  }

  // The windows as the application makes them.
  auto* form = new TMainForm;
  form->Ask = [](QMessageBox::Icon, const QString&, const QString& text, QMessageBox::StandardButtons) {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return QMessageBox::Cancel;
  };
  auto* plots = new TGraphicForm(form);
  form->SetPlotHost(plots->Host());
  plots->ClipbForm = new TClipbForm(form);
  auto* output = new TOutputForm(form);
  form->SetOutputSink(output->Sink());
  output->SetLimit(static_cast<uint64_t>(limitMB * (1 << 20)));
  form->show();
  if (!form->OpenDocument(macro)) {
    std::fprintf(stderr, "cannot open %s\n", qPrintable(macro));
    return 3;
  }
  form->PageControl->setCurrentIndex(1);
  QCoreApplication::processEvents();
  form->ActionStart->trigger();
  if (!form->Running()) {
    std::fprintf(stderr, "the macro did not start: %s\n", qPrintable(form->StatusPanel1->text()));
    return 3;
  }

  TKeyProbe probe(form->Panel(1)->MemoEdit);
  QElapsedTimer clock;
  clock.start();
  QTimer keys;
  QObject::connect(&keys, &QTimer::timeout, [&] { probe.Post(); });
  keys.start(200);

  bool ranThrough = true;
  auto sample = [&](bool last) {
    std::vector<double> t = probe.Take();
    std::sort(t.begin(), t.end());
    const double maxMs = t.empty() ? 0 : t.back();
    const double medianMs = t.empty() ? 0 : t[t.size() / 2];
    const TernioParser::TOutputStore& s = output->Store();
    std::printf(
        "{\"t\": %.1f, \"rss\": %llu, \"fds\": %d, \"threads\": %d, \"store\": %llu, \"spool\": %llu, "
        "\"lines\": %llu, \"keys\": %zu, \"key_median_ms\": %.2f, \"key_max_ms\": %.2f, \"running\": %s%s}\n",
        clock.elapsed() / 1000.0,
        static_cast<unsigned long long>(ResidentBytes()),
        OpenDescriptors(),
        Threads(),
        static_cast<unsigned long long>(s.MemoryBytes()),
        static_cast<unsigned long long>(s.SpoolBytes()),
        static_cast<unsigned long long>(s.LineCount()),
        t.size(),
        medianMs,
        maxMs,
        form->Running() ? "true" : "false",
        last ? ", \"end\": true" : "");
    std::fflush(stdout);
  };
  QTimer samples;
  QObject::connect(&samples, &QTimer::timeout, [&] {
    sample(false);
    if (!form->Running()) {
      ranThrough = false;
      std::fprintf(stderr, "the macro ended early: %s\n", qPrintable(form->StatusPanel1->text()));
      QApplication::exit(1);
    }
  });
  samples.start(static_cast<int>(sampleSeconds * 1000));
  QTimer::singleShot(static_cast<int>(minutes * 60000), [&] {
    samples.stop();
    keys.stop();
    sample(true);
    form->ActionBreakExecute();
    QElapsedTimer wait;
    wait.start();
    while (form->Running() && wait.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    std::fprintf(
        stderr, "broken after %.1f s: %s\n", clock.elapsed() / 1000.0, qPrintable(form->StatusPanel1->text()));
    QApplication::exit(form->Running() ? 2 : 0);
  });
  const int rc = app.exec();
  const std::string spool = output->Store().SpoolPath();
  delete form;
  if (!spool.empty() && access(spool.c_str(), F_OK) == 0) {
    std::fprintf(stderr, "the spool file %s is still there\n", spool.c_str());
    return 5;
  }
  return ranThrough ? rc : 1;
}
