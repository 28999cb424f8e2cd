// The help catalogue: every built-in's entry with its parameter list and
// see-also text, the signatures computed from them, and the example programs,
// which must parse and, where they need no instrument, window or endless
// loop, run and return what their notes say.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/Parser.h"
#include "panels/PanelHost.h"
#include "workbench/Libraries.h"

using namespace TernioParser;

namespace {

// The built-ins of the three engine layers: name, layer ('c' core, 'o'
// output and instruments, 'p' panels), argument count, parameter list and
// see-also text (nullptr: the function answers none).
struct TCatalogueRow {
  const char* Name;
  char Layer;
  int Args;
  const char* ParameterList;
  const char* SeeAlso;
};

const TCatalogueRow Table[] = {
    {"abs", 'c', 1, nullptr, nullptr},
    {"and", 'c', 2, nullptr, nullptr},
    {"append", 'c', 2, "a[];b[] or a[];b", "arraycopy(target[],src[],start,count)"},
    {"arccos", 'c', 1, nullptr, nullptr},
    {"arcsin", 'c', 1, nullptr, nullptr},
    {"arctan", 'c', 1, nullptr, nullptr},
    {"arraycopy", 'c', 4, "target[];src[];start;count", "append(arr1[];arr2[])"},
    {"arraymax", 'c', 1, "arr[]", nullptr},
    {"arraymin", 'c', 1, "arr[]", nullptr},
    {"asc", 'c', 1, "s", "chr(a)"},
    {"ceil", 'c', 1, nullptr, nullptr},
    {"chr", 'c', 1, nullptr, "asc(s)"},
    {"clear", 'c', 1, "arr[]", nullptr},
    {"cleartext", 'o', 0, "", "println(),print()"},
    {"commclose", 'o', 1, "portno", "commopen(portno;descr;timeout)"},
    {"commlineterm", 'o', 2, "portno;s", "commopen(portno;descr;timeout),commreadln(portno)"},
    {"commopen", 'o', 3, "portno;desc:timeout", "commclose(portno)"},
    {"commread", 'o', 2, "portno;count", "commopen(portno;descr;timeout),commreadln(portno)"},
    {"commreadbin", 'o', 3, "portno;arr[];c", "commopen(portno;descr;timeout)"},
    {"commreadln", 'o', 1, "portno", "commopen(portno;descr;timeout),commread(portno;count),commlineterm(portno;s)"},
    {"commwrite", 'o', 2, "portno;s", "commopen(portno;descr;timeout),commread(portno;count),commreadln(portno)"},
    {"commwritebin", 'o', 2, "portno;arr[]", "commopen(portno;descr;timeout)"},
    {"concat", 'c', 2, "s1;s2", nullptr},
    {"cos", 'c', 1, nullptr, nullptr},
    {"cosh", 'c', 1, nullptr, nullptr},
    {"define", 'c', 2, "func;expr", nullptr},
    {"defined", 'c', 1, "var", nullptr},
    {"dez2hex", 'c', 1, nullptr, "hex2dez(s)"},
    {"execute", 'c', 2, "cmd;input", nullptr},
    {"exp", 'c', 1, nullptr, "log(a)"},
    {"fft", 'c', 9, "xdata[],ydata[],apo,resincr,pad,normout,realout,imgout,scalaout", "invfft"},
    {"fileappend", 'c', 2, "fname;s", "filewrite(fname;s)"},
    {"fileexists", 'c', 1, "fname", "filewrite(fname;s)"},
    {"fileread", 'c', 1, "fname", "filewrite(fname;s)"},
    {"filewrite", 'c', 2, "fname;s", "fileappend(fname;s)"},
    {"findstr", 'c', 2, "s;subs", nullptr},
    {"fit", 'c', 8, "xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq", nullptr},
    {"floor", 'c', 1, nullptr, nullptr},
    {"for", 'c', 4, "init;cond;incr;expr", "while(a;b), foreach(x,a[],expr)"},
    {"foreach", 'c', 3, "x;arr[];expr", "for(init,cond,incr,expr)"},
    {"getproperty", 'p', 3, "panel,control,id", "setproperty"},
    {"gettime", 'c', 0, nullptr, nullptr},
    {"gpibboard", 'o', 1, "b", nullptr},
    {"gpiberr", 'o', 0, "", nullptr},
    {"gpibprint", 'o', 3, "id;s;c", "gpibprintln(id;s),gpibread(id;c)"},
    {"gpibprintln", 'o', 2, "id;s", "gpibprint(id;s;c),gpibreadln(id)"},
    {"gpibread", 'o', 2, "id;c", "gpibreadln(id)"},
    {"gpibreadbin", 'o', 3, "id;arr[];c", "gpibwritebin(id;arr[]),gpibread(id;c),gpibprintln(id;s)"},
    {"gpibreadln", 'o', 1, "id", "gpibread(id;c),gpibprintln(id;s)"},
    {"gpibsta", 'o', 0, "", nullptr},
    {"gpibtimeout", 'o', 2, "id;t", nullptr},
    {"gpibwritebin", 'o', 2, "id;arr[]", "gpibreadbin(id;arr;c),gpibprint(id;s;c),gpibprintln(id;s)"},
    {"haschanged", 'p', 2, "panel,control", "waitguievent"},
    {"hex2dez", 'c', 1, "s", "hex2dez(s)"},
    {"if", 'c', 3, "cond;expr1;expr2", "while(cond; expr)"},
    {"invfft", 'c', 3, "real[],img[],out[]", "fft"},
    {"length", 'c', 1, "a or arr[]", nullptr},
    {"lfit", 'c', 4, "xdata[];ydata[];order;p[]", "fit()"},
    {"loadgui", 'p', 2, "panel,name", "panelname"},
    {"log", 'c', 1, nullptr, "exp(a)"},
    {"match", 'c', 2, "s;pat", nullptr},
    {"mean", 'c', 1, "arr[]", "stddev(arr[])"},
    {"mod", 'c', 2, nullptr, nullptr},
    {"nlfit",
     'c',
     9,
     "xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq;perr[]",
     "fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq),lfit(xdata[];ydata[];order;p[])"},
    {"not", 'c', 1, nullptr, nullptr},
    {"number", 'c', 1, nullptr, "string(s)"},
    {"or", 'c', 2, nullptr, nullptr},
    {"panelname", 'p', 2, "panel,name", "loadgui"},
    {"pi", 'c', 0, nullptr, nullptr},
    {"plot", 'o', 7, "tabno;curveno;var;func;start;stop;count", "plotxy(tabno;curveno;xdata[];ydata[])"},
    {"plotautoscale", 'o', 3, "tabno;enablex;enabley", "plotview(tabno;minx;miny;maxx;maxy)"},
    {"plotaxis", 'o', 3, "tabno;xtext;ytext", "plottitle(tabno;s)"},
    {"plotclearcurve", 'o', 2, "tabno;curveno", "plotcleartab(tabno)"},
    {"plotcleartab", 'o', 1, "tabno", "plotclearcurve(tabno;curveno)"},
    {"plotcleartabs", 'o', 0, "", "plotclearcurve(tabno;curveno),plotcleartab(tabno)"},
    {"plotcurvecount", 'o', 1, "tabno", "plottabs()"},
    {"plotcurveparms", 'o', 5, "tabno;curveno;connected;color;thickness", nullptr},
    {"plottabs", 'o', 0, nullptr, "plotcurvecount(tabno)"},
    {"plottitle", 'o', 2, "tabno;s", "plotaxis(tabno;xtext;ytext)"},
    {"plotview", 'o', 5, "tabno;minx;miny;maxx;maxy", "plotautoscale(tabno;enablex;enabley)"},
    {"plotxy", 'o', 4, "tabno;curveno;datax[];datay[]", "plot(tabno;curveno;var;func;start;stop;count)"},
    {"print", 'o', 1, "s", "println(s),clear()"},
    {"println", 'o', 1, "s", "print(s),clear()"},
    {"random", 'c', 0, nullptr, nullptr},
    {"readmatrix", 'c', 2, "arr[];fname", "writematrix(file;data[];cols)"},
    {"scroll", 'c', 3, "arr[];value;length", nullptr},
    {"seekmax", 'c', 1, "arr[]", "seekmin(arr[])"},
    {"seekmin", 'c', 1, "arr[]", "seekmax(arr[])"},
    {"setproperty", 'p', 4, "panel,control,id,val", "getproperty"},
    {"sgfilter", 'c', 5, "data[];scale[];filt;poly;deriv", nullptr},
    {"shl", 'c', 2, nullptr, nullptr},
    {"shr", 'c', 2, nullptr, nullptr},
    {"sig", 'c', 1, nullptr, nullptr},
    {"sin", 'c', 1, nullptr, nullptr},
    {"sinh", 'c', 1, nullptr, nullptr},
    {"sleep", 'c', 1, nullptr, nullptr},
    {"sort", 'c', 2, "a[];b[]", nullptr},
    {"sqrt", 'c', 1, nullptr, nullptr},
    {"stddev", 'c', 1, "arr[]", "mean(arr[])"},
    {"str", 'c', 3, "a;minlen;digits", "strzero(a;minlen;decimals)"},
    {"strblank", 'c', 3, "a;minlen;decimals", "str(a;minlen;digits),strzero(a;minlen;decimals)"},
    {"strcmp", 'c', 2, "s1;s2", "stricmp(s1;s2)"},
    {"stricmp", 'c', 2, "s1;s2", "strcmp(s1;s2)"},
    {"string", 'c', 1, "s", "number(a)"},
    {"strzero", 'c', 3, "a;minlen;decimals", "str(a;minlen;digits),strblank(a;minlen;decimals)"},
    {"substr", 'c', 3, "s;idx;len", nullptr},
    {"tan", 'c', 1, nullptr, nullptr},
    {"tanh", 'c', 1, nullptr, nullptr},
    {"udpclose", 'o', 1, "handle", "udpcreate()"},
    {"udpcreate", 'o', 4, "handle;address;port;timeout", "udpsendstring()"},
    {"udpreceivebin", 'o', 2, "handle;arr[]", "udpcreate()"},
    {"udpreceivestring", 'o', 1, "handle", "udpsendstring()"},
    {"udpsendbin", 'o', 2, "handle;arr[]", "udpcreate()"},
    {"udpsendstring", 'o', 2, "handle;string", "udpcreate()"},
    {"visaclear", 'o', 1, "h", "visastatus(h)"},
    {"visaclose", 'o', 1, "h", "visaopen(h;resource;timeout)"},
    {"visafind", 'o', 1, "pattern", "visaopen(h;resource;timeout)"},
    {"visaopen", 'o', 3, "h;resource;timeout", "visaclose(h),visaquery(h;text),visafind(pattern)"},
    {"visaquery", 'o', 2, "h;text", "visawrite(h;text),visaread(h),visareadblock(h;a[])"},
    {"visaread", 'o', 1, "h", "visawrite(h;text),visaquery(h;text)"},
    {"visareadbin", 'o', 3, "h;a[];n", "visawritebin(h;a[];n),visareadblock(h;a[])"},
    {"visareadblock", 'o', 2, "h;a[]", "visaquery(h;text),visareadbin(h;a[];n)"},
    {"visastatus", 'o', 1, "h", "visaclear(h)"},
    {"visatermination", 'o', 3, "h;read;write", "visaopen(h;resource;timeout)"},
    {"visatimeout", 'o', 2, "h;ms", "visaopen(h;resource;timeout)"},
    {"visawrite", 'o', 2, "h;text", "visaread(h),visaquery(h;text),visatermination(h;read;write)"},
    {"visawritebin", 'o', 3, "h;a[];n", "visareadbin(h;a[];n)"},
    {"waitguievent", 'p', 1, "timeout", "haschanged"},
    {"while", 'c', 2, "cond;expr", "if(cond;expr1;expr2)"},
    {"writematrix", 'c', 3, "file;data[];cols", "readmatrix(arr[];fname)"},
    {"xor", 'c', 2, nullptr, nullptr},
    {"xorstr", 'c', 1, "s", nullptr},
};

const TCatalogueRow* FindRow(const std::string& name) {
  for (const TCatalogueRow& r : Table)
    if (name == r.Name) return &r;
  return nullptr;
}

bool IsTextOutput(const std::string& name) { return name == "print" || name == "println" || name == "cleartext"; }

// The entries the application must hold so far: the core built-ins, the text
// output functions, the panel functions and every other function of the table
// once its library is registered.
bool IsCatalogued(const TCatalogueRow& r) {
  return r.Layer == 'c' || r.Layer == 'p' || IsTextOutput(r.Name) || FindBuiltin(r.Name) != nullptr;
}

// Functions of the plot window, the instruments and the panels: their
// examples are checked with stand-ins, which neither draw nor talk to devices.
bool IsDeviceOrWindow(const std::string& name) {
  const TCatalogueRow* r = FindRow(name);
  return r && r->Layer != 'c' && !IsTextOutput(name);
}

std::string Show(const char* s) { return s ? "\"" + std::string(s) + "\"" : "(absent)"; }

::testing::AssertionResult SameText(const char* actual, const char* expected) {
  if ((actual == nullptr) != (expected == nullptr) || (actual && std::string(actual) != expected))
    return ::testing::AssertionFailure() << Show(actual) << " instead of " << Show(expected);
  return ::testing::AssertionSuccess();
}

// The help entry registered for a name, or null.
const THelpEntry* FindHelpEntry(const char* name) {
  const TBuiltinRow* row = name ? FindBuiltin(name) : nullptr;
  return row ? &row->Help : nullptr;
}

const char* const NoDescription = "No Description available.";

// A node that takes the place of a function: it has the argument count of the
// name's table row and the catalogue's help for the name; evaluated, it leaves
// its arguments alone and gives 1.
class TStandIn final : public TFunction {
public:
  TStandIn(std::string name, int count) : Name(std::move(name)), N(count) {}
  int ArgumentCount() const override { return N; }
  void Evaluate(TCalcInfo&, TReturnValue& result) override { result.SetNumber(1); }
  const THelpEntry* Help() const override { return FindHelpEntry(Name.c_str()); }

private:
  std::string Name;
  int N;
};

// The application's engine, where a device or window function that is not
// registered (or every one, with ForceStandIns) becomes a stand-in.
class TExampleParser final : public TGUIParser {
public:
  explicit TExampleParser(TVarHandler::TGlobalList* globals, bool forceStandIns = false)
      : TGUIParser(globals, StandardLayers()), ForceStandIns(forceStandIns) {}
  bool ForceStandIns;
  int StandIns = 0;

