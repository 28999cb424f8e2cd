// The file, matrix-file and process functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "functions/Files.h"
#include "functions/Process.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"readmatrix",
     MakeFunction<TMatrixReader>,
     {"arr[];fname",
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
      "writematrix(file;data[];cols)"}},
    {"writematrix",
     MakeFunction<TMatrixWriter>,
     {"file;data[];cols",
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
      "readmatrix(arr[];fname)"}},
    {"fileappend",
     MakeFunction<TFileAppend>,
     {"fname;s",
      "Appends the string <s> to the end of the file <fname>; the file is created if it does not "
      "exist. The characters of <s> are written unchanged, so a line end must be part of <s>. The "
      "function returns 1; if the file cannot be written, the calculation stops with an error.",
      "filewrite('log.txt';'first'+chr(13)+chr(10)),\n"
      "fileappend('log.txt';'second'+chr(13)+chr(10)),\n"
      "fileread('log.txt')\n",
      "This writes one line into the file 'log.txt', appends a second line and returns the contents "
      "of the file, both lines.",
      "filewrite(fname;s)"}},
    {"filewrite",
     MakeFunction<TFileWrite>,
     {"fname;s",
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
      "fileappend(fname;s)"}},
    {"fileexists",
     MakeFunction<TFileExists>,
     {"fname",
      "Returns 1 if the file <fname> exists and 0 otherwise. The name of a directory gives 0.",
      "if(fileexists('data.txt');\n"
      " fileread('data.txt')\n"
      ";\n"
      " 'no data file'\n"
      ")\n",
      "This returns the contents of the file 'data.txt', or the text 'no data file' if there is "
      "no such file.",
      "filewrite(fname;s)"}},
    {"execute",
     MakeFunction<TExecute>,
     {"cmd;input",
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
      nullptr}},
    {"fileread",
     MakeFunction<TFileRead>,
     {"fname",
      "Reads the whole file <fname> and returns its contents as a string, exactly as stored, line "
      "ends included. If the file cannot be read, the calculation stops with an error.",
      "filewrite('hello.txt';'Hello'),\n"
      "fileread('hello.txt')+' world'\n",
      "This writes 'Hello' into the file 'hello.txt', reads it back and returns 'Hello world'.",
      "filewrite(fname;s)"}},
};

}  // namespace

TLibrary FileLibrary() { return Rows; }

}  // namespace TernioParser
