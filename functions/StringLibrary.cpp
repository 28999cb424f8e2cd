// The string functions and regular expressions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "functions/Strings.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"xorstr",
     MakeFunction<TXorStr>,
     {"s",
      "Combines the codes of all characters of the string <s> with a bitwise exclusive or and returns "
      "the result as a signed 8-bit number (-128 to 127), as many instrument protocols use it for "
      "a checksum. An empty string gives 0.",
      "xorstr('AB')",
      "This returns 3 (65 xor 66).",
      nullptr}},
    {"str",
     MakeFunction<TStr>,
     {"a;minlen;digits",
      "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
      "and the maximum number of digits is given by <digits>. If the resulting number has less characters "
      "than <minlen> an appropriate number of spaces is inserted at the beginning. If <a> has more "
      "digits than specified by <digits> it is converted into an exponential format.",
      "str(10000.6;6;4)",
      "This returns ' 1e+04' (1e+04 right-aligned in six characters).",
      "strzero(a;minlen;decimals)"}},
    {"strzero",
     MakeFunction<TStrZero>,
     {"a;minlen;decimals",
      "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
      "and the number of decimals is given by <digits>. If the resulting number has less characters "
      "than <minlen> an appropriate number of zeroes is inserted at the beginning.",
      "strzero(10.6;8;4)",
      "This returns '010.6000'.",
      "str(a;minlen;digits),strblank(a;minlen;decimals)"}},
    {"strblank",
     MakeFunction<TStrBlank>,
     {"a;minlen;decimals",
      "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
      "and the number of decimals is given by <digits>. If the resulting number has less characters "
      "than <minlen> an appropriate number of blanks is inserted at the beginning.",
      "strblank(10.6;8;4)",
      "This returns ' 10.6000'.",
      "str(a;minlen;digits),strzero(a;minlen;decimals)"}},
    {"substr",
     MakeFunction<TSubStr>,
     {"s;idx;len",
      "Returns the part of the string <s> that begins at position <idx> (the first character has "
      "position 0) and is <len> characters long. The part ends early at the end of <s>; a negative "
      "<len> takes the rest of <s>.",
      "substr('Ostra Calculator';6;4)",
      "This returns 'Calc'.",
      nullptr}},
    {"concat",
     MakeFunction<TConcat>,
     {"s1;s2",
      "Returns the string <s1> followed by the string <s2>. Numbers are converted into text first, "
      "so concat(1;2) is the string '12'.",
      "concat('Sample ';12)",
      "This returns 'Sample 12'.",
      nullptr}},
    {"findstr",
     MakeFunction<TFindStr>,
     {"s;subs",
      "Returns the position of the first occurrence of the string <subs> in the string <s>, counted "
      "from 0, or -1 if <subs> does not occur in <s>. An empty <subs> is found at position 0.",
      "findstr('temperature: 21.5';':')",
      "This returns 11.",
      nullptr}},
    {"asc",
     MakeFunction<TAsc>,
     {"s",
      "Returns the character code (0 to 255) of the first character of the string <s>, or 0 if <s> "
      "is empty. A number is converted into its text first, so asc(65) is the code of the character "
      "6.",
      "asc('A')",
      "This returns 65.",
      "chr(a)"}},
    {"chr",
     MakeFunction<TChr>,
     {nullptr,
      "Returns a string of one character whose code is the whole number <a>; only the lowest 8 bits "
      "count (chr(321) is 'A'). chr(0) gives a string holding the zero byte.",
      "'Line 1'+chr(13)+chr(10)+'Line 2'",
      "This returns a text of two lines, separated by a carriage return and a line feed.",
      "asc(s)"}},
    {"strcmp",
     MakeFunction<TStrCmp>,
     {"s1;s2",
      "Compares the strings <s1> and <s2> character by character, upper and lower case being different. "
      "Returns 0 if both are equal, a negative number if <s1> sorts before <s2> and a positive number "
      "if it sorts after <s2>. At the first differing character the result is the difference of "
      "the two character codes; if one string is the beginning of the other, the shorter one sorts "
      "first (-1 or 1).",
      "strcmp('alpha';'egon')",
      "This returns -4, the difference between the codes of a and e.",
      "stricmp(s1;s2)"}},
    {"stricmp",
     MakeFunction<TStrICmp>,
     {"s1;s2",
      "Compares the strings <s1> and <s2> like strcmp(), but without regard to upper and lower case. "
      "Returns 0 if both are equal apart from case.",
      "stricmp('Alpha';'ALPHA')",
      "This returns 0.",
      "strcmp(s1;s2)"}},
    {"match",
     MakeFunction<TMatch>,
     {"s;pat",
      "This returns the part of the string <s> that matches the pattern <pat>. If the pattern is "
      "not found an empty string is returned. <pat> is a so-called regular expression. This function "
      "supports the following meta-characters:\n"
      "^:  matches the beginning of the string\n"
      "$:  matches the end of the string\n"
      ".:  matches any character\n"
      "[]: character class, e.g. [0-9]\n"
      "*:  matches previous character 0 or more times\n"
      "+:  matches previous character 1 or more times\n"
      "?:  matches previous character 0 or one time\n"
      "\n"
      "The following escape sequences are supported:\n"
      "\\b:   matches a backspace\n"
      "\\f:   matches a form feed\n"
      "\\n:   matches a newline\n"
      "\\r:   matches a carriage return\n"
      "\\s:   matches a space\n"
      "\\t:   matches a tab\n"
      "\\e:   matches the ASCII escape character\n"
      "\\DDD  matches a character given by its 1-3 ocal ASCII code\n"
      "\\xDDD matches a character given by its 1-3 hex digits\n"
      "All other characters are directly matched to the string.",
      "match('The length is 120 km and more';'[0-9]+\\s*km')",
      "This returns '120 km'.",
      nullptr}},
};

}  // namespace

TLibrary StringLibrary() { return Rows; }

}  // namespace TernioParser