  TFunction* CreateFunction(const std::string& name) override {
    const bool device = IsDeviceOrWindow(name) && !Registry->Find(name);
    TFunction* f = device && ForceStandIns ? nullptr : TGUIParser::CreateFunction(name);
    if (!f && device) {
      ++StandIns;
      f = new TStandIn(name, FindRow(name)->Args);
    }
    return f;
  }
  TParserBase* Clone() const override { return new TExampleParser(Vars.Globals, ForceStandIns); }
};

// The outcome of a run as one text: a number in its text form, a string in
// quotes, "#" + message for a parse error, "!" + message for a run-time error.
std::string Outcome(const OstraTest::TRun& r) {
  if (!r.ParseOk) return "#" + r.ParseMessage;
  if (r.Error) return "!" + r.Message;
  return r.Result.IsString ? "'" + r.Result.Text.Str() + "'" : r.Result.AsString();
}

// Runs a program on this thread in an engine whose device and window
// functions are stand-ins.
OstraTest::TRun RunWithStandIns(const std::string& program) {
  OstraTest::TRun run;
  TVarHandler::TGlobalList globals;
  TExampleParser engine(&globals, true);
  engine.SetText(program);
  if (!engine.Parse(nullptr)) {
    run.ParseOk = false;
    run.ParseMessage = engine.Message;
    return run;
  }
  engine.Prepare();
  TCalcInfo ci;
  OstraTest::TCollectSink sink;
  ci.Host.Output = &sink;
  run.Result = engine.Evaluate(ci);
  run.Error = ci.Error;
  run.Message = ci.Message;
  run.Output = sink.Text;
  return run;
}

// Runs an example the way the application does, unless it uses device or
// window functions: then with stand-ins for them. The panel functions work on
// the headless runner's panels, which need no window.
OstraTest::TRun RunExample(const std::string& program) {
  TVarHandler::TGlobalList globals;
  TExampleParser probe(&globals);
  probe.SetText(program);
  const bool parsed = probe.Parse(nullptr);
  if (parsed && probe.StandIns == 0) {
    OstraTest::TCalculator calc;
    THeadlessPanelHost panels;
    calc.Host().Panels = &panels;
    return calc.Run(program);
  }
  // Not parseable: the stand-in engine reports why.
  return RunWithStandIns(program);
}

std::string ExampleOf(const char* name) {
  const THelpEntry* e = FindHelpEntry(name);
  return e && e->Example ? e->Example : "";
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Examples that write files run in a fresh temporary folder.
class HelpExamples : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/ostra-help-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    Previous = std::filesystem::current_path();
    std::filesystem::current_path(Folder);
  }
  void TearDown() override {
    if (Folder.empty()) return;
    std::filesystem::current_path(Previous);
    std::filesystem::remove_all(Folder);
  }
  std::filesystem::path Folder, Previous;
};

}  // namespace

