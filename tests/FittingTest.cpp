// fit and lfit: NIST StRD certified values, the numpy.polyfit reference
// table, and the behaviour at the edges (limits, singular models, errors,
// Break).

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "NistData.h"
#include "TestSupport.h"
#include "functions/Fitting.h"

using OstraTest::Fill;
using OstraTest::Num;
using OstraTest::RunProgram;

using OstraTest::Digits;
using OstraTest::LoadNist;
using OstraTest::ReadNumbers;
using OstraTest::TNist;

// Each certified data set, from both start vectors, through the engine with
// the model written in the language. The fit stops at an absolute chi-square
// improvement of 1e-5 and differentiates numerically with a relative step of
// 1e-3; the digits required are what that reaches on each set.
TEST(FitNist, CertifiedValues) {
  struct Case {
    const char* set;
    const char* model;
    double paramDigits;  // least significant digits required of the parameters
    double rssDigits;    // and of the residual sum of squares
  };
  const Case cases[] = {
      {"Misra1a", "p[0]*(1-exp(-p[1]*t))", 5.5, 8.5},
      {"Misra1b", "p[0]*(1-(1+p[1]*t/2)^(-2))", 5.5, 8.5},
      {"Chwirut2", "exp(-p[0]*t)/(p[1]+p[2]*t)", 4.5, 9},
      {"Chwirut1", "exp(-p[0]*t)/(p[1]+p[2]*t)", 4, 8.5},
      {"DanWood", "p[0]*t^p[1]", 4.5, 7},
      {"Gauss1", "p[0]*exp(-p[1]*t)+p[2]*exp(0-(t-p[3])^2/p[4]^2)+p[5]*exp(0-(t-p[6])^2/p[7]^2)", 5, 8},
      {"Gauss2", "p[0]*exp(-p[1]*t)+p[2]*exp(0-(t-p[3])^2/p[4]^2)+p[5]*exp(0-(t-p[6])^2/p[7]^2)", 4.5, 8},
  };
  for (const Case& c : cases) {
    TNist d = LoadNist(c.set);
    ASSERT_FALSE(d.X.empty()) << c.set;
    ASSERT_FALSE(d.Certified.empty()) << c.set;
    for (int start = 0; start < 2; ++start) {
      std::string program = Fill("x", d.X) + Fill("y", d.Y) + Fill("p", d.Start[start]) + "r=fit(x[];y[];p[];t;" +
                            c.model +
                            ";0;0;chi), for(j=0;j<length(p[]);j+=1;println(p[j])), "
                            "println(chi), r";
      auto r = RunProgram(program);
      ASSERT_TRUE(r.ParseOk) << c.set << ": " << r.ParseMessage;
      ASSERT_FALSE(r.Error) << c.set << ": " << r.Message;
      EXPECT_EQ(r.Number(), -1) << c.set;
      std::vector<double> out = ReadNumbers(r.Output);
      ASSERT_EQ(out.size(), d.Certified.size() + 1) << c.set;
      double worst = 16;
      for (size_t j = 0; j < d.Certified.size(); ++j) {
        double digits = Digits(out[j], d.Certified[j]);
        worst = std::min(worst, digits);
        EXPECT_GE(digits, c.paramDigits) << c.set << " start " << start + 1 << " b" << j + 1 << " = " << out[j]
                                         << ", certified " << d.Certified[j];
      }
      double rssDigits = Digits(out.back(), d.RSS);
      EXPECT_GE(rssDigits, c.rssDigits) << c.set << " start " << start + 1 << " RSS " << out.back();
      std::printf("[ digits ] %-9s start %d: parameters %.1f, RSS %.1f\n", c.set, start + 1, worst, rssDigits);
    }
  }
}

