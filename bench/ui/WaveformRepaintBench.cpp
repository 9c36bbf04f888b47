// Repaint of one waveform plot (700 × 200 pixels) of a 3,000,000-sample
// record at zoom 1 and zoom 20 on the counting painter: the cost of the
// decimation pass alone.
#include "PlotCore.h"
#include "RecordingPainter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

const std::vector<double>& record() {
  static const std::vector<double> samples = [] {
    std::vector<double> v(3000000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = 4.0 * std::sin(i * 0.01) + ((i * 2654435761u) % 1000) / 1000.0;
    return v;
  }();
  return samples;
}

void WaveformPlotRepaint(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  const std::vector<double>& samples = record();
  kr70::plot::WaveformView view;
  view.samples = samples.data();
  view.count = static_cast<uint32_t>(samples.size());
  view.samplingFrequency = 50000;
  view.zoom = zoom;
  view.firstSample = zoom == 1 ? 0 : static_cast<int64_t>(samples.size()) * 500 / 1000;
  view.selectionStart = 1000;
  view.selectionLength = 100000;
  const double tick = samples.size() / 50000.0 / zoom * 1000.0 / 10.0;
  kr70::RecordingPainter painter(false);
  for (auto _ : state) {
    painter.clear();
    kr70::plot::drawWaveformPlot(painter, 700, 200, view, tick);
    benchmark::DoNotOptimize(painter.drawCallCount());
  }
  state.counters["calls"] = static_cast<double>(painter.drawCallCount());
}
BENCHMARK(WaveformPlotRepaint)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