TEST(HelpCatalogue, EntriesCarryTheParameterListAndSeeAlsoOfTheTable) {
  int checked = 0;
  for (const TCatalogueRow& row : Table) {
    if (!IsCatalogued(row)) continue;
    SCOPED_TRACE(row.Name);
    const THelpEntry* e = FindHelpEntry(row.Name);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(SameText(e->ParameterList, row.ParameterList));
    EXPECT_TRUE(SameText(e->SeeAlso, row.SeeAlso));
    ASSERT_NE(e->Description, nullptr);
    EXPECT_GT(std::strlen(e->Description), 20u);
    EXPECT_STRNE(e->Description, NoDescription);
    // An example always comes with its note.
    EXPECT_EQ(e->Example == nullptr, e->ExampleNote == nullptr);
    ++checked;
  }
  // Every registered function is a row of the table and was checked.
  EXPECT_EQ(checked, static_cast<int>(Catalogue().size()));
}

// The table itself: 132 built-ins in ascending byte order, 74 of the core,
// 52 of the output and instrument layer (the 13 VISA session functions
// among them), 6 of the panel layer.
TEST(HelpCatalogue, TableHoldsEveryBuiltinInByteOrder) {
  ASSERT_EQ(std::size(Table), 132u);
  int perLayer[3] = {};
  for (size_t i = 0; i < std::size(Table); ++i) {
    if (i > 0) {
      EXPECT_LT(std::strcmp(Table[i - 1].Name, Table[i].Name), 0) << Table[i].Name;
    }
    ++perLayer[Table[i].Layer == 'c' ? 0 : Table[i].Layer == 'o' ? 1 : 2];
  }
  EXPECT_EQ(perLayer[0], 74);
  EXPECT_EQ(perLayer[1], 52);
  EXPECT_EQ(perLayer[2], 6);
}

