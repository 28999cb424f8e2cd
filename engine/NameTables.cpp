// The built-in functions of the three engine layers, in table order.

#include "engine/ControlFlow.h"
#include "engine/Function.h"
#include "functions/Arrays.h"
#include "functions/Files.h"
#include "functions/Fitting.h"
#include "functions/Numeric.h"
#include "functions/Process.h"
#include "functions/Spectral.h"
#include "functions/Strings.h"
#include "output/TextOutput.h"

namespace TernioParser {

const std::vector<TNameRow>& CoreNameTable() {
  static const std::vector<TNameRow> table = {
      {"shl", MakeFunction<TLogShl>},
      {"shr", MakeFunction<TLogShr>},
      {"and", MakeFunction<TLogAnd>},
      {"or", MakeFunction<TLogOr>},
      {"xor", MakeFunction<TLogXor>},
      {"number", MakeFunction<TNumber>},
      {"string", MakeFunction<TString>},
      {"pi", MakeFunction<TPi>},
      {"xorstr", MakeFunction<TXorStr>},
      {"sin", MakeFunction<TSin>},
      {"cos", MakeFunction<TCos>},
      {"tan", MakeFunction<TTan>},
      {"sinh", MakeFunction<TSinh>},
      {"cosh", MakeFunction<TCosh>},
      {"tanh", MakeFunction<TTanh>},
      {"arcsin", MakeFunction<TAsin>},
      {"arccos", MakeFunction<TAcos>},
      {"arctan", MakeFunction<TAtan>},
      {"exp", MakeFunction<TExpFunc>},
      {"log", MakeFunction<TLogFunc>},
      {"abs", MakeFunction<TAbsFunc>},
      {"sig", MakeFunction<TSigFunc>},
      {"mod", MakeFunction<TModFunc>},
      {"sqrt", MakeFunction<TSqrt>},
      {"for", MakeFunction<TFor>},
      {"foreach", MakeFunction<TForEach>},
      {"if", MakeFunction<TIf>},
      {"while", MakeFunction<TWhile>},
      {"length", MakeFunction<TLength>},
      {"clear", MakeFunction<TClear>},
      {"mean", MakeFunction<TMean>},
      {"stddev", MakeFunction<TStdDev>},
      {"arraymin", MakeFunction<TArrMin>},
      {"arraymax", MakeFunction<TArrMax>},
      {"seekmin", MakeFunction<TSeekMin>},
      {"seekmax", MakeFunction<TSeekMax>},
      {"random", MakeFunction<TRandom>},
      {"sleep", MakeFunction<TSleep>},
      {"str", MakeFunction<TStr>},
      {"strzero", MakeFunction<TStrZero>},
      {"strblank", MakeFunction<TStrBlank>},
      {"substr", MakeFunction<TSubStr>},
      {"concat", MakeFunction<TConcat>},
      {"findstr", MakeFunction<TFindStr>},
      {"asc", MakeFunction<TAsc>},
      {"chr", MakeFunction<TChr>},
      {"gettime", MakeFunction<TCurTime>},
      {"not", MakeFunction<TNot>},
      {"floor", MakeFunction<TFloor>},
      {"ceil", MakeFunction<TCeil>},
      {"dez2hex", MakeFunction<TDezHex>},
      {"hex2dez", MakeFunction<THexDez>},
      {"strcmp", MakeFunction<TStrCmp>},
      {"stricmp", MakeFunction<TStrICmp>},
      {"append", MakeFunction<TAppend>},
      {"match", MakeFunction<TMatch>},
      {"arraycopy", MakeFunction<TArrayCopy>},
      {"readmatrix", MakeFunction<TMatrixReader>},
      {"define", MakeFunction<TDefine>},
      {"writematrix", MakeFunction<TMatrixWriter>},
      {"fileappend", MakeFunction<TFileAppend>},
      {"filewrite", MakeFunction<TFileWrite>},
      {"fileexists", MakeFunction<TFileExists>},
      {"execute", MakeFunction<TExecute>},
      {"fileread", MakeFunction<TFileRead>},
      {"sort", MakeFunction<TSort>},
      {"defined", MakeFunction<TDefined>},
      {"scroll", MakeFunction<TScroll>},
      {"fit", MakeFunction<TFit>},
      {"lfit", MakeFunction<TLFit>},
      {"fft", MakeFunction<TFFT>},
      {"invfft", MakeFunction<TInvFFT>},
      {"sgfilter", MakeFunction<TSGFilter>},
  };
  return table;
}

const std::vector<TNameRow>& CommNameTable() {
  static const std::vector<TNameRow> table = {
      {"print", MakeFunction<TPrint>},
      {"println", MakeFunction<TPrintln>},
      {"cleartext", MakeFunction<TClearText>},
  };
  return table;
}

const std::vector<TNameRow>& GUINameTable() {
  static const std::vector<TNameRow> table = {};
  return table;
}

}  // namespace TernioParser
