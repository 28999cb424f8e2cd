// Operators, variables, user-defined functions and control flow, as programs.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "TestSupport.h"
#include "engine/Parser.h"
#include "engine/UserFunctions.h"
#include "workbench/Libraries.h"

using namespace TernioParser;
using OstraTest::Outcome;
using OstraTest::RunProgram;

struct TCase {
  const char* Program;
  const char* Expect;
};

void CheckAll(std::initializer_list<TCase> cases) {
  for (const TCase& c : cases) OstraTest::ExpectEverywhere(c.Program, c.Expect);
}

TEST(Operators, StringsAndNumbers) {
  CheckAll({
      {"'ab'+'cd'", "'abcd'"},
      {"'ab'+1", "1"},
      {"1+'2'", "3"},
      {"('1'+'2')*3", "36"},
      {"x='a', x+='b', x", "'ab'"},
      {"x=1, x+='2', x", "'12'"},
      {"x=1, x+='2'", "'12'"},
      {"x='5', x+=1", "6"},
      {"x+=1", "!Variable x has no value"},
      {"x='7', x-='2'", "5"},
      {"x=6, x/=4", "1.5"},
      {"x=2, x*=3, x", "6"},
      {"'abc'=='def'", "1"},
      {"'2'<'10'", "1"},
      {"-'5'", "-5"},
      {"'12'", "'12'"},
      {"x='12', x", "'12'"},
  });
}

TEST(Operators, Logic) {
  CheckAll({
      {"3 & 0.5", "0"},
      {"0.5 | 0", "0"},
      {"-1 & 2", "1"},
      {"0 | 0", "0"},
      {"2 | 0", "1"},
      {"1 != 1", "0"},
      {"1 <= 1", "1"},
      {"2 >= 3", "0"},
      {"1 > 0", "1"},
  });
}

TEST(Operators, Arrays) {
  CheckAll({
      {"a[5]=7, a[4]", "0"},
      {"a[5]=7, a[5]", "7"},
      {"a[0]", "0"},
      {"a[1]", "!Illegal array element access in array a"},
      {"a[-1]", "!Illegal array element access in array a"},
      {"a[-1]=5", "!= operator: error setting a value (maybe negative array index)"},
      {"a[-1]='5'", "!= operator: error setting a value (maybe negative array index)"},
      {"a[-1]+=1", "!Illegal array element access in array a"},
      {"a[x]=1", "!= operator: error setting a value (maybe negative array index)"},
      {"a[2]=7, b=a[], b", "0"},
      {"a[]=7, a[0]", "7"},
      {"a['2']=3, a[2]", "3"},
      {"a[1.9]=3, a[1]", "3"},
      {"a[0]='12abc', a[0]", "12"},
      {"x=1, x[0]=5", "!= operator: error setting a value (maybe negative array index)"},
      {"x=1, x[0]", "!"},
      {"a[0]=1, a=2", "!= operator: error setting a value (maybe negative array index)"},
      {"a[0]=1, a", "!Variable a has no value"},
      {"a[0]=1, a[0]+=2, a[0]", "3"},
      {"a[0]=1, x=1, x[0]+=2", "!"},
  });
}

TEST(Operators, AssignmentValues) {
  CheckAll({
      {"(a=5)+1", "6"},
      {"(a=5)+1, a", "5"},
      {"y", "!Variable y has no value"},
      {"a[0]=1, (a[0]='9x')", "'9x'"},
  });
}

// Sequences, assignments and loops whose values are operands, conditions,
// indexes and arguments.
TEST(Operators, EveryNodeGivesItsValueToEveryUser) {
  CheckAll({
      {"1+(x=3)", "4"},
      {"1+3*(1,2)", "7"},
      {"if(x=1;2;3)", "2"},
      {"n=0, while((n+=1, n<3);0), n", "3"},
      {"x=1, x/=(x=2)", "1"},
      {"b[x=2]=0", "0"},
      {"b[x=2]=5, b[2]+x", "7"},
      {"y=1, y+=(0, 1)", "2"},
      {"for(0;0, 4;0;z)", "!Variable z has no value"},
      {"for(0;(z, 1);0;0)", "!Variable z has no value"},
      {"(x='ab')+'c'", "'abc'"},
      {"x=2, (x+=3)*(x-=1)", "20"},
      {"(for(i=0;i<3;i+=1;i))*2", "4"},
      {"(a[1]=3)^2", "9"},
      {"2*(x='4')", "8"},
      {"(x='4')*2", "8"},
      {"(s='a', s+='b')+'c'", "'abc'"},
      {"-(1, 2)", "-2"},
      {"define(f(v);v*2), f((1, 5))+f(x=1)", "12"},
      {"if((x=0, x);1;2)", "2"},
      {"(x=1, y=2)+(x*y)", "4"},
  });
}