// Once every subsystem has registered its library, the application holds
// all 132 built-ins of the table. While a subsystem's library is still
// missing as a whole, the check waits for it; a library that registers only
// part of its functions fails at once.
TEST(HelpCatalogue, EveryBuiltinIsRegistered) {
  struct {
    const char* Subsystem;
    const char* Prefix;
  } subsystems[] = {
      {"plot window", "plot"}, {"serial ports", "comm"}, {"GPIB", "gpib"}, {"UDP", "udp"}, {"VISA", "visa"}};
  std::string waiting;
  for (const auto& s : subsystems) {
    bool any = false;
    for (const TCatalogueRow& row : Table)
      any = any || (std::strncmp(row.Name, s.Prefix, std::strlen(s.Prefix)) == 0 && FindBuiltin(row.Name));
    if (!any) waiting += std::string(" ") + s.Subsystem;
  }
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  std::string missing;
  for (const TCatalogueRow& row : Table) {
    const bool ofWaitingSubsystem = [&] {
      for (const auto& s : subsystems)
        if (std::strncmp(row.Name, s.Prefix, std::strlen(s.Prefix)) == 0 &&
            waiting.find(s.Subsystem) != std::string::npos)
          return true;
      return false;
    }();
    if (!ofWaitingSubsystem && !engine.Builtins.count(row.Name)) missing += std::string(" ") + row.Name;
  }
  EXPECT_EQ(missing, "") << "not registered:" << missing;
  if (!waiting.empty()) GTEST_SKIP() << "libraries not registered yet:" << waiting;
  EXPECT_EQ(engine.Builtins.size(), 132u);
  EXPECT_EQ(Catalogue().size(), 132u);
}

TEST(HelpCatalogue, LookupIsByExactName) {
  EXPECT_NE(FindHelpEntry("sin"), nullptr);
  for (const char* name : {"Sin", "sin ", "", "nosuchfunction", "TSin"})
    EXPECT_EQ(FindHelpEntry(name), nullptr) << name;
  EXPECT_EQ(FindHelpEntry(nullptr), nullptr);
  // An empty parameter list is an answer of its own, distinct from none.
  ASSERT_NE(FindHelpEntry("cleartext"), nullptr);
  ASSERT_NE(FindHelpEntry("cleartext")->ParameterList, nullptr);
  EXPECT_STREQ(FindHelpEntry("cleartext")->ParameterList, "");
  EXPECT_EQ(FindHelpEntry("gettime")->ParameterList, nullptr);
}

// The full texts given for the most informative entries, as they stand.
struct TQuotedText {
  const char* Name;
  const char* THelpEntry::*Field;
  const char* Text;
};

