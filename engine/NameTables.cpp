// The built-in functions of the three engine layers, in table order.

#include "engine/ControlFlow.h"
#include "engine/Function.h"
#include "output/TextOutput.h"

namespace TernioParser {

const std::vector<TNameRow>& CoreNameTable() {
  static const std::vector<TNameRow> table = {
      {"for", MakeFunction<TFor>},
      {"foreach", MakeFunction<TForEach>},
      {"if", MakeFunction<TIf>},
      {"while", MakeFunction<TWhile>},
      {"define", MakeFunction<TDefine>},
      {"defined", MakeFunction<TDefined>},
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