TEST(Operators, NonFiniteArithmeticRaisesNoError) {
  auto inf = RunProgram("1/0");
  EXPECT_FALSE(inf.Error);
  EXPECT_TRUE(std::isinf(inf.Number()) && inf.Number() > 0);
  auto nan = RunProgram("0/0");
  EXPECT_FALSE(nan.Error);
  EXPECT_TRUE(std::isnan(nan.Number()));
  EXPECT_EQ(Outcome("(0/0)==(0/0)"), "0");
  EXPECT_EQ(Outcome("(-1)^0.5 != (-1)^0.5"), "1");
}

TEST(Variables, GlobalsAreSharedBetweenPanelsLocalsAreNot) {
  EXPECT_EQ(Outcome("$g", "$g=5"), "5");
  EXPECT_EQ(Outcome("g", "g=5"), "!Variable g has no value");
  EXPECT_EQ(Outcome("$g+1, g", "$g=5, g=1"), "!Variable g has no value");
}

TEST(Variables, GlobalsMentionedInBothPanelsSurviveRuns) {
  // Texts are set (and parsed) only when they change, as the editors do.
  OstraTest::TCalculator calc;
  const char* global = "if(defined($n);0;$n=0)";
  EXPECT_EQ(calc.Run("$n+=1", global).Number(), 1);
  EXPECT_EQ(calc.Run("$n+=1", global).Number(), 2);
  // A new panel text drops the panel's references; binding the Global panel
  // then creates $n afresh.
  EXPECT_EQ(calc.Run("$n*10", global).Number(), 0);
  // A plain variable starts afresh in every run.
  EXPECT_EQ(calc.Run("r=defined(m), m=1, r", global).Number(), 0);
  EXPECT_EQ(calc.Run("r=defined(m), m=1, r", global).Number(), 0);
  // A global mentioned by one store only is created anew, without a value.
  EXPECT_EQ(calc.Run("r=defined($k), $k=1, r").Number(), 0);
  EXPECT_EQ(calc.Run("r=defined($k), $k=1, r").Number(), 0);
}

TEST(UserFunctions, DefinitionsAndCalls) {
  CheckAll({
      {"define(f(x);2*x), f(5)", "10"},
      {"define(f(x);2*x)", "1"},
      {"define(fac(n); if(n<=1; 1; n*fac(n-1))), fac(5)", "120"},
      {"define(g(x); y=x), g(1), y", "!Variable y has no value"},
      {"define(g(x); $y=x), g(1), $y", "1"},
      {"define(inc(a[]); a[0]+=1), b[0]=5, inc(b[]), b[0]", "6"},
      // The caller's array changes only when the call returns.
      {"define(inc(a[]); a[0]+=1, $seen=$b[0]), $b[0]=5, inc($b[]), $seen*10+$b[0]", "56"},
      {"define(h(a[]);1), x=1, h(x)", "#Illegal argument"},
      {"define(h(a[]);1), x=1, h(x[])", "!Functioncall: Array not found."},
      {"f(1), define(f(x);x)", "#Unknown function"},
      {"define(f(x) ;x)", "#';' expected"},
      {"define(f (x);x)", "#'(' expected"},
      {"define(f();1), f()", "1"},
      {"define(f(x;);x), f(4)", "4"},
      {"define(f(1);1)", "#Variable identifier expected"},
      {"define(1(x);1)", "#Function name expected"},
      {"define((x);1)", "#Function identifier expected"},
      {"define(f(x);x", "#')' expected"},
      {"define(f(x);x+)", "#Expression or identifier expected"},
      {"define(f(x);x), f('s')", "'s'"},
      {"define(f(x);x), f('3')+1", "4"},
      {"define(f(x);v), f(1)", "!Variable v has no value"},
      {"define(f(x);x), g=f(2)+f(3), g", "5"},
      {"define(f(a[];n); a[n]=n, 0), f(b[];3), length2=b[3]", "3"},
      {"define(fill(a[];n); for(i=0;i<n;i+=1;a[i]=i*i)), fill(q[];5), q[4]+q[3]", "25"},
      {"define(sq(x);x*x), define(sum2(a;b);sq(a)+sq(b)), sum2(3;4)", "25"},
      {"define(f(x);x+1), define(f(x);x+2), f(0)", "2"},
  });
}

