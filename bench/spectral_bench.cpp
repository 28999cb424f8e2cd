// Timings of the transform kernel against FFTW, of fit on the help example
// and of the Savitzky-Golay filter. bench/spectral_compare.py runs this and
// SciPy on the same data and prints the ratios.

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/Parser.h"
#include "workbench/Libraries.h"
#include "functions/Fitting.h"
#include "functions/Spectral.h"

using namespace TernioParser;

namespace {

std::vector<double> RandomData(size_t n) {
  std::mt19937_64 gen(42);
  std::uniform_real_distribution<double> dist(-1, 1);
  std::vector<double> v(n);
  for (double& x : v) x = dist(gen);
  return v;
}

// ---- transforms: the real-data transform of fft against FFTW's r2c, the
// complex kernel against FFTW's c2c, both with plans made in estimate mode.

void BM_OstraRealTransform(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  std::vector<double> in = RandomData(n), work(n);
  for (auto _ : state) {
    std::memcpy(work.data(), in.data(), n * sizeof(double));
    Spectral::RealTransform(work.data(), n, 1);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FFTWRealTransform(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  std::vector<double> in = RandomData(n);
  double* src = fftw_alloc_real(n);
  fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), src, out, FFTW_ESTIMATE);
  for (auto _ : state) {
    std::memcpy(src, in.data(), n * sizeof(double));
    fftw_execute(plan);
    benchmark::DoNotOptimize(out);
  }
  fftw_destroy_plan(plan);
  fftw_free(src);
  fftw_free(out);
  state.SetItemsProcessed(state.iterations());
}

void BM_OstraComplexTransform(benchmark::State& state) {
  const size_t m = static_cast<size_t>(state.range(0));
  std::vector<double> in = RandomData(2 * m), work(2 * m);
  for (auto _ : state) {
    std::memcpy(work.data(), in.data(), 2 * m * sizeof(double));
    Spectral::ComplexTransform(work.data(), m, 1);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FFTWComplexTransform(benchmark::State& state) {
  const size_t m = static_cast<size_t>(state.range(0));
  std::vector<double> in = RandomData(2 * m);
  fftw_complex* buf = fftw_alloc_complex(m);
  fftw_plan plan = fftw_plan_dft_1d(static_cast<int>(m), buf, buf, FFTW_BACKWARD, FFTW_ESTIMATE);
  for (auto _ : state) {
    std::memcpy(buf, in.data(), 2 * m * sizeof(double));
    fftw_execute(plan);
    benchmark::DoNotOptimize(buf);
  }
  fftw_destroy_plan(plan);
  fftw_free(buf);
  state.SetItemsProcessed(state.iterations());
}

// ---- fit: the help example, 500 points of 3.5*(x-4)^2 with a noise both
// this program and spectral_compare.py compute the same way.

double Noise(int i) {
  double v = std::fabs(std::sin(i * 12.9898) * 43758.5453);
  return v - std::floor(v) - 0.5;
}

struct THelpData {
  std::vector<double> X, Y;
  THelpData() {
    for (int i = 0; i < 500; ++i) {
      X.push_back(i / 50.0);
      Y.push_back(3.5 * (X.back() - 4) * (X.back() - 4) + Noise(i));
    }
  }
};

const THelpData& HelpData() {
  static THelpData data;
  return data;
}

std::string Fill(const std::string& name, const std::vector<double>& v) {
  std::string s;
  char buf[64];
  for (size_t i = 0; i < v.size(); ++i) {
    snprintf(buf, sizeof buf, "%s[%zu]=%.17g, ", name.c_str(), i, v[i]);
    s += buf;
  }
  return s;
}

// fit through the engine, the way a user runs it: every model value is an
// evaluation of the expression tree.
void BM_FitHelpExampleEngine(benchmark::State& state) {
  TVarHandler::TGlobalList globals;
  TCommParser setup(&globals, StandardLayers()), run(&globals, StandardLayers());
  const THelpData& d = HelpData();
  setup.SetText(Fill("$x", d.X) + Fill("$y", d.Y) + "0");
  run.SetText("p[0]=1, p[1]=-1, r=fit($x[];$y[];p[];xx;p[0]*(xx-p[1])^2;0;0;chi), p[0]");
  if (!setup.Parse(nullptr) || !run.Parse(nullptr)) {
    state.SkipWithError("parse failed");
    return;
  }
  TCalcInfo ci;
  setup.Prepare();
  setup.Evaluate(ci);
  run.Prepare();
  double p0 = 0;
  for (auto _ : state) {
    ci.Reset();
    p0 = run.Evaluate(ci).AsNumber();
  }
  if (ci.Error || std::fabs(p0 - 3.5) > 0.05) state.SkipWithError("fit did not converge");

  // The same fit with a compiled model gives the evaluation count (the
  // iteration path is identical: the model values are the same doubles).
  struct TModel {
    const double* A;
    static double F(double x, void* user) {
      const double* a = static_cast<TModel*>(user)->A;
      return a[0] * std::pow(x - a[1], 2);
    }
  };
  std::vector<double> a = {1, -1};
  std::vector<TFitParameter> limits(2);
  TModel model{a.data()};
  Marquardt engine(d.X.data(), d.Y.data(), 500, limits, a.data(), TModel::F, &model);
  engine.Run();
  state.counters["evaluations"] = static_cast<double>(engine.Evaluations());
  state.counters["iterations"] = engine.Iterations();
  state.counters["evals_per_s"] =
      benchmark::Counter(static_cast<double>(engine.Evaluations()) * state.iterations(), benchmark::Counter::kIsRate);
}

// The same fit with the model compiled: what the engine's tree evaluation costs.
void BM_FitHelpExampleCompiled(benchmark::State& state) {
  const THelpData& d = HelpData();
  struct TModel {
    const double* A;
    static double F(double x, void* user) {
      const double* a = static_cast<TModel*>(user)->A;
      return a[0] * std::pow(x - a[1], 2);
    }
  };
  std::vector<TFitParameter> limits(2);
  for (auto _ : state) {
    std::vector<double> a = {1, -1};
    TModel model{a.data()};
    Marquardt engine(d.X.data(), d.Y.data(), 500, limits, a.data(), TModel::F, &model);
    engine.Run();
    benchmark::DoNotOptimize(a.data());
  }
}

// ---- Savitzky-Golay: 10^6 points, f = 32, order 2, as sgfilter does it.

void BM_SGFilter(benchmark::State& state) {
  const size_t n = 1000000;
  const int32_t f = static_cast<int32_t>(state.range(0));
  std::vector<double> in = RandomData(n), data(n);
  for (auto _ : state) {
    std::memcpy(data.data(), in.data(), n * sizeof(double));
    std::vector<double> c;
    Spectral::SavitzkyGolayCoefficients(f, 2, 0, c);
    Spectral::ConvolveDirect(data.data(), n - 2 * f, c.data(), f, data.data());
    benchmark::DoNotOptimize(data.data());
  }
}

// The transform path of sgfilter (used for half widths above 64), on the
// same data, for the choice of the crossover.
void BM_SGFilterTransform(benchmark::State& state) {
  const size_t n = 1000000;
  const int32_t f = static_cast<int32_t>(state.range(0));
  std::vector<double> in = RandomData(n), data(n), work, kernel;
  const size_t p = 2 * Spectral::PowerOfTwoAtLeast(n + 2 * f + 1, size_t(1) << 30);
  for (auto _ : state) {
    std::memcpy(data.data(), in.data(), n * sizeof(double));
    std::vector<double> c;
    Spectral::SavitzkyGolayCoefficients(f, 2, 0, c);
    Spectral::ConvolveTransform(data.data(), n - 2 * f, c.data(), f, data.data(), p, work, kernel);
    benchmark::DoNotOptimize(data.data());
  }
}

}  // namespace

BENCHMARK(BM_OstraRealTransform)->RangeMultiplier(2)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FFTWRealTransform)->RangeMultiplier(2)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OstraComplexTransform)->RangeMultiplier(2)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FFTWComplexTransform)->RangeMultiplier(2)->Range(1 << 10, 1 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FitHelpExampleEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitHelpExampleCompiled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SGFilter)->Arg(32)->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SGFilterTransform)->Arg(32)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
