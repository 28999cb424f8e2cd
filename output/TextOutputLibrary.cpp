// The text output functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "output/TextOutput.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"print",
     MakeFunction<TPrint>,
     {"s",
      "Writes <s> to the output window. The next output continues on the same line. A number is "
      "written with up to 15 significant digits. Returns 1.",
      "print('x = '),\n"
      "print(2/3)\n",
      "This writes the line 'x = 0.666666666666667' to the output window.",
      "println(s),clear()"}},
    {"println",
     MakeFunction<TPrintln>,
     {"s",
      "Writes <s> to the output window and ends the line, so that the next output starts on a new "
      "line. Returns 1.",
      "for(i=1;i<=3;i+=1;\n"
      " println('line '+string(i))\n"
      ")\n",
      "This writes three lines to the output window.",
      "print(s),clear()"}},
    {"cleartext",
     MakeFunction<TClearText>,
     {"",
      "Clears the output window. The function returns 1.",
      "print('this disappears'),\n"
      "cleartext()\n",
      "This prints a text and clears the output window again.",
      "println(),print()"}},
};

}  // namespace

TLibrary TextOutputLibrary() { return Rows; }

}  // namespace TernioParser
