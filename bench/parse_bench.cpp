// Parse time of a 5 000-line program (95 000 tokens), colouring records
// included, the way the editor parses after a keystroke, and the binding of
// its variables that a run adds. Prints the best and the median of repeats.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <string>
#include <vector>

#include "engine/Parser.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

int main(int argc, char** argv) {
  // An argument sets the number of repeats (1 for a profile).
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  std::string text;
  for (int i = 0; i < 5000; ++i) {
    const std::string n = std::to_string(i);
    text += "v" + n + "[" + n + "] = sin" + n + " + '" + n + "' * (2 - 3),\n";
  }
  text += "0";
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  std::list<TCodePosInfo> tokens;
  std::vector<double> parse, bind;
  using TClock = std::chrono::steady_clock;
  auto since = [](TClock::time_point t0) {
    return std::chrono::duration<double, std::milli>(TClock::now() - t0).count();
  };
  for (int k = 0; k < repeats; ++k) {
    auto t0 = TClock::now();
    engine.SetText(text);
    if (!engine.Parse(&tokens)) {
      std::fprintf(stderr, "parse failed: %s\n", engine.Message.c_str());
      return 1;
    }
    parse.push_back(since(t0));
    t0 = TClock::now();
    engine.Prepare();
    bind.push_back(since(t0));
  }
  std::sort(parse.begin(), parse.end());
  std::sort(bind.begin(), bind.end());
  std::printf(
      "parse of a 5 000-line program (%zu tokens, with the colouring records): best %.2f ms, median %.2f ms\n"
      "binding its 10 000 variables before a run: best %.2f ms, median %.2f ms\n",
      tokens.size(),
      parse.front(),
      parse[parse.size() / 2],
      bind.front(),
      bind[bind.size() / 2]);
  return 0;
}
