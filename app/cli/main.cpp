// ostracalc-cli: runs calculator programs without any window, on the same
// calculation thread and run protocol as the desktop application.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <optional>
#include <string>

#include "engine/RunController.h"
#include "instruments/Instruments.h"
#include "panels/PanelHost.h"
#include "output/PlotExport.h"
#include "output/PlotHost.h"
#include "workbench/Libraries.h"
#include "workbench/MacroFile.h"
#include "PlotPictures.h"

using namespace TernioParser;

namespace {

enum ExitCode { ExitOk = 0, ExitRunError = 1, ExitSyntax = 2, ExitUnreadable = 3, ExitUsage = 4, ExitPlots = 5 };

const char* const Usage =
    "Usage: ostracalc-cli [OPTIONS] FILE\n"
    "       ostracalc-cli [OPTIONS] -e PROGRAM\n"
    "\n"
    "Runs a program of the Ostra Calculator without any window.\n"
    "\n"
    "  FILE                 a macro document (.sma, multi-panel or single-panel form)\n"
    "                       or any plain program text\n"
    "  -e PROGRAM           run PROGRAM as the calculator panel, with an empty Global panel\n"
    "  --panel NAME|N       which calculator panel of FILE to run: its tab name, or its page\n"
    "                       index with the Global panel as page 0 (default: page 1)\n"
    "  --radix dec|hex|bin  how the result is shown (default dec)\n"
    "  --plots DIR          when the run ends, write the plot window's tabs into DIR\n"
    "                       (created if missing): plots.json describing every tab, and\n"
    "                       for each tab with a plot tabN.txt (its curves as \"Save As\n"
    "                       Text\" writes them), tabN.svg and tabN.png (800 x 600 pixels);\n"
    "                       N counts the tabs from 0. Old tabN files are removed first\n"
    "  -h, --help           show this text\n"
    "\n"
    "The Global panel's program runs first, then the chosen panel's program.\n"
    "\n"
    "Panels: loadgui reads .gui files into panels without windows; setproperty and\n"
    "getproperty work on them, haschanged answers 0 and waitguievent waits for its\n"
    "time-out (0: until Ctrl+C).\n"
    "\n"
    "Output: the text of print and println on stdout, lines ended by a line feed,\n"
    "then the result on a line of its own. cleartext erases nothing; the next text\n"
    "starts on a new line.\n"
    "\n"
    "Exit status:\n"
    "  0  the program ran; its result is the last line of stdout\n"
    "  1  run-time error: 'Error: MESSAGE' on stderr (Ctrl+C breaks the run: 'Error: Stopped';\n"
    "     a second Ctrl+C kills the process)\n"
    "  2  syntax error: 'SOURCE:LINE:COLUMN: MESSAGE' on stderr\n"
    "  3  the file cannot be read\n"
    "  4  wrong usage\n"
    "  5  the plots cannot be written (--plots): a message on stderr\n";

// print, println and cleartext write to stdout, keeping track of whether the
// last line is still open. Each text goes out at once, so that a pipe or a
// log file follows the run and a killed run loses nothing it printed.
class TStdoutSink final : public TOutputSink {
public:
  bool LineOpen = false;
  bool ClearedSinceOpen = false;
  void Write(const std::string& text, bool newline) override {
    if (ClearedSinceOpen) {
      std::fputc('\n', stdout);
      ClearedSinceOpen = false;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (newline) std::fputc('\n', stdout);
    std::fflush(stdout);
    LineOpen = !newline;
  }
  void Clear() override {
    // A terminal cannot take text back; the text after a clear starts on a
    // line of its own, as it would in the emptied output window.
    if (LineOpen) ClearedSinceOpen = true;
    LineOpen = false;
  }
  void EndLine() {
    if (LineOpen || ClearedSinceOpen) std::fputc('\n', stdout);
    LineOpen = ClearedSinceOpen = false;
  }
};

volatile sig_atomic_t Interrupts = 0;

void OnInterrupt(int) {
  Interrupts = Interrupts + 1;
  if (Interrupts >= 2) {
    signal(SIGINT, SIG_DFL);
    raise(SIGINT);
  }
}

// The place in the file of a parse error in one of its panels.
TTextPlace FilePlace(const std::string& file, size_t panelOffset, const TParseResult& error) {
  const TTextPlace panel = PlaceOf(file, panelOffset);
  if (error.Line > 1) return {panel.Line + error.Line - 1, error.Column};
  return {panel.Line, panel.Column + error.Column - 1};
}

bool ParseRadix(const std::string& s, TRadix& r) {
  if (s == "dec") r = TRadix::Decimal;
  else if (s == "hex") r = TRadix::Hexadecimal;
  else if (s == "bin") r = TRadix::Binary;
  else return false;
  return true;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  return !f.fail();
}

// A file the runner writes for a tab: tabN.txt, tabN.svg or tabN.png.
bool IsTabFile(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (name.rfind("tab", 0) != 0 || dot == std::string::npos || dot == 3) return false;
  if (name.find_first_not_of("0123456789", 3) != dot) return false;
  const std::string ext = name.substr(dot);
  return ext == ".txt" || ext == ".svg" || ext == ".png";
}

// Writes the plot model into dir, with the pictures when there is a picture
// writer; the problem, or empty when all went well.
std::string WritePlots(const TPlotModel& model, const std::filesystem::path& dir,
                       Ostra::TPlotPicturesWriter pictures) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir, ec)) return ec ? ec.message() : "not a folder";
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.is_regular_file() && IsTabFile(entry.path().filename().string()))
      std::filesystem::remove(entry.path(), ec);
  if (!WriteFile(dir / "plots.json", PlotsAsJson(model))) return "plots.json: " + std::string(std::strerror(errno));
  for (size_t k = 0; k < model.Tabs.size(); ++k) {
    const TPlotPanel* panel = model.Panel(k);
    if (!panel) continue;
    const std::string base = "tab" + std::to_string(k);
    if (panel->HasCurves() && !WriteFile(dir / (base + ".txt"), CurvesAsText(*panel))) return base + ".txt";
    if (!pictures) continue;
    std::string problem;
    pictures(*panel, 800, 600, (dir / (base + ".svg")).c_str(), (dir / (base + ".png")).c_str(), problem);
    if (!problem.empty()) return problem;
  }
  return "";
}