// Lanczos3 (three nearly collinear exponentials, residual sum of squares
// 1.6e-8) is out of reach of fit's constants: the absolute chi-square
// tolerance of 1e-5 ends the run after its first small improvement, and the
// forward differences with a step of 1e-3 of each parameter move the fixed
// point of the iteration far off in so ill-conditioned a problem; the run
// also needs far more than 100 iterations along its narrow valley. The
// engine itself, with exact derivatives, a tolerance on the data's scale and
// room for iterations, reaches the certified values.
TEST(FitNist, SmallResidualsWithExactDerivatives) {
  TNist d = LoadNist("Lanczos3");
  ASSERT_EQ(d.Certified.size(), 6u);
  struct TModel {
    const double* A;
    static double F(double x, void* user) {
      const double* a = static_cast<TModel*>(user)->A;
      return a[0] * std::exp(-a[1] * x) + a[2] * std::exp(-a[3] * x) + a[4] * std::exp(-a[5] * x);
    }
    static void D(double x, double* g, void* user) {
      const double* a = static_cast<TModel*>(user)->A;
      for (int j = 0; j < 6; j += 2) {
        const double e = std::exp(-a[j + 1] * x);
        g[j] = e;
        g[j + 1] = -a[j] * x * e;
      }
    }
  };
  for (int start = 0; start < 2; ++start) {
    std::vector<double> a = d.Start[start];
    std::vector<TernioParser::TFitParameter> limits(a.size());
    TModel model{a.data()};
    TernioParser::Marquardt engine(
        d.X.data(), d.Y.data(), static_cast<int32_t>(d.X.size()), limits, a.data(), TModel::F, &model);
    engine.DerivativeHook = TModel::D;
    engine.Tolerance = 1e-5 * 1e-10;
    engine.IterationLimit = 5000;
    ASSERT_EQ(engine.Run(), TernioParser::Marquardt::Success);
    double worst = 16;
    for (size_t j = 0; j < a.size(); ++j) worst = std::min(worst, Digits(a[j], d.Certified[j]));
    double rssDigits = Digits(engine.Chisq(), d.RSS);
    std::printf(
        "[ digits ] Lanczos3  start %d (exact derivatives, tolerance 1e-15, %d iterations): parameters %.1f, RSS %.1f\n",
        start + 1,
        engine.Iterations(),
        worst,
        rssDigits);
    EXPECT_GE(worst, 6.5) << "start " << start + 1;
    EXPECT_GE(rssDigits, 9.5) << "start " << start + 1;
  }
}

// The engine's covariance matrix times the residual variance gives the
// certified standard deviations.
TEST(FitNist, CovarianceGivesStandardDeviations) {
  TNist d = LoadNist("Misra1a");
  struct TModel {
    const double* A;
    static double F(double x, void* user) {
      const double* a = static_cast<TModel*>(user)->A;
      return a[0] * (1 - std::exp(-a[1] * x));
    }
  };
  std::vector<double> a = d.Start[0];
  std::vector<TernioParser::TFitParameter> limits(a.size());
  TModel model{a.data()};
  TernioParser::Marquardt engine(
      d.X.data(), d.Y.data(), static_cast<int32_t>(d.X.size()), limits, a.data(), TModel::F, &model);
  ASSERT_EQ(engine.Run(), TernioParser::Marquardt::Success);
  const double variance = engine.Chisq() / (d.X.size() - a.size());
  for (size_t j = 0; j < a.size(); ++j) {
    double sd = std::sqrt(engine.Covariance()[j][j] * variance);
    EXPECT_GE(Digits(sd, d.Deviation[j]), 2) << "b" << j + 1 << " sd " << sd;
  }
  EXPECT_LE(engine.Iterations(), 100);
  // n (m + 1) evaluations per curvature step, one step per iteration and one at the start.
  EXPECT_EQ(engine.Evaluations(), static_cast<int64_t>(d.X.size()) * 3 * (engine.Iterations() + 1));
}

TEST(FitFunction, HelpExampleConvergesAndEstimatesNoise) {
  std::mt19937_64 gen(4711);
  std::uniform_real_distribution<double> noise(-0.5, 0.5);
  std::vector<double> x(500), y(500);
  for (int i = 0; i < 500; ++i) {
    x[i] = i / 50.0;
    y[i] = 3.5 * (x[i] - 4) * (x[i] - 4) + noise(gen);
  }
  auto r = RunProgram(Fill("x", x) + Fill("y", y) +
                      "p[0]=1, p[1]=-1, r=fit(x[];y[];p[];xx;p[0]*(xx-p[1])^2;0;0;chi), "
                      "println(p[0]), println(p[1]), println(sqrt(chi/500)), println(length(p[])), r");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), -1);
  std::vector<double> out = ReadNumbers(r.Output);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_NEAR(out[0], 3.5, 0.01);
  EXPECT_NEAR(out[1], 4.0, 0.01);
  EXPECT_NEAR(out[2], 1 / std::sqrt(12.0), 0.03);  // standard deviation of the uniform noise
  EXPECT_EQ(out[3], 2);
}

