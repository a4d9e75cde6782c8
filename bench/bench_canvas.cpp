// The canvas: line segments per second on a 1920x1080 surface, and (on a display) the time to
// put a changed 64x64 rectangle on the screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "platform/qt/Bridge.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"

namespace {

using namespace penvo;

// A free-hand stroke's segments: a random walk with steps of a few pixels.
std::vector<TPoint> Walk(int count) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> step(-6, 6);
  std::vector<TPoint> points{{960, 540}};
  for (int i = 1; i < count; ++i) {
    TPoint p = points.back();
    p.X = std::clamp(p.X + step(rng), 0, 1919);
    p.Y = std::clamp(p.Y + step(rng), 0, 1079);
    points.push_back(p);
  }
  return points;
}

void BM_Segments(benchmark::State& state) {
  std::vector<std::uint32_t> bits(1920 * 1080, 0xFFFFFFFF);
  TCanvas canvas;
  canvas.SetPixels({bits.data(), 1920, 1080, 1920});
  canvas.SetPen({0x00FFFF, static_cast<int>(state.range(0)), TPenStyle::psSolid,
                 static_cast<int>(state.range(1))});
  const std::vector<TPoint> points = Walk(4096);
  std::size_t i = 0;
  canvas.MoveTo(points[0].X, points[0].Y);
  for (auto _ : state) {
    i = (i + 1) % points.size();
    canvas.LineTo(points[i].X, points[i].Y);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("segments");
}
BENCHMARK(BM_Segments)->ArgsProduct({{1, 20}, {pmCopy, pmMask}})->ArgNames({"width", "mode"});

// A change of 64x64 pixels on a shown 1920x1080 form, until the window system has it.
void BM_PutChangedRect(benchmark::State& state) {
  if (!qApp || qApp->platformName() != "xcb") {
    state.SkipWithError("needs an X display (run under Xvfb)");
    return;
  }
  class Surface : public TForm {
   public:
    using TForm::TForm;
  };
  auto* form = Application()->CreateForm<Surface>();
  form->SetBounds(0, 0, 1920, 1080);
  form->Show();
  int n = 0;
  for (auto _ : state) {
    form->Canvas().FillRect({100, 100, 164, 164}, (n++ & 1) ? clRed : clBlue);
    qt::WidgetOf(form)->repaint(100, 100, 64, 64);
    QGuiApplication::sync();  // a round trip: the X server has drawn it
  }
  Application()->DestroyForms();
}
BENCHMARK(BM_PutChangedRect)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // With a display the screen benchmark runs; without one it says so and the rest runs.
  std::unique_ptr<TApplication> app;
  if (std::getenv("DISPLAY")) app = std::make_unique<TApplication>(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