const TQuotedText QuotedTexts[] = {
    {"define",
     &THelpEntry::Description,
     "This defines a user-defined function <func> with the expression <expr>. The variables appearing "
     "as parameters in <func> are also valid in <expr> and their values are replaced by the actual "
     "parameter values when the function is called. \n"
     " The function can be used in all expressions following the definition. The return value of "
     "this function is always 1."},
    {"execute",
     &THelpEntry::Example,
     "print(execute('sort'; \n"
     "'he '+chr(10)+\n"
     "'slowly '+chr(10)+\n"
     "'goes '+chr(10)+\n"
     "'home '+chr(10) ))"},
    {"fft",
     &THelpEntry::Description,
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
     "fft returns the number of data points in the output vectors."},
    {"fft",
     &THelpEntry::Example,
     "ftime=1,\n"
     "plotautoscale(0;1;0),\n"
     "while(1;\n"
     " scroll(a[];random();80),\n"
     " fft(0;a[];2;2;0;norm[];0;0;0),\n"
     " plotxy(0;0;0;norm[]),\n"
     " if(ftime;plotview(0;0;0;0;0.08),ftime=0;0)\n"
     ")\n"},
    {"fft",
     &THelpEntry::ExampleNote,
     "This generates a scrolling random data vector which is then fourier transformed and displayed."},
    {"fit",
     &THelpEntry::Description,
     "The function <func> is fitted (one dimensional fit) by varying parameters <p[]> so that the "
     "function ydata[i] = func(xdata[i]) matches given data arrays <xdata> and <ydata>. The fitter "
     "is based on Levenberg-Marquardt's algorithm. Parameter limits can be given with the arrays "
     "<minvals[]> and <maxvals[]>. If the minimium values and/or maximum values should be specified, "
     "the arrays should have the same number of elements as <p[]>. If no minima and maxima should "
     "be specified, specify 0 instead of an array.\n"
     "The function <func> must make use of the parameters <p[]> and <x>, when <p[]> and <x> are "
     "p[] and x, the function may look like p[0]^2+p[1]*x\n"},
    {"fit",
     &THelpEntry::Example,
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
     ")\n"},
    {"fit",
     &THelpEntry::ExampleNote,
     "This first fills the arrays xdata[] and ydata[] with some test values resembling a parabolic "
     "function with some random noise. Start values for the fit parameters p[0] and p[1] are initialized "
     "with 1 and -1. Then the fit is performed. If it is successful, the original data and the "
     "fit function are plottet. The return value is a string corresponding to the fitted parameter "
     "values as well as the deviation of the fitted function."},
    {"invfft",
     &THelpEntry::Description,
     "Performs an inverse fast fourier transform. The input parameters <real[]> and <img[]> correspond "
     "to the real and imaginary part of a frequency spectrum and must have the length of a multiple "
     "of 2.The output is a real data vector of double length. This function can be used together "
     "with the fft function to perform filtering in the frequency domain."},
    {"invfft",
     &THelpEntry::Example,
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
     "plotxy(0;2;0;subtr[])\n"},
    {"invfft",
     &THelpEntry::ExampleNote,
     "This creates a noisy sine curve and uses the fft and invfft to separate the sine curve from "
     "the noise."},
    {"lfit",
     &THelpEntry::Description,
     "ydata[] is fitted by a polynome of <order>th order. The resulting multipliers are returned "
     "in <p[]>. The function returns 1 if the fit was successful, otherwise 0. The array <xdata[]> "
     "can be left away (use 0 instead). In this case, a xdata[] is assumed to be theindex of the "
     "array element in <ydata[]>"},
    {"lfit",
     &THelpEntry::Example,
     "for(i=0;i<1000;i+=1;\n"
     " y[i]=-1000+5*i-.01*i^2+random()*1000,\n"
     " x[i]=i\n"
     "),\n"
     "plotxy(0;0;x[];y[]),\n"
     "lfit(x[];y[];3;p[]),\n"
     "plot(0;1;i;p[0]+p[1]*i+p[2]*i^2;0;999;1000)\n"},
    {"lfit",
     &THelpEntry::ExampleNote,
     "This creates a 2nd order polynome with some noise and fits it and displays the fitted curve. "
     "Instead of lfit(x[];y[];3;p[]) one could have written lfit(0;y[];3;p[]) as the array x just "
     "contains the index of the elements."},
    {"match", &THelpEntry::Example, "match('The length is 120 km and more';'[0-9]+\\s*km')"},
    {"match", &THelpEntry::ExampleNote, "This returns '120 km'."},
    {"readmatrix",
     &THelpEntry::Description,
     "Reads the ASCII file specified by <fname> into the array <arr[]>. The file should contain "
     "numbers organized in multiple columns, like a file written by the function writematrix(). "
     "The first column of the file is filled into the first elements of <arr[]>, then follows the "
     "second column and so on. The return value of readmatrix() is the number of lines read. The "
     "number of columns in <arr[]> can be calculated by dividing the length of <arr[]> by the number "
     "of lines read."},
    {"readmatrix",
     &THelpEntry::Example,
     "linecount = readmatrix(outArr[];'test.txt'),\n"
     "arraycopy(scala[];outArr[];0;linecount),\n"
     "arraycopy(data[];outArr[];linecount;linecount),\n"
     "plotxy(0;0;scala[];data[])"},
    {"readmatrix",
     &THelpEntry::ExampleNote,
     "This reads the file 'test.txt', generates a scala and a data array and plots the result."},
    {"scroll",
     &THelpEntry::Description,
     "This appends <value> at the end of the array <arr[]>. If <arr> has then more than <length> "
     "elements, elements are removed at the front so that it after the operation has <length> elements. "
     "This results in a scrolling effect, where <arr[]> stays constant in length but elements are "
     "moved from the end to the front."},
    {"sgfilter",
     &THelpEntry::Description,
     "Filters <data[]> with a savitzky golay filter using 2 x <filt> points and using a polynome "
     "with order <poly>, at the same time taking the <deriv>'s derivative. The resulting data vector "
     "is shorter than the original. If the parameter <scale[]> is given as well, the vector is "
     "shortenend appropriately."},
    {"sgfilter",
     &THelpEntry::Example,
     "while(1;\n"
     " for(i=0;i<1000;i+=1;\n"
     "  scala[i]=i,\n"
     "  data[i]=cos(i/200*pi())+random()*0.5-0.25\n"
     " ),\n"
     " plotxy(0;0;scala[];data[]),\n"
     " sgfilter(data[];scala[];32;2;0),\n"
     " plotxy(0;1;scala[];data[])\n"
     ")\n"},
    {"sgfilter",
     &THelpEntry::ExampleNote,
     "This generates a noisy sine wave and filters it using the sgfilter function."},
    {"sort",
     &THelpEntry::Description,
     "This sorts array <a[]> in ascending order and returns the indices of the sorted elements "
     "in <b[]>. The array <a[]> is not modified by this function. The return value is the number "
     "of elements in <a[]>."},
    {"sort",
     &THelpEntry::Example,
     "for(i=0;i<100;i+=1;\n"
     " a[i] = random()\n"
     "),\n"
     "sort(a[];b[]),\n"
     "println('Maximum: '+string(a[b[length(b[])-1]])),\n"
     "println('Minimum: '+string(a[b[0]]))\n"},
    {"sort",
     &THelpEntry::ExampleNote,
     "This generates 100 random number in array <a[]>. Then the sorted indices of the elements "
     "in <a[]> are returned in b[]. Then the minium and maximum values of <a[]> are displayed."},
    {"stddev", &THelpEntry::Description, "Returns the root mean square deviation of <arr[]> from zero."},
    {"str",
     &THelpEntry::Description,
     "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
     "and the maximum number of digits is given by <digits>. If the resulting number has less characters "
     "than <minlen> an appropriate number of spaces is inserted at the beginning. If <a> has more "
     "digits than specified by <digits> it is converted into an exponential format."},
    {"strblank",
     &THelpEntry::Description,
     "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
     "and the number of decimals is given by <digits>. If the resulting number has less characters "
     "than <minlen> an appropriate number of blanks is inserted at the beginning."},
    {"strblank", &THelpEntry::ExampleNote, "This returns ' 10.6000'."},
    {"strzero",
     &THelpEntry::Description,
     "Converts <a> into a string. The minimum character lenght of the result is given by <minlen> "
     "and the number of decimals is given by <digits>. If the resulting number has less characters "
     "than <minlen> an appropriate number of zeroes is inserted at the beginning."},
    {"strzero", &THelpEntry::Example, "strzero(10.6;8;4)"},
    {"strzero", &THelpEntry::ExampleNote, "This returns '010.6000'."},
    {"writematrix",
     &THelpEntry::Description,
     "This writes the data array <data[]> into to file <file>, splitting the array <data[]> in "
     "<cols> columns. The columns in <file> are organized so that the first elements in <data[]> "
     "are written in the first column then follows the second column and so on."},
    {"writematrix",
     &THelpEntry::Example,
     "for(i=0;i<100;i+=1;\n"
     " xdata[i] = i, ydata[i] = sin(i * 2*pi() / 100)\n"
     "),\n"
     "plotxy(0;0;xdata[];ydata[]),\n"
     "append(xdata[];ydata[]),\n"
     "writematrix('test.txt';xdata[];2)"},
    {"writematrix",
     &THelpEntry::ExampleNote,
     "This creates two arrays <xdata[]> and <ydata[]> which are plotted on the screen and then "
     "written into the file 'test.txt'."},
    // Corrected: the examples parse and return what their notes say, the
    // escape \n shows as such, defined gives 1, and execute speaks of this
    // platform.
    {"str", &THelpEntry::Example, "str(10000.6;6;4)"},
    {"str", &THelpEntry::ExampleNote, "This returns ' 1e+04' (1e+04 right-aligned in six characters)."},
    {"strblank", &THelpEntry::Example, "strblank(10.6;8;4)"},
    {"match",
     &THelpEntry::Description,
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
     "All other characters are directly matched to the string."},
    {"defined", &THelpEntry::Description, "Returns 1 if the variable <var> is defined and 0 elsewhere."},
    {"commopen",
     &THelpEntry::Description,
     "Opens serial port number <portno> using communication parameters <desc> and a read timeout of "
     "<timeout> milliseconds. <desc> is a string in the format:\n"
     "'baud=xxxx parity=x stop=x data=x'\n"
     "The first serial port has the port number 0. The port is automatically closed when the "
     "execution in the calculator terminates. It also can be reopened without closing it to change "
     "for example the baud rate etc."},
    {"gpibtimeout",
     &THelpEntry::Description,
     "This sets the timeout interval for device with id <id> to <t>. <t> is a value from 1 to 17. The "
     "function returns true (-1) when the operation was successfull.The timout value affects read and "
     "write operations. The following table describes the timeout period depending on <t>:\n"
     "1:  10 \xB5s\n2:  30 \xB5s\n3:  100 \xB5s\n4:  300 \xB5s\n5:  1 ms\n6:  3 ms\n7:  10 ms\n"
     "8:  30 ms\n9:  100 ms\n10: 300 ms\n11: 1 s\n12: 3 s\n13: 10 s\n14: 30 s\n15: 100 s\n"
     "16: 300 s\n17: 1000 s"},
    {"udpcreate",
     &THelpEntry::Description,
     "Create an UDP socket connected with the specified address and port. The function returns -1 "
     "when the UDP socket has been created. <handle> is a value from 0 to 9 and allows up to 10 "
     "parallel sockets to be created. <timeout> is the timeout value given in ms."},
    {"loadgui",
     &THelpEntry::Description,
     "This loads the gui file <name> as panel number <panel>. The gui file can be created with the "
     "built-in gui editor or by a different program, as well as by a Ostra Calculator program. If "
     "there has already been loaded a gui with the same panel number, the gui is replaced by the new "
     "file."},
    {"setproperty",
     &THelpEntry::Description,
     "This sets the property identified by the number <id> of control <control> in panel <panel> to "
     "<val>. The property IDs for the different controls are:\nLabel:\n0: Caption\n1: Alignment (0: "
     "left, 1: middle, 2: right)\nDisplay:\n0: Caption\n1: Alignment (0: left, 1: middle, 2: "
     "right)\nScrollbar:\n0: Current Value\n1: Minimum\n2: Maximum\n3: Page Size\n4: Line "
     "Size\nEdit Object:\n0: Caption\n1: Alignment (0: left, 1: middle, 2: right)\nButton:\n0: "
     "Caption\nCheckbox:\n0: Caption\n1: Checked or unchecked (0: unchecked, otherwise checked)"},
};

