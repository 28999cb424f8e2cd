// The control-flow functions and user-defined function definitions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "engine/ControlFlow.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"for",
     MakeFunction<TFor>,
     {"init;cond;incr;expr",
      "Evaluates <init> once, then repeats: as long as <cond> is not zero, <expr> is evaluated, "
      "followed by <incr>. The result is the value of the last evaluation of <expr>.",
      "s=0,\n"
      "for(i=1;i<=100;i+=1;\n"
      " s+=i\n"
      ")\n",
      "This adds the numbers from 1 to 100 and returns 5050.",
      "while(a;b), foreach(x,a[],expr)"}},
    {"foreach",
     MakeFunction<TForEach>,
     {"x;arr[];expr",
      "Evaluates <expr> once for every element of <arr[]>, with <x> set to the index of the element "
      "(0, 1, 2, ...). The element itself is read as arr[x]. The result is the value of the last "
      "evaluation of <expr>.",
      "a[0]=3, a[1]=4, a[2]=5,\n"
      "s=0,\n"
      "foreach(i;a[];\n"
      " s+=a[i]^2\n"
      ")\n",
      "This returns 50, the sum of the squares of the elements of a[].",
      "for(init,cond,incr,expr)"}},
    {"if",
     MakeFunction<TIf>,
     {"cond;expr1;expr2",
      "Evaluates <expr1> if the integer part of <cond> is not zero, otherwise <expr2>. Only the "
      "chosen expression is evaluated; its value is the result.",
      "x=-3,\n"
      "if(x<0;'negative';'not negative')\n",
      "This returns the string 'negative'.",
      "while(cond; expr)"}},
    {"while",
     MakeFunction<TWhile>,
     {"cond;expr",
      "Evaluates <expr> again and again as long as <cond> is not zero. The result is the value of "
      "the last evaluation of <expr>.",
      "n=1,\n"
      "while(n<1000;\n"
      " n*=2\n"
      ")\n",
      "This doubles n until it reaches 1024 and returns 1024.",
      "if(cond;expr1;expr2)"}},
    {"define",
     MakeFunction<TDefine>,
     {"func;expr",
      "This defines a user-defined function <func> with the expression <expr>. The variables appearing "
      "as parameters in <func> are also valid in <expr> and their values are replaced by the actual "
      "parameter values when the function is called. \n"
      " The function can be used in all expressions following the definition. The return value of "
      "this function is always 1.",
      "define(square(x);x*x),\n"
      "square(7)\n",
      "This defines the function square and returns 49.",
      nullptr}},
    {"defined",
     MakeFunction<TDefined>,
     {"var",
      "Returns 1 if the variable <var> is defined and 0 elsewhere.",
      "x=5,\n"
      "if(defined(x);x;0)\n",
      "This returns 5, because x has a value.",
      nullptr}},
};

}  // namespace

TLibrary ControlFlowLibrary() { return Rows; }

}  // namespace TernioParser