TEST(UserFunctions, BodyLocalsStartEmptyInEveryCall) {
  CheckAll({
      {"define(f(x); if(defined(t); 99; t=x)), f(1)+f(2)", "3"},
      {"define(f(x); r=x*2, r), a=f(1), b=f(2), a+b", "6"},
  });
}

TEST(UserFunctions, RecursionSavesTheLocalsOfEachActivation) {
  CheckAll({
      {"define(fib(n); if(n<2; n; fib(n-1)+fib(n-2))), fib(20)", "6765"},
      // k is a body local; the caller's k must survive the inner call.
      {"define(f(n); k=n, if(n>0; f(n-1); 0), k), f(5)", "5"},
      // Array parameters are copied in and copied back out at every level.
      {"define(f(a[];n); a[n]=n, if(n>0; f(a[];n-1); 0)), f(x[];4), x[0]+x[1]+x[2]+x[3]+x[4]", "10"},
  });
}

TEST(UserFunctions, RecursionThroughALaterArgumentKeepsTheEarlierOnes) {
  // The inner activation evaluates the same node again before the outer one
  // has used its first argument.
  CheckAll({
      {"define(g(a;b); a*10+b), define(f(n); if(n<1; 0; g(n; f(n-1)))), f(3)", "60"},
      {"define(f(n); if(n<1; 0; mod(n+5; f(n-1)+7))), f(3)", "8"},
      {"define(f(n); if(n<1; 'x'; concat(string(n); f(n-1)))), f(3)", "'321x'"},
      {"define(g(v[];b); v[0]*10+b), define(f(n); a[0]=n, if(n<1; 0; g(a[]; f(n-1)))), f(3)", "60"},
      // The node is the recursive call itself.
      {"define(f(n;s); if(n<1; s; f(n-1; s+f(n-1; 1)))), f(3;0)", "7"},
  });
}

// A body that only computes with numbers has a fast form, used when the
// arguments are numbers; an engine that builds general forms only makes none.
// Each case runs both ways and must give the same outcome.
TEST(UserFunctions, FastNumericBodiesGiveTheGeneralResults) {
  const TCase cases[] = {
      {"define(fib(n); if(n<2; n; fib(n-1)+fib(n-2))), fib(20)", "6765"},
      {"define(f(a;b); a+b*2-a/b-a^2), f(3;4)", "1.25"},
      {"define(f(a;b); (a<b)+(a>b)*2+(a<=b)*4+(a>=b)*8+(a==b)*16+(a!=b)*32+(a&b)*64+(a|0)*128), f(1;2)*1000+f(2;2)",
       "229220"},
      {"define(f(x); -x), f(3)", "-3"},
      // The truth of a condition is its integer value: 2^40 and 0.5 are false.
      {"define(f(x); if(x; 1; 2)), f(2^40)*10+f(0.5)+f(-1)*100", "122"},
      {"define(f(x); if(x>0; x; if(x<0; -x; 1/x))), f(-4)+f(0)", "inf"},
      {"define(sq(x); x*x), define(h(a;b); sq(a)+sq(b)), h(3;4)", "25"},
      // (the same rounding in both forms)
      {"define(f(x); abs(x)/3+floor(x/2)+exp(0)+sin(x)^2+cos(x)^2), f(-9)", "-1.11022302462516e-16"},
      // A variable's number, and a string, which takes the general form.
      {"x=2, define(f(n); n*10), f(x)+f('3')", "50"},
      {"define(f(n); n), f('abc')", "'abc'"},
      {"define(f(n); n+1), f(5), n", "!Variable n has no value"},
      {"define(f(n); n+1), f(q)", "!Variable q has no value"},
      // Array parameters the body reads, copied at their turn and given back.
      {"define(sum3(v[];k); v[k]+v[k+1]+v[k+2]), for(i=0;i<8;i+=1;a[i]=i), s=0, "
       "for(i=0;i<50;i+=1; s+=sum3(a[];i-5*floor(i/5))), s",
       "450"},
      {"define(f(v[];k); v[k]), a[0]=1, f(a[]; 5)", "!Illegal array element access in array v"},
      {"define(f(v[];k); v[k]), f(a[]; 0)", "0"},
      {"define(f(v[];k); v[0]*10+k), a[0]=1, x=f(a[]; a[0]=5), x*100+a[0]", "1501"},
      {"define(f(v[];k); v[0]), a[0]=1, f(a[]; a[5]=2), length(a[])", "1"},
      {"define(f(v[];w[]); v[0]-w[0]+w[1]), a[0]=3, a[1]=4, f(a[]; a[])", "4"},
      {"define(f(v[]); v[0]), x=1, f(x[])", "!Functioncall: Array not found."},
      {"define(f(v[];w[];k); v[k]+w[k]), for(i=0;i<300;i+=1;a[i]=i), f(a[];a[];299)", "598"},
  };
  for (const bool fast : {true, false}) {
    std::optional<OstraTest::TGeneralFormsOnly> general;
    if (!fast) general.emplace();
    for (const TCase& c : cases) {
      const uint64_t before = TNumericBody::Compiled.load();
      EXPECT_EQ(Outcome(c.Program), c.Expect) << c.Program;
      // Every body here has a fast form; the general runs make none, in no
      // context.
      EXPECT_EQ(TNumericBody::Compiled.load() > before, fast) << c.Program;
      OstraTest::ExpectEverywhere(c.Program, c.Expect);
      if (!fast) {
        EXPECT_EQ(TNumericBody::Compiled.load(), before) << c.Program;
      }
    }
    // The whole run's result, which no context sees.
    EXPECT_EQ(Outcome("define(f(n); f(n+1)), f(0)"), "'Stack Overflow'") << fast;
  }
  // The first form is the fast one.
  auto hasFastForm = [](const std::string& text, bool fast = true) {
    TVarHandler::TGlobalList globals;
    TParser p(&globals, StandardLayers());
    p.Options.FastForms = fast;
    p.SetText(text);
    EXPECT_TRUE(p.Parse(nullptr)) << text;
    p.Prepare();
    TFunctionDef* def = p.Registry->Find("f");
    return def && def->Body->Numeric != nullptr;
  };
  EXPECT_TRUE(hasFastForm(cases[1].Program));
  EXPECT_TRUE(hasFastForm(cases[7].Program));
  EXPECT_FALSE(hasFastForm(cases[1].Program, false));
  EXPECT_TRUE(hasFastForm("define(f(a[]); a[0])"));
  EXPECT_FALSE(hasFastForm("define(f(a[]); a[0]=1)"));
  EXPECT_FALSE(hasFastForm("define(f(n); $g+n)"));
}