TEST(HelpCatalogue, QuotedTextsAreVerbatim) {
  for (const TQuotedText& q : QuotedTexts) {
    SCOPED_TRACE(q.Name);
    const THelpEntry* e = FindHelpEntry(q.Name);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(SameText(e->*(q.Field), q.Text));
  }
}

TEST(HelpCatalogue, MatchListsEveryEscapeOnALineOfItsOwn) {
  const std::string d = FindHelpEntry("match")->Description;
  for (const char* line : {"\n\\b:   matches a backspace\n",
                           "\n\\f:   matches a form feed\n",
                           "\n\\n:   matches a newline\n",
                           "\n\\r:   matches a carriage return\n",
                           "\n\\s:   matches a space\n",
                           "\n\\t:   matches a tab\n"})
    EXPECT_NE(d.find(line), std::string::npos) << line;
  EXPECT_EQ(d.find("\n:"), std::string::npos);
}

TEST(HelpCatalogue, ExecuteDescribesThisPlatform) {
  const THelpEntry* e = FindHelpEntry("execute");
  for (const char* text : {e->Description, e->ExampleNote}) {
    const std::string s = text;
    EXPECT_EQ(s.find("windows"), std::string::npos) << s;
    EXPECT_EQ(s.find("cmd.exe"), std::string::npos) << s;
  }
  EXPECT_NE(std::string(e->Description).find("Execute failed (maybe unknown command)"), std::string::npos);
  // The way to pipes that the description suggests works as it says.
  EXPECT_NE(std::string(e->Description).find("execute('sh -c \"ls | sort\"';'')"), std::string::npos);
  EXPECT_EQ(Outcome(OstraTest::RunProgram("execute('sh -c \"echo abc | tr b x\"';'')")), "'axc\n'");
}

TEST(HelpCatalogue, SignatureComesFromTheParameterListOrTheArgumentCount) {
  struct {
    const char* Name;
    int Args;
    const char* Signature;
  } cases[] = {
      {"sin", 1, "(a)"},
      {"mod", 2, "(a;b)"},
      {"pi", 0, "()"},
      {"gettime", 0, "()"},
      {"random", 0, "()"},
      {"cleartext", 0, "()"},
      {"hex2dez", 1, "(s)"},
      {"length", 1, "(a or arr[])"},
      {"arraycopy", 4, "(target[];src[];start;count)"},
      {"fft", 9, "(xdata[],ydata[],apo,resincr,pad,normout,realout,imgout,scalaout)"},
      {"invfft", 3, "(real[],img[],out[])"},
      // A name without an entry: one letter per argument, and no description.
      {"nosuchfunction", 3, "(a;b;c)"},
  };
  for (const auto& c : cases) {
    TStandIn f(c.Name, c.Args);
    EXPECT_EQ(f.Signature(), c.Signature) << c.Name;
  }
  TStandIn unknown("nosuchfunction", 3);
  EXPECT_STREQ(unknown.Description(), NoDescription);
  EXPECT_EQ(unknown.Example(), nullptr);
  EXPECT_EQ(unknown.SeeAlso(), nullptr);
}

// What a function object of the name should answer.
std::string ExpectedSignature(const TCatalogueRow& row) {
  if (row.ParameterList) return std::string("(") + row.ParameterList + ")";
  std::string s = "(";
  for (int i = 0; i < row.Args; ++i) s += (i ? ";" : "") + std::string(1, static_cast<char>('a' + i));
  return s + ")";
}

TEST(HelpCatalogue, EveryCoreNameIsRegistered) {
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  std::string missing;
  for (const TCatalogueRow& row : Table)
    if (IsCatalogued(row) && !engine.Builtins.count(row.Name)) missing += std::string(" ") + row.Name;
  EXPECT_EQ(missing, "") << "not registered:" << missing;
}