int UsageError(const std::string& message) {
  std::cerr << "ostracalc-cli: " << message << "\n\n" << Usage;
  return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::string fileName, program, panelWanted, plotsDir;
  bool havePlots = false;
  bool haveProgram = false;
  TRadix radix = TRadix::Decimal;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::cout << Usage;
      return ExitOk;
    } else if (a == "-e" || a == "--panel" || a == "--radix" || a == "--plots") {
      if (i + 1 >= argc) return UsageError(a + " needs a value");
      std::string v = argv[++i];
      if (a == "-e") program = v, haveProgram = true;
      else if (a == "--panel") panelWanted = v;
      else if (a == "--plots") plotsDir = v, havePlots = true;
      else if (!ParseRadix(v, radix)) return UsageError("unknown radix '" + v + "'");
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option '" + a + "'");
    } else if (!fileName.empty()) {
      return UsageError("only one file can be run");
    } else {
      fileName = a;
    }
  }
  if (haveProgram == !fileName.empty()) return UsageError("give either FILE or -e PROGRAM");

  // The document: the file's panels, or an empty Global panel and PROGRAM.
  std::string source, fileText;
  Ostra::TMacroDocument doc;
  if (haveProgram) {
    source = "-e";
    fileText = program;
    doc.Panels = {Ostra::TMacroPanel{"Global", "", 0}, Ostra::TMacroPanel{"Calculator 1", program, 0}};
  } else {
    source = fileName;
    std::error_code ec;
    if (std::filesystem::is_directory(fileName, ec)) {
      std::cerr << "ostracalc-cli: cannot read " << fileName << ": Is a directory\n";
      return ExitUnreadable;
    }
    std::ifstream in(fileName, std::ios::binary);
    if (!in.is_open()) {
      std::cerr << "ostracalc-cli: cannot read " << fileName << ": " << std::strerror(errno) << "\n";
      return ExitUnreadable;
    }
    fileText.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
      std::cerr << "ostracalc-cli: cannot read " << fileName << "\n";
      return ExitUnreadable;
    }
    doc = Ostra::ReadMacroText(fileText);
    if (!doc.Complete) {
      std::cerr << "ostracalc-cli: cannot read " << fileName << ": a panel marker is not closed\n";
      return ExitUnreadable;
    }
  }

  size_t page = 1;
  if (!panelWanted.empty()) {
    bool digits = panelWanted.find_first_not_of("0123456789") == std::string::npos;
    size_t found = doc.Panels.size();
    if (digits && panelWanted.size() < 9 && std::stoul(panelWanted) < doc.Panels.size())
      found = std::stoul(panelWanted);
    for (size_t k = 0; found == doc.Panels.size() && k < doc.Panels.size(); ++k)
      if (doc.Panels[k].Name == panelWanted) found = k;
    if (found == doc.Panels.size()) return UsageError("no panel '" + panelWanted + "' in " + source);
    if (found == 0) return UsageError("the Global panel runs before every panel; choose a calculator panel");
    page = found;
  }

  // The instrument layer from its first GPIB call (silently without a
  // driver) until exit, after the calculation thread has ended.
  TInstrumentSession instruments;
  TRunController run(StandardLayers());
  for (int k = 0; k < 2; ++k) {
    const Ostra::TMacroPanel& panel = doc.Panels[k == 0 ? 0 : page];
    const TParseResult parsed = run.Parse(k, panel.Text);
    if (!parsed.Ok) {
      const TTextPlace at = FilePlace(fileText, panel.Offset, parsed);
      std::cerr << source << ":" << at.Line << ":" << at.Column << ": " << parsed.Message << "\n";
      return ExitSyntax;
    }
  }

  if (havePlots && plotsDir.empty()) return UsageError("--plots needs a folder");
  // The picture writer, loaded before the run, so that a broken installation
  // costs no run.
  Ostra::TPlotPicturesWriter pictures = nullptr;