TEST(UserFunctions, GlobalPanelDefinitionsAreCallableFromThePanel) {
  EXPECT_EQ(Outcome("twice(21)", "define(twice(x);2*x)"), "42");
  EXPECT_EQ(Outcome("define(sin(x);x), sin(3)"), "3");
}

TEST(UserFunctions, SignatureOfAFunctionWithoutParameterList) {
  TVarHandler::TGlobalList globals;
  TParser p(&globals, StandardLayers());
  p.SetText("define(f(a;b;c);a)");
  ASSERT_TRUE(p.Parse(nullptr));
  std::unique_ptr<TFunction> call(p.CreateFunction("f"));
  ASSERT_TRUE(call);
  EXPECT_EQ(call->Signature(), "(a;b;c)");
  EXPECT_STREQ(call->Description(), "No Description available.");
}

TEST(UserFunctions, RegistryFollowsTheTextsThatDefine) {
  TVarHandler::TGlobalList globals;
  TParser global(&globals, StandardLayers());
  std::unique_ptr<TParser> main(static_cast<TParser*>(global.Clone()));
  main->SetRegistry(global.Registry);
  global.SetText("define(f(x);x)");
  ASSERT_TRUE(global.Parse(nullptr));
  main->SetText("define(f(x);2*x)");
  ASSERT_TRUE(main->Parse(nullptr));
  EXPECT_EQ(global.Registry->Find("f"), main->Registry->Find("f"));
  // Destroying the panel's definition hides the Global panel's one as well.
  main->SetText("");
  EXPECT_EQ(global.Registry->Find("f"), nullptr);
  global.SetText("define(f(x);x)");
  ASSERT_TRUE(global.Parse(nullptr));
  EXPECT_NE(global.Registry->Find("f"), nullptr);
  // A call parsed earlier keeps working after its definition's text is replaced.
  main->SetText("f(7)");
  ASSERT_TRUE(main->Parse(nullptr));
  global.SetText("");
  global.Prepare();
  main->Prepare();
  TCalcInfo ci;
  EXPECT_EQ(main->Evaluate(ci).Number, 7);
  // The same for a recursive function: its body binds once, although a call
  // inside it finds the definition gone as well.
  global.SetText("define(fac(n); if(n<=1; 1; n*fac(n-1)))");
  ASSERT_TRUE(global.Parse(nullptr));
  main->SetText("fac(5)");
  ASSERT_TRUE(main->Parse(nullptr));
  global.SetText("");
  global.Prepare();
  main->Prepare();
  EXPECT_EQ(main->Evaluate(ci).Number, 120);
  main.reset();
}