// The catalogue is the rows of every library of the three layers, each name
// once, in ascending byte order, and exactly what the application's engine
// registers.
TEST(HelpCatalogue, CatalogueIsEveryRegisteredRowOnceInNameOrder) {
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  const auto& rows = Catalogue();
  ASSERT_EQ(rows.size(), engine.Builtins.size());
  auto registered = engine.Builtins.begin();
  for (size_t i = 0; i < rows.size(); ++i, ++registered) {
    SCOPED_TRACE(rows[i]->Name);
    if (i > 0) {
      EXPECT_LT(std::strcmp(rows[i - 1]->Name, rows[i]->Name), 0);
    }
    EXPECT_EQ(registered->second, rows[i]);
    EXPECT_EQ(FindBuiltin(rows[i]->Name), rows[i]);
  }
}

TEST(HelpCatalogue, EveryRegisteredFunctionAnswersFromTheCatalogue) {
  TVarHandler::TGlobalList globals;
  TGUIParser engine(&globals, StandardLayers());
  for (const auto& [name, builtin] : engine.Builtins) {
    SCOPED_TRACE(name);
    std::unique_ptr<TFunction> f(engine.CreateFunction(name));
    ASSERT_NE(f, nullptr);
    const THelpEntry* entry = FindHelpEntry(name);
    ASSERT_NE(entry, nullptr) << "no catalogue entry";
    EXPECT_EQ(f->Help(), entry);
    EXPECT_STRNE(f->Description(), NoDescription);
    EXPECT_EQ(f->Description(), entry->Description);
    EXPECT_EQ(f->ParameterList(), entry->ParameterList);
    EXPECT_EQ(f->Example(), entry->Example);
    EXPECT_EQ(f->ExampleNote(), entry->ExampleNote);
    EXPECT_EQ(f->SeeAlso(), entry->SeeAlso);
    const TCatalogueRow* row = FindRow(name);
    ASSERT_NE(row, nullptr) << "not a built-in of the catalogue table";
    EXPECT_EQ(f->ArgumentCount(), row->Args);
    EXPECT_EQ(f->Signature(), ExpectedSignature(*row));
  }
}

TEST(HelpCatalogue, EveryExampleParses) {
  // Device and window functions not registered yet are stand-ins with their
  // argument counts, so the examples' syntax is checked all the same.
  for (const TCatalogueRow& row : Table) {
    const THelpEntry* e = FindHelpEntry(row.Name);
    if (!e || !e->Example) continue;
    SCOPED_TRACE(row.Name);
    TVarHandler::TGlobalList globals;
    TExampleParser engine(&globals);
    engine.SetText(e->Example);
    EXPECT_TRUE(engine.Parse(nullptr)) << engine.Message << " at " << engine.ErrorPos;
  }
}

// What each example returns, as its note says (outcome text: a number in its
// text form, a string in quotes), and what it prints. Examples that loop
// endlessly, and those whose results vary, are checked elsewhere.
struct TExampleCase {
  const char* Name;
  const char* Result;
  const char* Output;  // nullptr: prints nothing
};

const TExampleCase ExampleCases[] = {
    {"abs", "2.5", nullptr},
    {"and", "8", nullptr},
    {"append", "4", nullptr},
    {"arccos", "3.14159265358979", nullptr},
    {"arcsin", "1.5707963267949", nullptr},
    {"arctan", "3.14159265358979", nullptr},
    {"arraycopy", "45", nullptr},
    {"arraymax", "5", nullptr},
    {"arraymin", "-7", nullptr},
    {"asc", "65", nullptr},
    {"ceil", "1", nullptr},
    {"chr", "'Line 1\r\nLine 2'", nullptr},
    {"clear", "0", nullptr},
    {"cleartext", "1", nullptr},
    {"concat", "'Sample 12'", nullptr},
    {"cos", "-1", nullptr},
    {"cosh", "1", nullptr},
    {"define", "49", nullptr},
    {"defined", "5", nullptr},
    {"dez2hex", "'FF'", nullptr},
    {"execute", "1", "goes \nhe \nhome \nslowly \n"},
    {"exp", "2.71828182845905", nullptr},
    {"fileappend", "'first\r\nsecond\r\n'", nullptr},
    {"fileexists", "'no data file'", nullptr},
    {"fileread", "'Hello world'", nullptr},
    {"filewrite", "1", nullptr},
    {"findstr", "11", nullptr},
    {"floor", "-1", nullptr},
    {"for", "5050", nullptr},
    {"foreach", "50", nullptr},
    {"getproperty", "0.6", nullptr},
    {"hex2dez", "255", nullptr},
    {"if", "'negative'", nullptr},
    {"length", "15", nullptr},
    {"loadgui", "-1", nullptr},
    {"log", "3", nullptr},
    {"match", "'120 km'", nullptr},
    {"mean", "5", nullptr},
    {"mod", "2", nullptr},
    {"not", "1", nullptr},
    {"number", "3", nullptr},
    {"or", "15", nullptr},
    {"panelname", "-1", nullptr},
    {"pi", "12.5663706143592", nullptr},
    // The plot functions' examples run against the plot model of the test
    // calculator (see PlotFunctionsTest.cpp for what they leave in it).
    {"plot", "0.0314159265358979", nullptr},
    {"plotautoscale", "0.05", nullptr},
    {"plotaxis", "1", nullptr},
    {"plotclearcurve", "1", nullptr},
    {"plotcleartab", "1", nullptr},
    {"plotcleartabs", "0", nullptr},
    {"plotcurvecount", "3", nullptr},
    {"plotcurveparms", "1", nullptr},
    {"plottabs", "3", nullptr},
    {"plottitle", "1", nullptr},
    {"plotview", "1", nullptr},
    {"plotxy", "1", nullptr},
    {"print", "1", "x = 0.666666666666667"},
    {"println", "1", "line 1\nline 2\nline 3\n"},
    {"scroll", "8", nullptr},
    {"setproperty", "-1", nullptr},
    {"seekmax", "1", nullptr},
    {"seekmin", "2", nullptr},
    {"shl", "16", nullptr},
    {"shr", "16", nullptr},
    {"sig", "-1", nullptr},
    {"sin", "1", nullptr},
    {"sinh", "0", nullptr},
    {"sleep", "'go'", "3\n2\n1\n"},
    {"sqrt", "5", nullptr},
    {"stddev", "3.53553390593274", nullptr},
    {"str", "' 1e+04'", nullptr},
    {"strblank", "' 10.6000'", nullptr},
    {"strcmp", "-4", nullptr},
    {"stricmp", "0", nullptr},
    {"string", "'Result: 0.333333333333333'", nullptr},
    {"strzero", "'010.6000'", nullptr},
    {"substr", "'Calc'", nullptr},
    {"tan", "1", nullptr},
    {"tanh", "1", nullptr},
    {"waitguievent", "5", nullptr},
    {"while", "1024", nullptr},
    {"xor", "6", nullptr},
    {"xorstr", "3", nullptr},
};

