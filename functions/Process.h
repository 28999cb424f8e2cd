#pragma once
// execute(cmd;input): runs a program as a child process, feeds it an input
// text and returns everything it prints.
//
// The command line is split into words without any shell: blanks (space, tab,
// CR, LF) separate words; text between single quotes ' or double quotes " is
// taken literally, blanks included, and may be joined to unquoted text in the
// same word ('' or "" alone is an empty word); a quote left open runs to the
// end of the line. There are no escape characters. The first word names the
// program, which is looked up on PATH unless it contains a slash. Who wants a
// shell writes one: sh -c "ls | wc -l".
//
// The child's standard input is a pipe that receives the input text and then
// end-of-file; its standard output and standard error share one pipe, so
// their texts interleave as written. The result is what arrives on that pipe
// until every writer has closed it. Input and output are moved together, so a
// child that prints a lot before it has read all of its input cannot block.
// The child runs in a session of its own without a terminal; a Break kills it
// (with everything it started in its process group) and stops the run.

#include <string>
#include <string_view>
#include <vector>

#include "functions/Files.h"

namespace TernioParser {

class TExecute final : public TFileFunction {
public:
  int ArgumentCount() const override { return 2; }

protected:
  void Run(TCalcInfo& ci, TReturnValue& result) override;
};

// Splits a command line into its words as described above.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace TernioParser
