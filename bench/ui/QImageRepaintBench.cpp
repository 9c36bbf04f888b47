// The same repaint through QPainter into a 700 × 200 QImage: decimation plus
// the real drawing of the screen.
#include "PlotCore.h"
#include "QtPainter.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

namespace {

void WaveformPlotRepaintQImage(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  static const std::vector<double> samples = [] {
    std::vector<double> v(3000000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = 4.0 * std::sin(i * 0.01) + ((i * 2654435761u) % 1000) / 1000.0;
    return v;
  }();
  kr70::plot::WaveformView view;
  view.samples = samples.data();
  view.count = static_cast<uint32_t>(samples.size());
  view.samplingFrequency = 50000;
  view.zoom = zoom;
  view.firstSample = zoom == 1 ? 0 : static_cast<int64_t>(samples.size()) * 500 / 1000;
  view.selectionStart = 1000;
  view.selectionLength = 100000;
  const double tick = samples.size() / 50000.0 / zoom * 1000.0 / 10.0;
  QImage image(700, 200, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    kr70::QtPainter adapter(painter);
    kr70::plot::drawWaveformPlot(adapter, 700, 200, view, tick);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(WaveformPlotRepaintQImage)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