TEST(FitFunction, EdgeCases) {
  struct Case {
    const char* name;
    const char* program;
    double result;
  };
  const Case cases[] = {
      // No parameters, or no points: 0, chisq and p untouched.
      {"empty p", "x[0]=1,y[0]=2, chi=123, clear(p[]), fit(x[];y[];p[];t;p[0]*t;0;0;chi)*1000+chi", 123},
      {"empty x", "clear(x[]), y[0]=2, p[0]=5, chi=123, fit(x[];y[];p[];t;p[0]*t;0;0;chi)*1000+chi+p[0]", 128},
      // p[1] has no influence: singular, chisq is the chi-square of the start values
      // (residuals 2-1, 4-2, 6-3: 1+4+9), p keeps the start values.
      {"singular",
       "x[0]=1,x[1]=2,x[2]=3, y[0]=2,y[1]=4,y[2]=6, p[0]=1,p[1]=1, "
       "fit(x[];y[];p[];t;p[0]*t;0;0;chi)*1000+chi+p[0]*100",
       114},
      // An upper limit the data push against: the parameter ends on it exactly.
      {"upper limit",
       "for(i=0;i<20;i+=1;x[i]=i, y[i]=2*i), p[0]=1, hi[0]=1.5, lo[0]=0, "
       "fit(x[];y[];p[];t;p[0]*t;lo[];hi[];chi), if(p[0]==1.5;1;0)",
       1},
      {"lower limit",
       "for(i=0;i<20;i+=1;x[i]=i, y[i]=-2*i+1), p[0]=1, p[1]=0, lo[0]=-1, lo[1]=-100, "
       "fit(x[];y[];p[];t;p[0]*t+p[1];lo[];0;chi), if(p[0]==-1;1;0)",
       1},
      // Limits with a count other than p's are ignored.
      {"limits ignored",
       "for(i=0;i<20;i+=1;x[i]=i, y[i]=2*i), p[0]=1, hi[0]=1.5, hi[1]=1.5, "
       "fit(x[];y[];p[];t;p[0]*t;0;hi[];chi), if(abs(p[0]-2)<1e-6;1;0)",
       1},
      // n is the smaller count; the result is -1 even for a poor final chi-square.
      {"shorter ydata",
       "for(i=0;i<20;i+=1;x[i]=i), for(i=0;i<10;i+=1;y[i]=3*i), p[0]=1, "
       "fit(x[];y[];p[];t;p[0]*t;0;0;chi)*10+if(abs(p[0]-3)<1e-6;1;0)",
       -9},
      // The model may call user-defined functions; x holds the last x value after the fit.
      {"user function",
       "define(line(a;b;u);a*u+b), for(i=0;i<30;i+=1;x[i]=i/3, y[i]=0.5*x[i]-4), p[0]=1,p[1]=1, "
       "r=fit(x[];y[];p[];t;line(p[0];p[1];t);0;0;chi), r*1000+if(abs(p[0]-0.5)+abs(p[1]+4)<1e-6;1;0)",
       -999},
      // More than 1000 parameters are refused before any matrix is made.
      {"too many parameters",
       "for(i=0;i<1001;i+=1;p[i]=1), x[0]=1, y[0]=1, chi=5, fit(x[];y[];p[];t;p[0]*t;0;0;chi)*1000+chi",
       5},
      // A start value of 0 uses the smallest step: a linear parameter still converges.
      {"zero start", "for(i=0;i<10;i+=1;x[i]=i, y[i]=7*i), p[0]=0, fit(x[];y[];p[];t;p[0]*t;0;0;c), round=p[0]", 7},
  };
  for (const Case& c : cases) {
    auto r = RunProgram(c.program);
    ASSERT_TRUE(r.ParseOk) << c.name << ": " << r.ParseMessage;
    ASSERT_FALSE(r.Error) << c.name << ": " << r.Message;
    EXPECT_NEAR(r.Number(), c.result, 1e-9) << c.name;
  }
}

