// RefreshScreen of a full drawing: 1000 free-hand lines of 200 points each at width 20, in
// mode 12 and in mode 15, until the screen shows them all; beside it the same refresh of an
// empty drawing. Needs an X display with a window manager (run it under Xvfb with openbox).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <random>

#include "app/PenvoForm.h"
#include "draw/DrawObject.h"
#include "options/OptionsForm.h"
#include "settings/IniReadOrder.h"

namespace {

using namespace penvo;

// 1000 lines, each a random walk of 200 points with steps of a few pixels.
void Populate(TDrawingObjects& list, int mode) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> startX(0, 1800), startY(0, 1000), walk(-6, 6);
  for (int l = 0; l < 1000; ++l) {
    auto line = std::make_unique<TFreeLine>();
    line->Pen = {clYellow, 20, TPenStyle::psSolid, mode};
    TCanvas nowhere;  // no pixels: only the points are made
    int x = startX(rng), y = startY(rng);
    line->StartDraw(nowhere, x, y);
    for (int p = 1; p < 200; ++p) line->MoveDraw(nowhere, x += walk(rng), y += walk(rng));
    line->EndDraw(nowhere, x, y);
    line->Pen = {clYellow, 20, TPenStyle::psSolid, mode};
    list.Add(std::move(line));
  }
}

// What the benchmark does with the overlay showing the lines: a refresh, an undo or a redo.
enum class Step { Refresh, Undo, Redo };

void Refresh(benchmark::State& state, int mode, bool empty, Step step = Step::Refresh) {
  if (!qApp || QGuiApplication::platformName() != "xcb") {
    state.SkipWithError("needs an X display with a window manager");
    return;
  }
  FormPenvo = Application()->CreateForm<TFormPenvo>();
  FormOptions = Application()->CreateForm<TFormOptions>();
  FormPenvo->Show();
  if (!empty) Populate(*FormPenvo->DrawnObjects, mode);
  // The first refresh after the lines were drawn builds what later refreshes reuse; the
  // benchmark measures the refreshes a user asks for again and again (Space, undo, redo).
  FormPenvo->RefreshScreen();
  const auto onScreen = [] {
    QCoreApplication::processEvents();  // the repaint reaches the window system
    QGuiApplication::sync();            // and the X server has drawn it
  };
  for (auto _ : state) {
    if (step == Step::Redo) {
      state.PauseTiming();
      FormPenvo->Undo();
      onScreen();
      state.ResumeTiming();
    }
    if (step == Step::Undo) FormPenvo->Undo();
    else if (step == Step::Redo) FormPenvo->Redo();
    else FormPenvo->RefreshScreen();
    onScreen();
    if (step == Step::Undo) {
      state.PauseTiming();
      FormPenvo->Redo();
      onScreen();
      state.ResumeTiming();
    }
  }
  Application()->DestroyForms();
  FormPenvo = nullptr;
  FormOptions = nullptr;
}

void BM_RefreshEmpty(benchmark::State& state) {
  Refresh(state, pmMask, true);
}
void BM_Refresh1000LinesMode12(benchmark::State& state) {
  Refresh(state, pmMask, false);
}
void BM_Refresh1000LinesMode15(benchmark::State& state) {
  Refresh(state, pmNotXor, false);
}
BENCHMARK(BM_RefreshEmpty)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Refresh1000LinesMode12)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Refresh1000LinesMode15)->Unit(benchmark::kMillisecond)->UseRealTime();
// Undo and redo of the last of the 1000 lines: each shows the desktop afresh with the others.
void BM_Undo1000LinesMode12(benchmark::State& state) {
  Refresh(state, pmMask, false, Step::Undo);
}
void BM_Redo1000LinesMode12(benchmark::State& state) {
  Refresh(state, pmMask, false, Step::Redo);
}
BENCHMARK(BM_Undo1000LinesMode12)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Redo1000LinesMode12)->Unit(benchmark::kMillisecond)->UseRealTime();

// Drawing the same lines on a surface alone, without the window system.
void BM_Draw1000LinesMode12(benchmark::State& state) {
  TDrawingObjects list;
  Populate(list, static_cast<int>(state.range(0)));
  std::vector<std::uint32_t> bits(1920 * 1080, 0xFFFFFFFF);
  TCanvas canvas;
  canvas.SetPixels({bits.data(), 1920, 1080, 1920});
  for (auto _ : state) list.Draw(canvas);
}
BENCHMARK(BM_Draw1000LinesMode12)->Arg(pmMask)->Arg(pmNotXor)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The options window's settings go to a directory of the benchmark's own.
  char dir[] = "/tmp/penvo-bench-XXXXXX";
  if (!std::getenv("QINI_REGISTRY_DIR") && mkdtemp(dir)) setenv("QINI_REGISTRY_DIR", dir, 1);
  CreateExampleObjects();
  CreateGlobalReadOrder();
  std::unique_ptr<TApplication> app;
  if (std::getenv("DISPLAY")) app = std::make_unique<TApplication>(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  app.reset();
  DestroyGlobalReadOrder();
  DestroyExampleObjects();
  return 0;
}
