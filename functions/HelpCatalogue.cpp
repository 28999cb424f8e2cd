// The help texts of the built-in functions, one entry per registered name.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include <cstring>
#include <map>
#include <string_view>

#include "engine/Function.h"

namespace TernioParser {

namespace {

// In ascending byte order of the name, the order of the help browser's list.
const THelpEntry Catalogue[] = {
    {"abs", nullptr,
     "Returns the absolute value of <a>.",
     "abs(-2.5)",
     "This returns 2.5.",
     nullptr},
    {"and", nullptr,
     "Returns the bitwise and of <a> and <b>. Both values are truncated to whole numbers and their "
     "lowest 32 bits are combined bit by bit; the result is a signed 32-bit number.",
     "and(12;10)",
     "This returns 8 (binary 1100 and 1010 gives 1000).",
     nullptr},
    {"append", "a[];b[] or a[];b",
     "Appends elements to the array <a[]>. If the second argument is an array <b[]>, all elements "
     "of <b[]> are appended in their order; otherwise the value <b> is appended as one new element. "
     "The function returns the new number of elements of <a[]>.",
     "a[0]=1, a[1]=2,\n"
     "b[0]=3,\n"
     "append(a[];b[]),\n"
     "append(a[];4)\n",
     "This appends the element of b[] and then the number 4 to a[], which then holds 1, 2, 3 and "
     "4. The return value is 4.",
     "arraycopy(target[],src[],start,count)"},
    {"arccos", nullptr,
     "Returns the arc cosine of <a> in radians, a value from 0 to pi. For <a> outside -1 to 1 the "
     "result is not a number.",
     "arccos(-1)",
     "This returns 3.14159265358979, the value of pi.",
     nullptr},
    {"arcsin", nullptr,
     "Returns the arc sine of <a> in radians, a value from -pi/2 to pi/2. For <a> outside -1 to "
     "1 the result is not a number.",
     "arcsin(1)",
     "This returns 1.5707963267949, which is pi/2.",
     nullptr},
    {"arctan", nullptr,
     "Returns the arc tangent of <a> in radians, a value from -pi/2 to pi/2.",
     "4*arctan(1)",
     "This returns 3.14159265358979, because arctan(1) is pi/4.",
     nullptr},
    {"arraycopy", "target[];src[];start;count",
     "Copies <count> elements of the array <src[]>, starting at index <start>, into the array <target[]>. "
     "<target[]> is cleared first and then holds only the copied elements: target[i] = src[start+i]. "
     "If <src[]> ends before <count> elements are copied, fewer elements are copied; a negative "
     "<start> counts as 0. The function returns the number of elements copied.",
     "for(i=0;i<10;i+=1;\n"
     " src[i]=i*i\n"
     "),\n"
     "arraycopy(part[];src[];3;4),\n"
     "part[0]+part[3]\n",
     "This copies the four squares 9, 16, 25 and 36 from src[] into part[] and returns 45, the "
     "sum of the first and the last of them.",
     "append(arr1[];arr2[])"},
    {"arraymax", "arr[]",
     "Returns the largest element of the array <arr[]>. An empty array gives minus infinity.",
     "a[0]=3, a[1]=-7, a[2]=5,\n"
     "arraymax(a[])\n",
     "This returns 5.",
     nullptr},
    {"arraymin", "arr[]",
     "Returns the smallest element of the array <arr[]>. An empty array gives plus infinity.",
     "a[0]=3, a[1]=-7, a[2]=5,\n"
     "arraymin(a[])\n",
     "This returns -7.",
     nullptr},
    {"asc", "s",
     "Returns the character code (0 to 255) of the first character of the string <s>, or 0 if <s> "
     "is empty. A number is converted into its text first, so asc(65) is the code of the character "
     "6.",
     "asc('A')",
     "This returns 65.",
     "chr(a)"},
    {"ceil", nullptr,
     "Rounds <a> up: returns the smallest whole number that is not less than <a>.",
     "ceil(2.1)+ceil(-2.9)",
     "This returns 1, the sum of 3 and -2.",
     nullptr},
    {"chr", nullptr,
     "Returns a string of one character whose code is the whole number <a>; only the lowest 8 bits "
     "count (chr(321) is 'A'). chr(0) gives a string holding the zero byte.",
     "'Line 1'+chr(13)+chr(10)+'Line 2'",
     "This returns a text of two lines, separated by a carriage return and a line feed.",
     "asc(s)"},
    {"clear", "arr[]",
     "Removes all elements of the array <arr[]>, so that its length is 0. The function returns "
     "1.",
     "a[0]=1, a[1]=2,\n"
     "clear(a[]),\n"
     "length(a[])\n",
     "This returns 0, the length of the cleared array.",
     nullptr},
    {"cleartext", "",
     "Clears the output window. The function returns 1.",
     "print('this disappears'),\n"
     "cleartext()\n",
     "This prints a text and clears the output window again.",
     "println(),print()"},
    {"concat", "s1;s2",
     "Returns the string <s1> followed by the string <s2>. Numbers are converted into text first, "
     "so concat(1;2) is the string '12'.",
     "concat('Sample ';12)",
     "This returns 'Sample 12'.",
     nullptr},
    {"cos", nullptr,
     "Returns the cosine of <a>; <a> is given in radians.",
     "cos(pi())",
     "This returns -1.",
     nullptr},
    {"cosh", nullptr,
     "Returns the hyperbolic cosine of <a>.",
     "cosh(1)^2-sinh(1)^2",
     "This returns 1: for every value, the square of cosh minus the square of sinh is 1.",
     nullptr},
    {"define", "func;expr",
     "This defines a user-defined function <func> with the expression <expr>. The variables appearing "
     "as parameters in <func> are also valid in <expr> and their values are replaced by the actual "
     "parameter values when the function is called. \n"
     " The function can be used in all expressions following the definition. The return value of "
     "this function is always 1.",
     "define(square(x);x*x),\n"
     "square(7)\n",
     "This defines the function square and returns 49.",
     nullptr},
    {"defined", "var",
     "Returns 1 if the variable <var> is defined and 0 elsewhere.",
     "x=5,\n"
     "if(defined(x);x;0)\n",
     "This returns 5, because x has a value.",
     nullptr},
    {"dez2hex", nullptr,
     "Converts the whole number part of <a> into a string of upper-case hexadecimal digits, without "
     "prefix and without leading zeros. A negative value gives its 32-bit two's complement, so "
     "dez2hex(-1) is 'FFFFFFFF'.",
     "dez2hex(255)",
     "This returns 'FF'.",
     "hex2dez(s)"},
    {"execute", "cmd;input",
     "Executes <cmd> as a command of the operating system. The first word of <cmd> names the program, "
     "which is searched for in the directories of the PATH; the other words are passed to it as "
     "its arguments (quotes ' or \" hold a word with blanks together). No shell is involved: for "
     "pipes or redirections run the shell itself, as in execute('sh -c \"ls | sort\"';''). The "
     "string <input> is written to the program's standard input. The string can be empty if there "
     "is no input necessary. When the program terminates, the standard output of <cmd> is returned "
     "as a string; what the program writes to its standard error is part of it. If a program with "
     "a graphical user interface is started with this command, the calculator waits until the program "
     "has terminated. If <cmd> cannot be started, the calculation stops with the error 'Execute "
     "failed (maybe unknown command)'.",
     "print(execute('sort'; \n"
     "'he '+chr(10)+\n"
     "'slowly '+chr(10)+\n"
     "'goes '+chr(10)+\n"
     "'home '+chr(10) ))",
     "This starts the sort program, which sorts the given words alphabetically, and then prints "
     "them to the output window. A simpler command without input is execute('date';''), which gives "
     "back the current date.",
     nullptr},
    {"exp", nullptr,
     "Returns e (2.71828...) raised to the power of <a>.",
     "exp(1)",
     "This returns 2.71828182845905.",
     "log(a)"},
    {"fft", "xdata[],ydata[],apo,resincr,pad,normout,realout,imgout,scalaout",
     "Performs a fast fourier transform of a real (not imaginary) input data.<xdata[]> and <ydata[]> "
     "are the input scale and data. The scale is used to calculate the resulting frequencies, but "
     "can be omitted when only the data values are wanted. \n"
     "<apo> describes an apodisation to be applied before the fft transformation. An apodisation "
     "is used to remove unwanted frequencies from the transformation result which are due the fact "
     "that the source function only resembles a limited time interval. The following values are "
     "allowed for <apo>: \n"
     "0: no apodisation\n"
     "1: subtract mean value of all data points\n"
     "2: multiply the source data with a square function that is 0 at the edges and 1 in the middle\n"
     "3: multiply the data with a sine function that is 0 at the edges and 1 in the middle\n"
     "The input parameter <resincr> allows increasing the resolution of the FFT. This is done by "
     "making the input data longer by appending constant values. The values depend on the variable "
     "<pad>. A <resincr> of 0 results in a minimum length FFT, every increase by 1 leads to double "
     "length of the resulting data vector and therefore double frequency resolution.\n"
     "The value <pad> determines what values to append when the length of the input data has to "
     "be increased. The input data length is increased in two cases: \n"
     "1. The input data length is not a multiple of 2: In this case the input data is lengthened "
     "to the next multiple of 2.\n"
     "2. <resincr> is larger than 0\n"
     "The transformation result is returned in the four vectors <normout[]>,<realout[]>,<imgout[]> "
     "and <scalaout[]>. Each of them can be 0 if the corresponding vector is not needed. <realout[]> "
     "and <imgout[]> resemble real and imaginary part of the transformed data. <normout[]> is the "
     "square root of the squares of real and imaginary part and describe the frequency amplitude.<scalaout> "
     "contain the corresponding frequencies for the case the <xdata[]> array has been passed to "
     "the function.\n"
     "fft returns the number of data points in the output vectors.",
     "ftime=1,\n"
     "plotautoscale(0;1;0),\n"
     "while(1;\n"
     " scroll(a[];random();80),\n"
     " fft(0;a[];2;2;0;norm[];0;0;0),\n"
     " plotxy(0;0;0;norm[]),\n"
     " if(ftime;plotview(0;0;0;0;0.08),ftime=0;0)\n"
     ")\n",
     "This generates a scrolling random data vector which is then fourier transformed and displayed.",
     "invfft"},
    {"fileappend", "fname;s",
     "Appends the string <s> to the end of the file <fname>; the file is created if it does not "
     "exist. The characters of <s> are written unchanged, so a line end must be part of <s>. The "
     "function returns 1; if the file cannot be written, the calculation stops with an error.",
     "filewrite('log.txt';'first'+chr(13)+chr(10)),\n"
     "fileappend('log.txt';'second'+chr(13)+chr(10)),\n"
     "fileread('log.txt')\n",
     "This writes one line into the file 'log.txt', appends a second line and returns the contents "
     "of the file, both lines.",
     "filewrite(fname;s)"},
    {"fileexists", "fname",
     "Returns 1 if the file <fname> exists and 0 otherwise. The name of a directory gives 0.",
     "if(fileexists('data.txt');\n"
     " fileread('data.txt')\n"
     ";\n"
     " 'no data file'\n"
     ")\n",
     "This returns the contents of the file 'data.txt', or the text 'no data file' if there is "
     "no such file.",
     "filewrite(fname;s)"},
    {"fileread", "fname",
     "Reads the whole file <fname> and returns its contents as a string, exactly as stored, line "
     "ends included. If the file cannot be read, the calculation stops with an error.",
     "filewrite('hello.txt';'Hello'),\n"
     "fileread('hello.txt')+' world'\n",
     "This writes 'Hello' into the file 'hello.txt', reads it back and returns 'Hello world'.",
     "filewrite(fname;s)"},
    {"filewrite", "fname;s",
     "Writes the string <s> into the file <fname>, replacing its previous contents; the file is "
     "created if it does not exist. The characters of <s> are written unchanged, so line ends must "
     "be part of <s>. The function returns 1; if the file cannot be written, the calculation stops "
     "with an error.",
     "s='',\n"
     "for(i=1;i<=3;i+=1;\n"
     " s+=string(i)+chr(13)+chr(10)\n"
     "),\n"
     "filewrite('numbers.txt';s)\n",
     "This writes the numbers 1, 2 and 3 into the file 'numbers.txt', one per line, and returns "
     "1.",
     "fileappend(fname;s)"},
    {"findstr", "s;subs",
     "Returns the position of the first occurrence of the string <subs> in the string <s>, counted "
     "from 0, or -1 if <subs> does not occur in <s>. An empty <subs> is found at position 0.",
     "findstr('temperature: 21.5';':')",
     "This returns 11.",
     nullptr},
    {"fit", "xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq",
     "The function <func> is fitted (one dimensional fit) by varying parameters <p[]> so that the "
     "function ydata[i] = func(xdata[i]) matches given data arrays <xdata> and <ydata>. The fitter "
     "is based on Levenberg-Marquardt's algorithm. Parameter limits can be given with the arrays "
     "<minvals[]> and <maxvals[]>. If the minimium values and/or maximum values should be specified, "
     "the arrays should have the same number of elements as <p[]>. If no minima and maxima should "
     "be specified, specify 0 instead of an array.\n"
     "The function <func> must make use of the parameters <p[]> and <x>, when <p[]> and <x> are "
     "p[] and x, the function may look like p[0]^2+p[1]*x\n",
     "for(i=0;i<500;i+=1;\n"
     " x=i/30,\n"
     " xdata[i]=x,\n"
     " ydata[i]=3.5*(x-4)^2+60*random()-30\n"
     "),\n"
     "p[0]=1, p[1]=-1,\n"
     "if(\n"
     " fit(xdata[];ydata[];p[];x;p[0]*(x-p[1])^2;0;0;chi);\n"
     " plotxy(0;0;xdata[];ydata[]),\n"
     " plot(0;1;x;p[0]*(x-p[1])^2;0;500/30;100),\n"
     " string('ok: ')+string(p[0])+' '+string(p[1])+' Chi: '+string(sqrt(chi/500))\n"
     " ;\n"
     " 'Fit failed'\n"
     ")\n",
     "This first fills the arrays xdata[] and ydata[] with some test values resembling a parabolic "
     "function with some random noise. Start values for the fit parameters p[0] and p[1] are initialized "
     "with 1 and -1. Then the fit is performed. If it is successful, the original data and the "
     "fit function are plottet. The return value is a string corresponding to the fitted parameter "
     "values as well as the deviation of the fitted function.",
     nullptr},
    {"floor", nullptr,
     "Rounds <a> down: returns the largest whole number that is not greater than <a>.",
     "floor(2.9)+floor(-2.1)",
     "This returns -1, the sum of 2 and -3.",
     nullptr},
    {"for", "init;cond;incr;expr",
     "Evaluates <init> once, then repeats: as long as <cond> is not zero, <expr> is evaluated, "
     "followed by <incr>. The result is the value of the last evaluation of <expr>.",
     "s=0,\n"
     "for(i=1;i<=100;i+=1;\n"
     " s+=i\n"
     ")\n",
     "This adds the numbers from 1 to 100 and returns 5050.",
     "while(a;b), foreach(x,a[],expr)"},
    {"foreach", "x;arr[];expr",
     "Evaluates <expr> once for every element of <arr[]>, with <x> set to the index of the element "
     "(0, 1, 2, ...). The element itself is read as arr[x]. The result is the value of the last "
     "evaluation of <expr>.",
     "a[0]=3, a[1]=4, a[2]=5,\n"
     "s=0,\n"
     "foreach(i;a[];\n"
     " s+=a[i]^2\n"
     ")\n",
     "This returns 50, the sum of the squares of the elements of a[].",
     "for(init,cond,incr,expr)"},
    {"gettime", nullptr,
     "Returns the number of milliseconds since the program was started. The counter starts again "
     "at 0 after 2^32 milliseconds (about 49.7 days).",
     "t=gettime(),\n"
     "sleep(200),\n"
     "gettime()-t\n",
     "This returns the time that sleep(200) took, about 200 milliseconds.",
     nullptr},
    {"hex2dez", "s",
     "Converts the string <s>, a hexadecimal number without prefix (digits in upper or lower case, "
     "leading blanks allowed), into a number. The digits are read as a 32-bit value, so 'FFFFFFFF' "
     "gives -1. <s> must be a string: a number, even 10, stops the calculation with an error.",
     "hex2dez('ff')",
     "This returns 255.",
     "hex2dez(s)"},
    {"if", "cond;expr1;expr2",
     "Evaluates <expr1> if the integer part of <cond> is not zero, otherwise <expr2>. Only the "
     "chosen expression is evaluated; its value is the result.",
     "x=-3,\n"
     "if(x<0;'negative';'not negative')\n",
     "This returns the string 'negative'.",
     "while(cond; expr)"},
    {"invfft", "real[],img[],out[]",
     "Performs an inverse fast fourier transform. The input parameters <real[]> and <img[]> correspond "
     "to the real and imaginary part of a frequency spectrum and must have the length of a multiple "
     "of 2.The output is a real data vector of double length. This function can be used together "
     "with the fft function to perform filtering in the frequency domain.",
     "for(i=0;i<256;i+=1;\n"
     " a[i]=sin(i/256*2*pi()*3.0) + random()*0.5 - 0.25\n"
     "),\n"
     "plotxy(0;0;0;a[]),\n"
     "fft(0;a[];0;0;0;0;real[];img[];0),\n"
     "real[3]=0,img[3]=0,\n"
     "invfft(real[];img[];out[]),\n"
     "foreach(i;out[];\n"
     " subtr[i]=a[i] - out[i]\n"
     "),\n"
     "plotxy(0;1;0;out[]),\n"
     "plotxy(0;2;0;subtr[])\n",
     "This creates a noisy sine curve and uses the fft and invfft to separate the sine curve from "
     "the noise.",
     "fft"},
    {"length", "a or arr[]",
     "Returns the number of characters of the string <a>, or the number of elements of the array "
     "<arr[]>. Any other argument stops the calculation with an error.",
     "a[9]=0,\n"
     "length(a[])+length('hello')\n",
     "This returns 15: the array a[] has 10 elements and the string 5 characters.",
     nullptr},
    {"lfit", "xdata[];ydata[];order;p[]",
     "ydata[] is fitted by a polynome of <order>th order. The resulting multipliers are returned "
     "in <p[]>. The function returns 1 if the fit was successful, otherwise 0. The array <xdata[]> "
     "can be left away (use 0 instead). In this case, a xdata[] is assumed to be theindex of the "
     "array element in <ydata[]>",
     "for(i=0;i<1000;i+=1;\n"
     " y[i]=-1000+5*i-.01*i^2+random()*1000,\n"
     " x[i]=i\n"
     "),\n"
     "plotxy(0;0;x[];y[]),\n"
     "lfit(x[];y[];3;p[]),\n"
     "plot(0;1;i;p[0]+p[1]*i+p[2]*i^2;0;999;1000)\n",
     "This creates a 2nd order polynome with some noise and fits it and displays the fitted curve. "
     "Instead of lfit(x[];y[];3;p[]) one could have written lfit(0;y[];3;p[]) as the array x just "
     "contains the index of the elements.",
     "fit()"},
    {"log", nullptr,
     "Returns the natural logarithm of <a>. log(0) gives minus infinity, a negative <a> gives not "
     "a number.",
     "log(1000)/log(10)",
     "This returns 3, the decimal logarithm of 1000.",
     "exp(a)"},
    {"match", "s;pat",
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
     nullptr},
    {"mean", "arr[]",
     "Returns the mean value of the elements of the array <arr[]>, or 0 if the array is empty.",
     "a[0]=2, a[1]=4, a[2]=9,\n"
     "mean(a[])\n",
     "This returns 5.",
     "stddev(arr[])"},
    {"mod", nullptr,
     "Returns the remainder of the division of <a> by <b>. The remainder has the sign of <a>: mod(7.5;2) "
     "is 1.5 and mod(-7;3) is -1. A <b> of 0 gives not a number.",
     "mod(17;5)",
     "This returns 2.",
     nullptr},
    {"not", nullptr,
     "Returns 1 if <a> is 0, otherwise 0.",
     "not(3>5)",
     "This returns 1, because 3>5 is 0.",
     nullptr},
    {"number", nullptr,
     "Returns the numeric value of <a>. A string is read by its leading number, so number('12.5 "
     "mV') is 12.5; a string that does not begin with a number gives 0.",
     "number('1')+number('2')",
     "This returns 3, whereas '1'+'2' gives the string '12'.",
     "string(s)"},
    {"or", nullptr,
     "Returns the bitwise or of <a> and <b>. Both values are truncated to whole numbers and their "
     "lowest 32 bits are combined bit by bit; the result is a signed 32-bit number.",
     "or(12;3)",
     "This returns 15 (binary 1100 or 0011 gives 1111).",
     nullptr},
    {"pi", nullptr,
     "Returns the number pi, 3.14159265358979.",
     "r=2,\n"
     "pi()*r^2\n",
     "This returns 12.5663706143592, the area of a circle with radius 2.",
     nullptr},
    {"print", "s",
     "Writes <s> to the output window. The next output continues on the same line. A number is "
     "written with up to 15 significant digits. Returns 1.",
     "print('x = '),\n"
     "print(2/3)\n",
     "This writes the line 'x = 0.666666666666667' to the output window.",
     "println(s),clear()"},
    {"println", "s",
     "Writes <s> to the output window and ends the line, so that the next output starts on a new "
     "line. Returns 1.",
     "for(i=1;i<=3;i+=1;\n"
     " println('line '+string(i))\n"
     ")\n",
     "This writes three lines to the output window.",
     "print(s),clear()"},
    {"random", nullptr,
     "Returns a pseudo-random number from 0 to 1, both included; 32768 different values are possible. "
     "The sequence continues from one calculation to the next and cannot be restarted.",
     "for(i=0;i<1000;i+=1;\n"
     " r[i]=random()\n"
     "),\n"
     "mean(r[])\n",
     "This returns the mean value of 1000 random numbers, close to 0.5.",
     nullptr},
    {"readmatrix", "arr[];fname",
     "Reads the ASCII file specified by <fname> into the array <arr[]>. The file should contain "
     "numbers organized in multiple columns, like a file written by the function writematrix(). "
     "The first column of the file is filled into the first elements of <arr[]>, then follows the "
     "second column and so on. The return value of readmatrix() is the number of lines read. The "
     "number of columns in <arr[]> can be calculated by dividing the length of <arr[]> by the number "
     "of lines read.",
     "linecount = readmatrix(outArr[];'test.txt'),\n"
     "arraycopy(scala[];outArr[];0;linecount),\n"
     "arraycopy(data[];outArr[];linecount;linecount),\n"
     "plotxy(0;0;scala[];data[])",
     "This reads the file 'test.txt', generates a scala and a data array and plots the result.",
     "writematrix(file;data[];cols)"},
    {"scroll", "arr[];value;length",
     "This appends <value> at the end of the array <arr[]>. If <arr> has then more than <length> "
     "elements, elements are removed at the front so that it after the operation has <length> elements. "
     "This results in a scrolling effect, where <arr[]> stays constant in length but elements are "
     "moved from the end to the front.",
     "for(i=1;i<=10;i+=1;\n"
     " scroll(last[];i;3)\n"
     "),\n"
     "last[0]\n",
     "This keeps the three newest values in last[], which at the end holds 8, 9 and 10. The return "
     "value is 8.",
     nullptr},
    {"seekmax", "arr[]",
     "Returns the index of the largest element of the array <arr[]>; if several elements hold the "
     "maximum, the index of the first of them. An empty array gives 0.",
     "a[0]=4, a[1]=9, a[2]=1, a[3]=9,\n"
     "seekmax(a[])\n",
     "This returns 1.",
     "seekmin(arr[])"},
    {"seekmin", "arr[]",
     "Returns the index of the smallest element of the array <arr[]>; if several elements hold "
     "the minimum, the index of the first of them. An empty array gives 0.",
     "a[0]=4, a[1]=9, a[2]=1, a[3]=1,\n"
     "seekmin(a[])\n",
     "This returns 2.",
     "seekmax(arr[])"},
    {"sgfilter", "data[];scale[];filt;poly;deriv",
     "Filters <data[]> with a savitzky golay filter using 2 x <filt> points and using a polynome "
     "with order <poly>, at the same time taking the <deriv>'s derivative. The resulting data vector "
     "is shorter than the original. If the parameter <scale[]> is given as well, the vector is "
     "shortenend appropriately.",
     "while(1;\n"
     " for(i=0;i<1000;i+=1;\n"
     "  scala[i]=i,\n"
     "  data[i]=cos(i/200*pi())+random()*0.5-0.25\n"
     " ),\n"
     " plotxy(0;0;scala[];data[]),\n"
     " sgfilter(data[];scala[];32;2;0),\n"
     " plotxy(0;1;scala[];data[])\n"
     ")\n",
     "This generates a noisy sine wave and filters it using the sgfilter function.",
     nullptr},
    {"shl", nullptr,
     "Shifts the whole number <a> by <b> bits to the left. Only the lowest 32 bits of <a> count, "
     "and the shift count is taken modulo 32; the result is a signed 32-bit number.",
     "shl(1;4)",
     "This returns 16.",
     nullptr},
    {"shr", nullptr,
     "Shifts the whole number <a> by <b> bits to the right; zeros are shifted in from the left. "
     "Only the lowest 32 bits of <a> count, and the shift count is taken modulo 32; the result "
     "is a signed 32-bit number.",
     "shr(256;4)",
     "This returns 16.",
     nullptr},
    {"sig", nullptr,
     "Returns the sign of <a>: 1 if <a> is greater than 0, -1 if it is less than 0, and 0 otherwise.",
     "sig(-2.5)",
     "This returns -1.",
     nullptr},
    {"sin", nullptr,
     "Returns the sine of <a>; <a> is given in radians.",
     "sin(pi()/2)",
     "This returns 1.",
     nullptr},
    {"sinh", nullptr,
     "Returns the hyperbolic sine of <a>.",
     "sinh(0)",
     "This returns 0.",
     nullptr},
    {"sleep", nullptr,
     "Pauses the calculation for <a> milliseconds and returns 1. A break of the calculation ends "
     "the pause at once.",
     "for(i=3;i>0;i-=1;\n"
     " println(i),\n"
     " sleep(300)\n"
     "),\n"
     "'go'\n",
     "This counts down from 3, printing one number every 0.3 seconds, and then returns 'go'.",
     nullptr},
    {"sort", "a[];b[]",
     "This sorts array <a[]> in ascending order and returns the indices of the sorted elements "
     "in <b[]>. The array <a[]> is not modified by this function. The return value is the number "
     "of elements in <a[]>.",
     "for(i=0;i<100;i+=1;\n"
     " a[i] = random()\n"
     "),\n"
     "sort(a[];b[]),\n"
     "println('Maximum: '+string(a[b[length(b[])-1]])),\n"
     "println('Minimum: '+string(a[b[0]]))\n",
     "This generates 100 random number in array <a[]>. Then the sorted indices of the elements "
     "in <a[]> are returned in b[]. Then the minium and maximum values of <a[]> are displayed.",
     nullptr},
    {"sqrt", nullptr,
     "Returns the square root of <a>. A negative <a> stops the calculation with the error 'Sqrt: "
     "negative argument not allowed'.",
     "sqrt(3^2+4^2)",
     "This returns 5.",
     nullptr},
    {"stddev", "arr[]",
     "Returns the root mean square deviation of <arr[]> from zero.",
     "a[0]=3, a[1]=4,\n"
     "stddev(a[])\n",
     "This returns 3.53553390593274, the square root of (3^2+4^2)/2.",
     "mean(arr[])"},
    {"str", "a;minlen;digits",
     "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
     "and the maximum number of digits is given by <digits>. If the resulting number has less characters "
     "than <minlen> an appropriate number of spaces is inserted at the beginning. If <a> has more "
     "digits than specified by <digits> it is converted into an exponential format.",
     "str(10000.6;6;4)",
     "This returns ' 1e+04' (1e+04 right-aligned in six characters).",
     "strzero(a;minlen;decimals)"},
    {"strblank", "a;minlen;decimals",
     "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
     "and the number of decimals is given by <digits>. If the resulting number has less characters "
     "than <minlen> an appropriate number of blanks is inserted at the beginning.",
     "strblank(10.6;8;4)",
     "This returns ' 10.6000'.",
     "str(a;minlen;digits),strzero(a;minlen;decimals)"},
    {"strcmp", "s1;s2",
     "Compares the strings <s1> and <s2> character by character, upper and lower case being different. "
     "Returns 0 if both are equal, a negative number if <s1> sorts before <s2> and a positive number "
     "if it sorts after <s2>. At the first differing character the result is the difference of "
     "the two character codes; if one string is the beginning of the other, the shorter one sorts "
     "first (-1 or 1).",
     "strcmp('alpha';'egon')",
     "This returns -4, the difference between the codes of a and e.",
     "stricmp(s1;s2)"},
    {"stricmp", "s1;s2",
     "Compares the strings <s1> and <s2> like strcmp(), but without regard to upper and lower case. "
     "Returns 0 if both are equal apart from case.",
     "stricmp('Alpha';'ALPHA')",
     "This returns 0.",
     "strcmp(s1;s2)"},
    {"string", "s",
     "Converts <s> into a string. A string stays unchanged; a number is written with up to 15 significant "
     "digits.",
     "'Result: '+string(1/3)",
     "This returns 'Result: 0.333333333333333'.",
     "number(a)"},
    {"strzero", "a;minlen;decimals",
     "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
     "and the number of decimals is given by <digits>. If the resulting number has less characters "
     "than <minlen> an appropriate number of zeroes is inserted at the beginning.",
     "strzero(10.6;8;4)",
     "This returns '010.6000'.",
     "str(a;minlen;digits),strblank(a;minlen;decimals)"},
    {"substr", "s;idx;len",
     "Returns the part of the string <s> that begins at position <idx> (the first character has "
     "position 0) and is <len> characters long. The part ends early at the end of <s>; a negative "
     "<len> takes the rest of <s>.",
     "substr('Ostra Calculator';6;4)",
     "This returns 'Calc'.",
     nullptr},
    {"tan", nullptr,
     "Returns the tangent of <a>; <a> is given in radians.",
     "tan(pi()/4)",
     "This returns 1.",
     nullptr},
    {"tanh", nullptr,
     "Returns the hyperbolic tangent of <a>, a value from -1 to 1.",
     "tanh(20)",
     "This returns 1: the hyperbolic tangent approaches 1 for large values.",
     nullptr},
    {"while", "cond;expr",
     "Evaluates <expr> again and again as long as <cond> is not zero. The result is the value of "
     "the last evaluation of <expr>.",
     "n=1,\n"
     "while(n<1000;\n"
     " n*=2\n"
     ")\n",
     "This doubles n until it reaches 1024 and returns 1024.",
     "if(cond;expr1;expr2)"},
    {"writematrix", "file;data[];cols",
     "This writes the data array <data[]> into to file <file>, splitting the array <data[]> in "
     "<cols> columns. The columns in <file> are organized so that the first elements in <data[]> "
     "are written in the first column then follows the second column and so on.",
     "for(i=0;i<100;i+=1;\n"
     " xdata[i] = i, ydata[i] = sin(i * 2*pi() / 100)\n"
     "),\n"
     "plotxy(0;0;xdata[];ydata[]),\n"
     "append(xdata[];ydata[]),\n"
     "writematrix('test.txt';xdata[];2)",
     "This creates two arrays <xdata[]> and <ydata[]> which are plotted on the screen and then "
     "written into the file 'test.txt'.",
     "readmatrix(arr[];fname)"},
    {"xor", nullptr,
     "Returns the bitwise exclusive or of <a> and <b>. Both values are truncated to whole numbers "
     "and their lowest 32 bits are combined bit by bit; the result is a signed 32-bit number.",
     "xor(12;10)",
     "This returns 6 (binary 1100 xor 1010 gives 0110).",
     nullptr},
    {"xorstr", "s",
     "Combines the codes of all characters of the string <s> with a bitwise exclusive or and returns "
     "the result as a signed 8-bit number (-128 to 127), as many instrument protocols use it for "
     "a checksum. An empty string gives 0.",
     "xorstr('AB')",
     "This returns 3 (65 xor 66).",
     nullptr},
};

}  // namespace

const THelpEntry* FindHelpEntry(const char* name) {
  static const std::map<std::string_view, const THelpEntry*> byName = [] {
    std::map<std::string_view, const THelpEntry*> m;
    for (const THelpEntry& e : Catalogue) m[e.Name] = &e;
    return m;
  }();
  if (!name) return nullptr;
  auto it = byName.find(name);
  return it == byName.end() ? nullptr : it->second;
}

}  // namespace TernioParser