TEST(ControlFlow, Functions) {
  CheckAll({
      {"if(0.5; 1; 2)", "2"},
      {"if(-0.5; 1; 2)", "2"},
      {"if(1; 'yes'; 'no')", "'yes'"},
      {"if('abc'; 1; 2)", "2"},
      {"if(1; 1; y)", "1"},
      {"if(y; 1; 2)", "!Variable y has no value"},
      {"n=0, while(0.5-n; n+=0.5), n", "0.5"},
      {"n=0, while(n<5; n+=1)", "5"},
      {"n=0, while(0; n+=1)", "0"},
      {"for(i=0;i<10;i+=1;i)", "9"},
      {"for(i=0;i<10;i+=1;i), i", "10"},
      {"for(i=0;0;i+=1;5)", "0"},
      {"x=for(i=0;i<3;i+=1;'s'+'t'), x", "'st'"},
      {"s=0, a[2]=7, foreach(i; a[]; s+=a[i]), s", "7"},
      {"s=0, a[2]=7, foreach(i; a[]; s+=a[i]), i", "2"},
      {"n=0, foreach(i; e[]; n=1), n", "0"},
      {"a[1]=1, foreach(i; a[]; a[i+5]=1), length=i", "1"},
      {"foreach(3; a[]; 1)", "#Illegal argument"},
      {"foreach(i; x; 1)", "!ForEach: Second argument is not an array"},
      {"x=1, foreach(i; x[]; 1)", "!"},
      {"defined(x)", "0"},
      {"x=1, defined(x)", "1"},
      {"a[2]=1, defined(a[5])", "0"},
      {"a[2]=1, defined(a[2])", "1"},
      {"defined(e[0])", "1"},
      {"defined(3)", "!defined: Argument is not a variable"},
      {"for(i=0;i<3;i+=1;y)", "!Variable y has no value"},
      // A loop that runs no pass is 0, also where an argument slot held the
      // value of an earlier pass.
      {"for(k=0;k<2;k+=1; abs(for(j=0;j<1-k;j+=1;-5)))", "0"},
      {"n=0, for(k=0;k<2;k+=1; abs(while(k<1 & n==0; n=1, -5)))", "0"},
      {"for(k=0;k<2;k+=1; if(k;0;e[0]=1), abs(foreach(j;e[];clear(e[]), -5)))", "0"},
      // Counting loops: conditions and steps on variables that hold a text,
      // lose their value or never had one behave as the operators do.
      {"i='2', c=0, for(0; i<5; i+=1; c+=1), string(c)+' '+string(i)", "'3 5'"},
      {"c=0, for(i=0; i<3; i+=1; c+=1, if(i==1; i='5'; 0)), string(c)+' '+string(i)", "'2 6'"},
      {"c=0, for(i=10; i>=0; i+=-2.5; c+=1), string(c)+' '+string(i)", "'5 -2.5'"},
      {"c=0, for(i=0; i<n; i+=1; c+=1)", "!Variable n has no value"},
      {"c=0, n='3', for(i=0; i<=n; i+=1; c+=1), c", "4"},
      {"for(i=0; i!=3; i+=1; i)", "2"},
      {"i=0, for(0; i==0; i+=1; i=k)", "!Variable k has no value"},
      {"n=0, k=3, while(n!=k; n+=1), n", "3"},
      {"while(m>3; 0)", "!Variable m has no value"},
      {"n=5, while(n>=2; n=n-2), n", "1"},
      {"k='1', if(k==1; 'a'; 'b')", "'a'"},
      {"k=3, m=3, if(k==m; 1; 2)+if(k<m; 10; 20)+if(k>=m; 100; 200)", "121"},
      {"k=0/0, if(k!=k; 1; 2)+if(k==k; 10; 20)", "21"},
      {"if(q<1; 1; 2)", "!Variable q has no value"},
  });
}

TEST(ControlFlow, ForWithNanConditionRunsTheBody) {
  // A NaN condition is not 0.0, so the body runs (and here stops the loop).
  EXPECT_EQ(Outcome("n=0, for(i=0;if(n<1;0/0;0);n+=1;0), n"), "1");
}
