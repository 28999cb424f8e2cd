// The numeric, logical and conversion functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "functions/Numeric.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"shl",
     MakeFunction<TLogShl>,
     {nullptr,
      "Shifts the whole number <a> by <b> bits to the left. Only the lowest 32 bits of <a> count, "
      "and the shift count is taken modulo 32; the result is a signed 32-bit number.",
      "shl(1;4)",
      "This returns 16.",
      nullptr}},
    {"shr",
     MakeFunction<TLogShr>,
     {nullptr,
      "Shifts the whole number <a> by <b> bits to the right; zeros are shifted in from the left. "
      "Only the lowest 32 bits of <a> count, and the shift count is taken modulo 32; the result "
      "is a signed 32-bit number.",
      "shr(256;4)",
      "This returns 16.",
      nullptr}},
    {"and",
     MakeFunction<TLogAnd>,
     {nullptr,
      "Returns the bitwise and of <a> and <b>. Both values are truncated to whole numbers and their "
      "lowest 32 bits are combined bit by bit; the result is a signed 32-bit number.",
      "and(12;10)",
      "This returns 8 (binary 1100 and 1010 gives 1000).",
      nullptr}},
    {"or",
     MakeFunction<TLogOr>,
     {nullptr,
      "Returns the bitwise or of <a> and <b>. Both values are truncated to whole numbers and their "
      "lowest 32 bits are combined bit by bit; the result is a signed 32-bit number.",
      "or(12;3)",
      "This returns 15 (binary 1100 or 0011 gives 1111).",
      nullptr}},
    {"xor",
     MakeFunction<TLogXor>,
     {nullptr,
      "Returns the bitwise exclusive or of <a> and <b>. Both values are truncated to whole numbers "
      "and their lowest 32 bits are combined bit by bit; the result is a signed 32-bit number.",
      "xor(12;10)",
      "This returns 6 (binary 1100 xor 1010 gives 0110).",
      nullptr}},
    {"number",
     MakeFunction<TNumber>,
     {nullptr,
      "Returns the numeric value of <a>. A string is read by its leading number, so number('12.5 "
      "mV') is 12.5; a string that does not begin with a number gives 0.",
      "number('1')+number('2')",
      "This returns 3, whereas '1'+'2' gives the string '12'.",
      "string(s)"}},
    {"string",
     MakeFunction<TString>,
     {"s",
      "Converts <s> into a string. A string stays unchanged; a number is written with up to 15 significant "
      "digits.",
      "'Result: '+string(1/3)",
      "This returns 'Result: 0.333333333333333'.",
      "number(a)"}},
    {"pi",
     MakeFunction<TPi>,
     {nullptr,
      "Returns the number pi, 3.14159265358979.",
      "r=2,\n"
      "pi()*r^2\n",
      "This returns 12.5663706143592, the area of a circle with radius 2.",
      nullptr}},
    {"sin",
     MakeFunction<TSin>,
     {nullptr, "Returns the sine of <a>; <a> is given in radians.", "sin(pi()/2)", "This returns 1.", nullptr}},
    {"cos",
     MakeFunction<TCos>,
     {nullptr, "Returns the cosine of <a>; <a> is given in radians.", "cos(pi())", "This returns -1.", nullptr}},
    {"tan",
     MakeFunction<TTan>,
     {nullptr, "Returns the tangent of <a>; <a> is given in radians.", "tan(pi()/4)", "This returns 1.", nullptr}},
    {"sinh",
     MakeFunction<TSinh>,
     {nullptr, "Returns the hyperbolic sine of <a>.", "sinh(0)", "This returns 0.", nullptr}},
    {"cosh",
     MakeFunction<TCosh>,
     {nullptr,
      "Returns the hyperbolic cosine of <a>.",
      "cosh(1)^2-sinh(1)^2",
      "This returns 1: for every value, the square of cosh minus the square of sinh is 1.",
      nullptr}},
    {"tanh",
     MakeFunction<TTanh>,
     {nullptr,
      "Returns the hyperbolic tangent of <a>, a value from -1 to 1.",
      "tanh(20)",
      "This returns 1: the hyperbolic tangent approaches 1 for large values.",
      nullptr}},
    {"arcsin",
     MakeFunction<TAsin>,
     {nullptr,
      "Returns the arc sine of <a> in radians, a value from -pi/2 to pi/2. For <a> outside -1 to "
      "1 the result is not a number.",
      "arcsin(1)",
      "This returns 1.5707963267949, which is pi/2.",
      nullptr}},
    {"arccos",
     MakeFunction<TAcos>,
     {nullptr,
      "Returns the arc cosine of <a> in radians, a value from 0 to pi. For <a> outside -1 to 1 the "
      "result is not a number.",
      "arccos(-1)",
      "This returns 3.14159265358979, the value of pi.",
      nullptr}},
    {"arctan",
     MakeFunction<TAtan>,
     {nullptr,
      "Returns the arc tangent of <a> in radians, a value from -pi/2 to pi/2.",
      "4*arctan(1)",
      "This returns 3.14159265358979, because arctan(1) is pi/4.",
      nullptr}},
    {"exp",
     MakeFunction<TExpFunc>,
     {nullptr,
      "Returns e (2.71828...) raised to the power of <a>.",
      "exp(1)",
      "This returns 2.71828182845905.",
      "log(a)"}},
    {"log",
     MakeFunction<TLogFunc>,
     {nullptr,
      "Returns the natural logarithm of <a>. log(0) gives minus infinity, a negative <a> gives not "
      "a number.",
      "log(1000)/log(10)",
      "This returns 3, the decimal logarithm of 1000.",
      "exp(a)"}},
    {"abs",
     MakeFunction<TAbsFunc>,
     {nullptr, "Returns the absolute value of <a>.", "abs(-2.5)", "This returns 2.5.", nullptr}},
    {"sig",
     MakeFunction<TSigFunc>,
     {nullptr,
      "Returns the sign of <a>: 1 if <a> is greater than 0, -1 if it is less than 0, and 0 otherwise.",
      "sig(-2.5)",
      "This returns -1.",
      nullptr}},
    {"mod",
     MakeFunction<TModFunc>,
     {nullptr,
      "Returns the remainder of the division of <a> by <b>. The remainder has the sign of <a>: mod(7.5;2) "
      "is 1.5 and mod(-7;3) is -1. A <b> of 0 gives not a number.",
      "mod(17;5)",
      "This returns 2.",
      nullptr}},
    {"sqrt",
     MakeFunction<TSqrt>,
     {nullptr,
      "Returns the square root of <a>. A negative <a> stops the calculation with the error 'Sqrt: "
      "negative argument not allowed'.",
      "sqrt(3^2+4^2)",
      "This returns 5.",
      nullptr}},
    {"random",
     MakeFunction<TRandom>,
     {nullptr,
      "Returns a pseudo-random number from 0 to 1, both included; 32768 different values are possible. "
      "The sequence continues from one calculation to the next and cannot be restarted.",
      "for(i=0;i<1000;i+=1;\n"
      " r[i]=random()\n"
      "),\n"
      "mean(r[])\n",
      "This returns the mean value of 1000 random numbers, close to 0.5.",
      nullptr}},
    {"sleep",
     MakeFunction<TSleep>,
     {nullptr,
      "Pauses the calculation for <a> milliseconds and returns 1. A break of the calculation ends "
      "the pause at once.",
      "for(i=3;i>0;i-=1;\n"
      " println(i),\n"
      " sleep(300)\n"
      "),\n"
      "'go'\n",
      "This counts down from 3, printing one number every 0.3 seconds, and then returns 'go'.",
      nullptr}},
    {"gettime",
     MakeFunction<TCurTime>,
     {nullptr,
      "Returns the number of milliseconds since the program was started. The counter starts again "
      "at 0 after 2^32 milliseconds (about 49.7 days).",
      "t=gettime(),\n"
      "sleep(200),\n"
      "gettime()-t\n",
      "This returns the time that sleep(200) took, about 200 milliseconds.",
      nullptr}},
    {"not",
     MakeFunction<TNot>,
     {nullptr, "Returns 1 if <a> is 0, otherwise 0.", "not(3>5)", "This returns 1, because 3>5 is 0.", nullptr}},
    {"floor",
     MakeFunction<TFloor>,
     {nullptr,
      "Rounds <a> down: returns the largest whole number that is not greater than <a>.",
      "floor(2.9)+floor(-2.1)",
      "This returns -1, the sum of 2 and -3.",
      nullptr}},
    {"ceil",
     MakeFunction<TCeil>,
     {nullptr,
      "Rounds <a> up: returns the smallest whole number that is not less than <a>.",
      "ceil(2.1)+ceil(-2.9)",
      "This returns 1, the sum of 3 and -2.",
      nullptr}},
    {"dez2hex",
     MakeFunction<TDezHex>,
     {nullptr,
      "Converts the whole number part of <a> into a string of upper-case hexadecimal digits, without "
      "prefix and without leading zeros. A negative value gives its 32-bit two's complement, so "
      "dez2hex(-1) is 'FFFFFFFF'.",
      "dez2hex(255)",
      "This returns 'FF'.",
      "hex2dez(s)"}},
    {"hex2dez",
     MakeFunction<THexDez>,
     {"s",
      "Converts the string <s>, a hexadecimal number without prefix (digits in upper or lower case, "
      "leading blanks allowed), into a number. The digits are read as a 32-bit value, so 'FFFFFFFF' "
      "gives -1. <s> must be a string: a number, even 10, stops the calculation with an error.",
      "hex2dez('ff')",
      "This returns 255.",
      "hex2dez(s)"}},
};

}  // namespace

TLibrary NumericLibrary() { return Rows; }

}  // namespace TernioParser