TEST(FitFunction, ArgumentKindsCheckedAtParseTime) {
  for (const char* bad : {"fit(x;y[];p[];t;p[0]*t;0;0;c)",
                          "fit(x[];y;p[];t;p[0]*t;0;0;c)",
                          "fit(x[];y[];p;t;p[0]*t;0;0;c)",
                          "fit(x[];y[];p[];t[];p[0]*t;0;0;c)",
                          "fit(x[];y[];p[];t;p[0]*t;0;0;c[])",
                          "fit(x[];y[];p[];1;p[0];0;0;c)",
                          "fit(x[];y[];p[];t;p[0]*t;0;0;3)",
                          "lfit(0;y;2;p[])",
                          "lfit(0;y[];2;p)"}) {
    auto r = RunProgram(bad);
    EXPECT_FALSE(r.ParseOk) << bad;
    EXPECT_EQ(r.ParseMessage, "Illegal argument") << bad;
  }
}

TEST(FitFunction, ErrorInModelIsReported) {
  auto r = RunProgram("for(i=0;i<10;i+=1;x[i]=i, y[i]=i), p[0]=1, fit(x[];y[];p[];t;p[0]*t+undefinedvar;0;0;c), 5");
  ASSERT_TRUE(r.ParseOk) << r.ParseMessage;
  EXPECT_TRUE(r.Error);
  EXPECT_NE(r.Message.find("undefinedvar"), std::string::npos) << r.Message;
}

TEST(FitFunction, ModelsEvaluatedByBlocksGiveThePointByPointResult) {
  // A model that only reads is evaluated a block of points at a time; with
  // general forms only, the same model is evaluated point by point. Both runs
  // must end with the same doubles: parameters, chi-square, result and the
  // value the fit variable is left with. 150 points end in a partial block.
  const char* models[] = {
      "p[0]*(t-p[1])^2",
      "p[0]*exp(-p[1]*t^2)",
      "p[0]/(1+abs(t)^p[1])-t/3",
      "p[0]*sin(p[1]*t)+k*e[2]-((t>0)&(t<=1))+((t>=1)|(t<-1.5))*0.5+(t==0)-(t!=1)+(t<=0)",
  };
  // The result, chi-square, fit variable and parameters a fit leaves.
  auto fit = [](const std::string& model, bool fast) {
    std::optional<OstraTest::TGeneralFormsOnly> general;
    if (!fast) general.emplace();
    OstraTest::TCalculator calc;
    const uint64_t before = TernioParser::TVectorModel::Compiled.load();
    auto r = calc.Run(
        "k=2, e[2]=0.25, for(i=0;i<150;i+=1; x[i]=i/30-2, y[i]=1.5*exp(-0.7*x[i]^2)+0.1*sin(7*i)), "
        "p[0]=1, p[1]=0.5, r=fit(x[];y[];p[];t;" +
        model + ";0;0;c), 0");
    EXPECT_FALSE(r.Error) << model << ": " << r.Message;
    EXPECT_EQ(TernioParser::TVectorModel::Compiled.load() > before, fast) << model;
    std::vector<double> left;
    for (const char* name : {"r", "c", "t"}) left.push_back(calc.Main().Vars.FindScalar(name)->Number());
    const TernioParser::TArrayEntry* p = calc.Main().Vars.FindArray("p");
    left.insert(left.end(), p->Data, p->Data + p->Count);
    return left;
  };
  for (const char* model : models) {
    const std::vector<double> blocks = fit(model, true);
    ASSERT_EQ(blocks.size(), 5u) << model;
    EXPECT_NE(blocks[3], 1) << model;  // the fit moved p[0]
    EXPECT_EQ(blocks, fit(model, false)) << model;
  }
  // An element outside its array is the error of the point-by-point
  // evaluation.
  auto r = RunProgram("for(i=0;i<100;i+=1;x[i]=i, y[i]=i), p[0]=1, fit(x[];y[];p[];t;p[0]*t+p[5];0;0;c), 5");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, "Illegal array element access in array p");
}