#ifdef OSTRA_PLOT_PICTURES
  std::string picturesProblem;
  if (havePlots && !(pictures = Ostra::LoadPlotPictures(picturesProblem))) {
    std::cerr << "ostracalc-cli: cannot write the plots to " << plotsDir << ": " << picturesProblem << "\n";
    return ExitPlots;
  }
#endif

  TStdoutSink sink;
  // Panels without windows; loadgui looks for files next to the document too
  // (for -e there is none: names are taken from the current folder).
  std::error_code pathError;
  THeadlessPanelHost panelHost(haveProgram ? "" : std::filesystem::absolute(fileName, pathError).string());
  // The plot requests go into a model of the runner's own, so the counting
  // functions answer as in the desktop application.
  TModelPlotHost plots;
  int status = ExitOk;
  {
    run.Host().Output = &sink;
    run.Host().Panels = &panelHost;
    run.Host().Plot = &plots;

    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);

    if (!run.Resume() || !run.Start()) {
      std::cerr << "ostracalc-cli: cannot start the calculation thread\n";
      return ExitRunError;
    }
    std::optional<TRunOutcome> outcome;
    bool broken = false;
    while (!(outcome = run.WaitFor(std::chrono::milliseconds(20)))) {
      if (Interrupts > 0 && !broken) {
        broken = true;
        run.Break();
      }
    }

    sink.EndLine();
    if (outcome->Error()) {
      std::fflush(stdout);
      std::cerr << "Error: " << outcome->Message << "\n";
      status = ExitRunError;
    } else {
      std::string text = FormatResult(outcome->Result(), radix);
      std::fwrite(text.data(), 1, text.size(), stdout);
      std::fputc('\n', stdout);
    }
  }
  std::fflush(stdout);
  if (havePlots) {
    std::string problem = WritePlots(plots.Model, plotsDir, pictures);
    if (!problem.empty()) {
      std::cerr << "ostracalc-cli: cannot write the plots to " << plotsDir << ": " << problem << "\n";
      if (status == ExitOk) status = ExitPlots;
    }
  }
  return status;
}