TEST_F(HelpExamples, ExamplesReturnWhatTheirNotesSay) {
  for (const TExampleCase& c : ExampleCases) {
    SCOPED_TRACE(c.Name);
    const std::string example = ExampleOf(c.Name);
    ASSERT_FALSE(example.empty());
    const OstraTest::TRun run = RunExample(example);
    EXPECT_EQ(Outcome(run), c.Result);
    EXPECT_EQ(run.Output, c.Output ? c.Output : "");
  }
}

// Every example is covered: by the table above, by a test of its own below,
// or (an endless loop) by parsing only.
TEST(HelpCatalogue, EveryExampleHasItsCheck) {
  std::set<std::string> covered = {"fft",
                                   "sgfilter",
                                   "fit",
                                   "lfit",
                                   "nlfit" /* NlfitTest */,
                                   "invfft",
                                   "random",
                                   "gettime",
                                   "sort",
                                   "readmatrix",
                                   "writematrix",
                                   // run against a pseudo-terminal, the GPIB
                                   // stand-in library and loopback peers in
                                   // the instrument tests
                                   "commopen",
                                   "commreadbin",
                                   "gpibreadln",
                                   "udpcreate",
                                   "udpreceivebin",
                                   // run against the simulated LAN oscilloscope,
                                   // a pseudo-terminal and a sysfs stand-in in
                                   // the VISA tests
                                   "visaopen",
                                   "visaquery",
                                   "visareadblock",
                                   "visatermination",
                                   "visafind",
                                   // waits for panel operations until the calculation is interrupted
                                   "haschanged"};
  for (const TExampleCase& c : ExampleCases) covered.insert(c.Name);
  for (const TCatalogueRow& row : Table) {
    const THelpEntry* e = FindHelpEntry(row.Name);
    if (!e || !e->Example) continue;
    EXPECT_TRUE(covered.count(row.Name)) << row.Name << " has an unchecked example";
  }
}

TEST_F(HelpExamples, FileExamplesLeaveTheFilesTheyDescribe) {
  EXPECT_EQ(Outcome(RunExample(ExampleOf("filewrite"))), "1");
  EXPECT_EQ(ReadFile("numbers.txt"), "1\r\n2\r\n3\r\n");

  // Without data.txt the example says so; with it, it returns its contents.
  std::ofstream("data.txt", std::ios::binary) << "42 mV";
  EXPECT_EQ(Outcome(RunExample(ExampleOf("fileexists"))), "'42 mV'");
}

TEST_F(HelpExamples, MatrixExamplesWriteAndReadTestTxt) {
  // The writer's example: 100 rows of index and sine value, two columns.
  const OstraTest::TRun written = RunExample(ExampleOf("writematrix"));
  EXPECT_EQ(Outcome(written), "0");
  std::istringstream lines(ReadFile("test.txt"));
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 100u);
  EXPECT_EQ(rows[0], "0\t0\r");
  EXPECT_EQ(rows[25], "25\t1\r");
  EXPECT_EQ(rows[75], "75\t-1\r");

  // The reader's example on a small file of its own: scale and data columns.
  std::ofstream("test.txt", std::ios::binary | std::ios::trunc) << "1\t10\r\n2\t20\r\n3\t30\r\n";
  const OstraTest::TRun read =
      RunExample(ExampleOf("readmatrix") + ",\nstring(linecount)+' '+string(scala[2])+' '+string(data[2])");
  EXPECT_EQ(Outcome(read), "'3 3 30'");
}

TEST_F(HelpExamples, FitExampleFindsTheParabola) {
  const OstraTest::TRun run = RunExample(ExampleOf("fit"));
  ASSERT_EQ(Outcome(run).substr(0, 5), "'ok: ") << Outcome(run);
  double a = 0, b = 0, noise = 0;
  ASSERT_EQ(std::sscanf(run.Result.Text.Str().c_str(), "ok: %lf %lf Chi: %lf", &a, &b, &noise), 3);
  EXPECT_NEAR(a, 3.5, 0.2);
  EXPECT_NEAR(b, 4, 0.2);
  // Uniform noise of width 60 has a deviation of 60/sqrt(12).
  EXPECT_NEAR(noise, 60 / std::sqrt(12.0), 3);
}

TEST_F(HelpExamples, LfitExampleFindsThePolynomial) {
  const OstraTest::TRun run =
      RunExample(ExampleOf("lfit") + ",\nstring(length(p[]))+' '+string(p[1])+' '+string(p[2])");
  ASSERT_FALSE(run.Error) << run.Message;
  double n = 0, b = 0, c = 0;
  ASSERT_EQ(std::sscanf(run.Result.Text.Str().c_str(), "%lf %lf %lf", &n, &b, &c), 3) << Outcome(run);
  EXPECT_EQ(n, 3);
  EXPECT_NEAR(b, 5, 0.5);
  EXPECT_NEAR(c, -0.01, 0.001);
}

TEST_F(HelpExamples, InvfftExampleRestoresTheSignalLength) {
  const OstraTest::TRun run = RunExample(ExampleOf("invfft") + ",\nlength(out[])+0*length(subtr[])");
  EXPECT_EQ(Outcome(run), "256");
}

TEST_F(HelpExamples, ExamplesWithVaryingResults) {
  const OstraTest::TRun random = RunExample(ExampleOf("random"));
  ASSERT_FALSE(random.Error) << random.Message;
  EXPECT_NEAR(random.Number(), 0.5, 0.05);

  const OstraTest::TRun elapsed = RunExample(ExampleOf("gettime"));
  ASSERT_FALSE(elapsed.Error) << elapsed.Message;
  EXPECT_GE(elapsed.Number(), 190);
  EXPECT_LT(elapsed.Number(), 5000);

  // The sort example prints the largest and the smallest of its numbers.
  const OstraTest::TRun sorted = RunExample(ExampleOf("sort"));
  ASSERT_FALSE(sorted.Error) << sorted.Message;
  double largest = -1, smallest = -1;
  ASSERT_EQ(std::sscanf(sorted.Output.c_str(), "Maximum: %lf\nMinimum: %lf\n", &largest, &smallest), 2)
      << sorted.Output;
  EXPECT_GT(largest, smallest);
  EXPECT_LE(largest, 1);
  EXPECT_GE(smallest, 0);
}