TEST(FitFunction, BreakStopsALongFit) {
  // 300000 points and a model that does not settle: a full run takes many
  // seconds. Break must end it between data points, not after the run.
  const std::string setup = "for(i=0;i<300000;i+=1;x[i]=i/1000, y[i]=sin(x[i])*x[i]), p[0]=1,p[1]=1,p[2]=1";
  auto begin = std::chrono::steady_clock::now();
  auto s = RunProgram(setup);
  ASSERT_FALSE(s.Error) << s.Message;
  const double setupTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

  OstraTest::TCalculator calc;
  ASSERT_TRUE(calc.Start(setup + ", fit(x[];y[];p[];t;p[0]*sin(p[1]*t)+p[2]*t^2;0;0;c), 42"));
  std::this_thread::sleep_for(std::chrono::duration<double>(1.5 * setupTime + 0.5));
  begin = std::chrono::steady_clock::now();
  calc.Break();
  auto r = calc.Finish();
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, "Stopped");
  EXPECT_LT(waited, 0.5);
}

// ---- lfit

namespace {
struct TPolyCase {
  int K = 0;
  bool XGiven = false;
  std::vector<double> X, Y, Coeff;
};

std::vector<TPolyCase> LoadPolyfit() {
  std::ifstream in(std::string(OSTRA_SOURCE_DIR) + "/tests/reference/lfit_polyfit.txt");
  std::vector<TPolyCase> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("case", 0) != 0) continue;
    std::istringstream h(line.substr(4));
    TPolyCase c;
    int n = 0, given = 0;
    h >> c.K >> n >> given;
    c.XGiven = given != 0;
    for (int i = 0; i < n; ++i) {
      double x, y;
      in >> x >> y;
      c.X.push_back(x);
      c.Y.push_back(y);
    }
    c.Coeff.resize(c.K);
    for (double& v : c.Coeff) in >> v;
    cases.push_back(c);
  }
  return cases;
}
}  // namespace

TEST(LFit, AgreesWithNumpyPolyfitOnNoisyData) {
  auto cases = LoadPolyfit();
  ASSERT_EQ(cases.size(), 4u) << "reference table missing";
  for (const auto& c : cases) {
    std::string program = Fill("y", c.Y) + (c.XGiven ? Fill("x", c.X) : "") + "r=lfit(" + (c.XGiven ? "x[]" : "0") +
                          ";y[];" + std::to_string(c.K) + ";p[]), for(j=0;j<length(p[]);j+=1;println(p[j])), r";
    auto r = RunProgram(program);
    ASSERT_FALSE(r.Error) << r.Message;
    EXPECT_EQ(r.Number(), 1);
    std::vector<double> p = ReadNumbers(r.Output);
    ASSERT_EQ(p.size(), c.Coeff.size());
    for (int j = 0; j < c.K; ++j)
      EXPECT_NEAR(p[j], c.Coeff[j], 1e-8 * std::max(1.0, std::fabs(c.Coeff[j]))) << "k=" << c.K << " j=" << j;
  }
}

TEST(LFit, ExactPolynomialAndEdges) {
  struct Case {
    const char* name;
    const char* program;
    double result;
  };
  const Case cases[] = {
      // Noiseless cubic through x values: the coefficients come back.
      {"cubic",
       "for(i=0;i<25;i+=1;x[i]=i/4-2, y[i]=1.25-0.5*x[i]+2*x[i]^2-0.75*x[i]^3), r=lfit(x[];y[];4;p[]), "
       "r*10+if(abs(p[0]-1.25)+abs(p[1]+0.5)+abs(p[2]-2)+abs(p[3]+0.75)<1e-10;1;0)",
       11},
      // Without xdata the abscissae are 0, 1, 2, ...
      {"implicit x",
       "for(i=0;i<12;i+=1;x[i]=i, y[i]=3+i*i), lfit(x[];y[];3;a[]), lfit(0;y[];3;b[]), "
       "if(abs(a[0]-b[0])+abs(a[1]-b[1])+abs(a[2]-b[2])<1e-10;if(abs(b[2]-1)<1e-10;1;0);0)",
       1},
      // Order 1 fits the mean.
      {"mean", "y[0]=1,y[1]=2,y[2]=6, lfit(0;y[];1;p[])*100+p[0]+length(p[])*10", 113},
      // More coefficients than points: 0, p unchanged.
      {"too few points", "y[0]=1,y[1]=2, p[0]=9, lfit(0;y[];3;p[])*100+p[0]+length(p[])*10", 19},
      // p shrinks to exactly order elements.
      {"p shrinks", "for(i=0;i<10;i+=1;p[i]=7, y[i]=i), lfit(0;y[];2;p[])*100+length(p[])", 102},
      // All x equal with a line: singular, p unchanged.
      {"singular", "for(i=0;i<5;i+=1;x[i]=2, y[i]=i), p[0]=9, lfit(x[];y[];2;p[])*100+p[0]", 9},
      // xdata shorter than ydata decides n.
      {"short x", "x[0]=0,x[1]=1, y[0]=1,y[1]=3,y[2]=100, lfit(x[];y[];2;p[])*100+p[0]*10+p[1]", 112},
      // Order 0 or negative: nothing to fit.
      {"order 0", "y[0]=1, p[0]=4, lfit(0;y[];0;p[])*100+p[0]", 4},
      {"order negative", "y[0]=1, p[0]=4, lfit(0;y[];-3;p[])*100+p[0]", 4},
      // Beyond 100 coefficients the power basis is useless in doubles: refused.
      {"order above 100", "for(i=0;i<200;i+=1;y[i]=i), p[0]=4, lfit(0;y[];101;p[])*100+p[0]", 4},
  };
  for (const Case& c : cases) {
    auto r = RunProgram(c.program);
    ASSERT_TRUE(r.ParseOk) << c.name << ": " << r.ParseMessage;
    ASSERT_FALSE(r.Error) << c.name << ": " << r.Message;
    EXPECT_NEAR(r.Number(), c.result, 1e-9) << c.name;
  }
}

