// The help texts of the built-in functions, one entry per registered name.
// Texts are shown exactly as they stand; \n is a line break.

#include <cstring>
#include <map>
#include <string_view>

#include "engine/Function.h"

namespace TernioParser {

namespace {

const THelpEntry Catalogue[] = {
    // ---- control flow and definitions
    {"define", "func;expr",
     "This defines a user-defined function <func> with the expression <expr>. The variables appearing as "
     "parameters in <func> are also valid in <expr> and their values are replaced by the actual parameter values "
     "when the function is called. \n The function can be used in all expressions following the definition. The "
     "return value of this function is always 1.",
     "define(square(x);x*x),\nsquare(7)\n", "This defines the function square and returns 49.", nullptr},
    {"defined", "var", "Returns -1 if the variable <var> is defined and 0 elsewhere.",
     "x=5,\nif(defined(x);x;0)\n", "This returns 5, because x has a value.", nullptr},
    {"for", "init;cond;incr;expr",
     "Evaluates <init> once, then repeats: as long as <cond> is not zero, <expr> is evaluated, followed by "
     "<incr>. The result is the value of the last evaluation of <expr>.",
     "s=0,\nfor(i=1;i<=100;i+=1;\n s+=i\n)\n", "This adds the numbers from 1 to 100 and returns 5050.",
     "while(a;b), foreach(x,a[],expr)"},
    {"foreach", "x;arr[];expr",
     "Evaluates <expr> once for every element of <arr[]>, with <x> set to the index of the element (0, 1, 2, "
     "...). The element itself is read as arr[x]. The result is the value of the last evaluation of <expr>.",
     "a[0]=3, a[1]=4, a[2]=5,\ns=0,\nforeach(i;a[];\n s+=a[i]^2\n)\n",
     "This returns 50, the sum of the squares of the elements of a[].", "for(init,cond,incr,expr)"},
    {"if", "cond;expr1;expr2",
     "Evaluates <expr1> if the integer part of <cond> is not zero, otherwise <expr2>. Only the chosen expression "
     "is evaluated; its value is the result.",
     "x=-3,\nif(x<0;'negative';'not negative')\n", "This returns the string 'negative'.", "while(cond; expr)"},
    {"while", "cond;expr",
     "Evaluates <expr> again and again as long as <cond> is not zero. The result is the value of the last "
     "evaluation of <expr>.",
     "n=1,\nwhile(n<1000;\n n*=2\n)\n", "This doubles n until it reaches 1024 and returns 1024.",
     "if(cond;expr1;expr2)"},

    // ---- text output
    {"cleartext", "", "Clears the output window.", "print('this disappears'),\ncleartext()\n",
     "This prints a text and clears the output window again.", "println(),print()"},
    {"print", "s",
     "Writes <s> to the output window. The next output continues on the same line. A number is written with up "
     "to 15 significant digits. Returns 1.",
     "print('x = '),\nprint(2/3)\n", "This writes the line 'x = 0.666666666666667' to the output window.",
     "println(s),clear()"},
    {"println", "s",
     "Writes <s> to the output window and ends the line, so that the next output starts on a new line. Returns "
     "1.",
     "for(i=1;i<=3;i+=1;\n println('line '+string(i))\n)\n", "This writes three lines to the output window.",
     "print(s),clear()"},
};

}  // namespace

const THelpEntry* FindHelpEntry(const char* name) {
  static const std::map<std::string_view, const THelpEntry*> byName = [] {
    std::map<std::string_view, const THelpEntry*> m;
    for (const THelpEntry& e : Catalogue) m[e.Name] = &e;
    return m;
  }();
  auto it = byName.find(name);
  return it == byName.end() ? nullptr : it->second;
}

}  // namespace TernioParser
