// Repainting a plot panel with one large curve, as the window does on every
// paint: the mapping of the points to pixel columns alone, and the whole
// picture (labels, grid, curve) at 800 x 600 pixels. Runs without a display.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "output/qt/PlotPainter.h"

using namespace TernioParser;

namespace {

TPlotPanel NoisySine(size_t n) {
  std::mt19937 random(1);
  std::uniform_real_distribution<double> noise(-0.25, 0.25);
  TPlotPanel panel;
  auto c = std::make_unique<TGraphicFunc>();
  c->X.resize(n);
  c->Y.resize(n);
  for (size_t i = 0; i < n; ++i) {
    c->X[i] = static_cast<double>(i);
    c->Y[i] = std::sin(i * 20.0 / n) + noise(random);
  }
  c->Colour = CurveColours[0];
  panel.Curves.push_back(std::move(c));
  panel.RecomputeIntervals();
  return panel;
}

void BM_CurvePixels(benchmark::State& state) {
  const TPlotPanel panel = NoisySine(static_cast<size_t>(state.range(0)));
  Ostra::TQtPlotCanvas measure(nullptr, 96);
  TPlotLayout layout;
  layout.Update(panel, 800, 600, measure);
  std::vector<TPixel> pixels;
  for (auto _ : state) {
    CurvePixels(*panel.Curves[0], layout, true, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["pixels"] = static_cast<double>(pixels.size());
}

void BM_Repaint(benchmark::State& state) {
  const TPlotPanel panel = NoisySine(static_cast<size_t>(state.range(0)));
  QImage image(800, 600, QImage::Format_RGB32);
  ReduceCurves = state.range(1) != 0;
  for (auto _ : state) {
    QPainter p(&image);
    Ostra::PaintPlot(p, panel, 800, 600);
  }
  ReduceCurves = true;
}

// The picture without the curve: labels, frame and grid.
void BM_RepaintAxesOnly(benchmark::State& state) {
  TPlotPanel panel = NoisySine(1000);
  panel.Curves[0]->X.clear();
  panel.Curves[0]->Y.clear();
  QImage image(800, 600, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&image);
    Ostra::PaintPlot(p, panel, 800, 600);
  }
}

BENCHMARK(BM_RepaintAxesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurvePixels)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint)->Args({1000000, 1})->Args({10000000, 1})->Args({1000000, 0})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