TEST(LFit, GaussJordanSolvesWithFullPivoting) {
  // A system whose first pivot is zero: only pivoting solves it.
  std::vector<double> c = {0, 2, 1, 1, 1, 1, 4, -1, 2};
  std::vector<double> b = {5, 6, 8};
  std::vector<double> c0 = c, b0 = b;
  ASSERT_TRUE(TernioParser::GaussJordan(c, b, 3));
  for (int i = 0; i < 3; ++i) {
    double s = 0;
    for (int j = 0; j < 3; ++j) s += c0[i * 3 + j] * b[j];
    EXPECT_NEAR(s, b0[i], 1e-12) << i;
  }
  std::vector<double> singular = {1, 2, 2, 4}, rhs = {1, 2};
  EXPECT_FALSE(TernioParser::GaussJordan(singular, rhs, 2));
}

// fit's results are relied on by stored macros to the last bit: a table of
// fits through the block program and point by point, with the parameters,
// the chi-square and the result the engine has always given, compared as
// doubles with ==.
TEST(FitFunction, ResultsKeepEveryBit) {
  struct Case {
    const char* name;
    std::string data;  // fills x[], y[] and p[] (the start values)
    const char* model;
    const char* limits;          // minvals[];maxvals[]
    std::vector<double> expect;  // p[], then chisq, then the result
  };
  auto nist = [](const char* set, int start) {
    TNist d = LoadNist(set);
    return Fill("x", d.X) + Fill("y", d.Y) + Fill("p", d.Start[start]);
  };
  const std::string gauss =
      "for(i=0;i<10000;i+=1; x[i]=i/1000, v=abs(sin(i*12.9898)*43758.5453), "
      "y[i]=2*exp(-0.5*((x[i]-5)/1.3)^2)+0.5+0.1*(v-floor(v)-0.5)), p[0]=1, p[1]=4, p[2]=1, p[3]=0.1, ";
  const std::string help =
      "for(i=0;i<500;i+=1; x[i]=i/50, v=abs(sin(i*12.9898)*43758.5453), y[i]=3.5*(x[i]-4)^2+v-floor(v)-0.5), "
      "p[0]=1, p[1]=-1, ";
  const Case cases[] = {
      {"Gaussian",
       gauss,
       "p[0]*exp(-0.5*((t-p[1])/p[2])^2)+p[3]",
       "0;0",
       {1.9995219953840819, 4.9999602651126871, 1.2996778277477159, 0.50021866795173076, 8.1838809175456504, -1}},
      {"Gaussian, limits",
       gauss + "lo[0]=0, lo[1]=0, lo[2]=0.1, lo[3]=0.2, hi[0]=1.8, hi[1]=10, hi[2]=5, hi[3]=1, ",
       "p[0]*exp(-0.5*((t-p[1])/p[2])^2)+p[3]",
       "lo[];hi[]",
       {1.8, 4.9991155923949062, 1.3185996559089928, 0.55396392698575869, 57.33528008071896, -1}},
      {"help example",
       help,
       "p[0]*(t-p[1])^2",
       "0;0",
       {3.5001876624875949, 4.0007555473261593, 39.848454711026335, -1}},
      {"help example, point by point",
       "define(sq(u); u*u), " + help,
       "p[0]*sq(t-p[1])",
       "0;0",
       {3.5001876624875949, 4.0007555473261593, 39.848454711026335, -1}},
      // A variable holding a text: the block passes give way to the points.
      {"text variable",
       "k='0.5', for(i=0;i<150;i+=1; x[i]=i/30-2, y[i]=1.5*exp(-0.7*x[i]^2)+0.1*sin(7*i)), p[0]=1, p[1]=0.5, ",
       "p[0]*exp(-p[1]*t^2)+k",
       "0;0",
       {1.065920919096268, 1.6217796457601343, 11.299836922646376, -1}},
      {"Misra1a 1",
       nist("Misra1a", 0),
       "p[0]*(1-exp(-p[1]*t))",
       "0;0",
       {238.94186363345926, 0.00055015714766779662, 0.12455138904521428, -1}},
      {"Chwirut2 2",
       nist("Chwirut2", 1),
       "exp(-p[0]*t)/(p[1]+p[2]*t)",
       "0;0",
       {0.1665779650867312, 0.0051653504631089548, 0.012149953975246236, 513.04802941874664, -1}},
      {"DanWood 1",
       nist("DanWood", 0),
       "p[0]*t^p[1]",
       "0;0",
       {0.76886917348274531, 3.8603862466211156, 0.0043173085637727843, -1}},
      {"Gauss1 1",
       nist("Gauss1", 0),
       "p[0]*exp(-p[1]*t)+p[2]*exp(0-(t-p[3])^2/p[4]^2)+p[5]*exp(0-(t-p[6])^2/p[7]^2)",
       "0;0",
       {98.77811273559368,
        0.010497233397424737,
        100.48982548198471,
        67.481103292364764,
        23.129750005144793,
        71.994401049067179,
        178.99805663722378,
        18.389371652406503,
        1315.8222440647364,
        -1}},
      {"MGH09 1",
       nist("MGH09", 0),
       "p[0]*(t^2+t*p[1])/(t^2+t*p[2]+p[3])",
       "0;0",
       {0.46863721934800551, 78.387903116689287, 162.09251452998654, 63.882252988419211, 0.0019132853019676185, -1}},
      {"Thurber 2",
       nist("Thurber", 1),
       "(p[0]+p[1]*t+p[2]*t^2+p[3]*t^3)/(1+p[4]*t+p[5]*t^2+p[6]*t^3)",
       "0;0",
       {1288.1417948309627,
        1490.6256441814844,
        582.90335268411047,
        75.352095026386536,
        0.96592168602078821,
        0.39778861274467364,
        0.04967324290510846,
        5642.7412888865329,
        -1}},
      {"Lanczos3 1",
       nist("Lanczos3", 0),
       "p[0]*exp(-p[1]*t)+p[2]*exp(-p[3]*t)+p[4]*exp(-p[5]*t)",
       "0;0",
       {0.19622677398631316,
        1.362359831612473,
        1.3116391040069699,
        3.6714876103633598,
        1.0055711075418801,
        5.3568796292851957,
        4.8391432604084269e-08,
        -1}},
  };
  for (const Case& c : cases) {
    OstraTest::TCalculator calc;
    auto r = calc.Run(c.data + "r=fit(x[];y[];p[];t;" + c.model + ";" + c.limits + ";chi), q[0]=chi, q[1]=r");
    ASSERT_FALSE(r.Error) << c.name << ": " << r.Message;
    std::vector<double> got = OstraTest::ArrayOf(calc, "p"), q = OstraTest::ArrayOf(calc, "q");
    got.insert(got.end(), q.begin(), q.end());
    std::string printed;
    for (double v : got) printed += Num(v) + ", ";
    EXPECT_EQ(got, c.expect) << c.name << ": {" << printed << "}";
  }
}
