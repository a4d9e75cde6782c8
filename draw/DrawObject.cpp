#include "draw/DrawObject.h"

#include <algorithm>
#include <functional>
#include <string>

namespace penvo {

namespace {

// Mixes a value into a running hash (FNV-1a over its bytes' worth).
std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
  h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h * 0x100000001B3ull;
}

}  // namespace

std::uint64_t TDrawingObject::Fingerprint() const {
  std::uint64_t h = std::hash<std::string>{}(ClassName());
  for (std::uint64_t v :
       {std::uint64_t(std::uint32_t(Pen.Color)), std::uint64_t(std::uint32_t(Pen.Width)),
        std::uint64_t(Pen.Style), std::uint64_t(std::uint32_t(Pen.Mode)), std::uint64_t(Filled)})
    h = Mix(h, v);
  return h;
}

// TFreeLine

void TFreeLine::StartDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) {
  ClearPoints();  // a line started again begins afresh
  Canvas.SetPen(Pen);
  Canvas.MoveTo(X, Y);
  FPoints.push_back({X, Y});
}

void TFreeLine::MoveDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) {
  // The canvas keeps the pen StartDraw gave it: a changed pen shows at the next Draw.
  Canvas.LineTo(X, Y);
  FPoints.push_back({X, Y});
}

void TFreeLine::Draw(TCanvas& Canvas) {
  if (FPoints.empty()) return;
  Canvas.SetPen(Pen);
  Canvas.MoveTo(FPoints.front().X, FPoints.front().Y);
  for (std::size_t i = 1; i < FPoints.size(); ++i) Canvas.LineTo(FPoints[i].X, FPoints[i].Y);
}

std::uint64_t TFreeLine::Fingerprint() const {
  // Points are only ever added at the end, or all cleared: the count and the last tell.
  std::uint64_t h = Mix(TDrawingObject::Fingerprint(), FPoints.size());
  if (!FPoints.empty())
    h = Mix(h, (std::uint64_t(std::uint32_t(FPoints.back().X)) << 32) |
                   std::uint32_t(FPoints.back().Y));
  return h;
}

void TFreeLine::ClearPoints() {
  FPoints.clear();
  FPoints.shrink_to_fit();
}

// TDrawingObjects

void TDrawingObjects::Draw(TCanvas& Canvas) {
  for (const auto& obj : FItems) obj->Draw(Canvas);
}

void TDrawingObjects::Add(std::unique_ptr<TDrawingObject> Obj) {
  if (Obj) FItems.push_back(std::move(Obj));
}

void TDrawingObjects::FreeAll() {
  for (auto& obj : FItems) obj.reset();  // the first first
  FItems.clear();
}

TDrawingObject* TDrawingObjects::Last() const {
  return FItems.empty() ? nullptr : FItems.back().get();
}

std::unique_ptr<TDrawingObject> TDrawingObjects::PopLast() {
  if (FItems.empty()) return nullptr;
  std::unique_ptr<TDrawingObject> last = std::move(FItems.back());
  FItems.pop_back();
  return last;
}

bool TDrawingObjects::Holds(const TDrawingObject* Obj) const {
  return std::any_of(FItems.begin(), FItems.end(), [Obj](const auto& p) { return p.get() == Obj; });
}

// TExampleObjects

namespace {

// Upper case for the letters a to z only.
std::string UpperAZ(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

std::unique_ptr<TDrawingObject> TExampleObjects::NewObject(const std::string& Name) const {
  const std::string wanted = UpperAZ(Name);
  for (int i = 0; i < Count(); ++i)
    if (UpperAZ(NameOf(i)) == wanted) return Items(i)->NewInstance();
  return nullptr;
}

std::string TExampleObjects::NameOf(int Index) const {
  if (Index < 0 || Index >= Count()) return {};
  return Items(Index)->ClassName().substr(1, 100);
}

void TExampleObjects::GetNames(std::vector<std::string>& Strings) const {
  for (int i = 0; i < Count(); ++i) Strings.push_back(NameOf(i));
}

// TDragObject: the outline is drawn in mode 15 (NOT XOR), so drawing it again wipes it off.

void TDragObject::PrepareCanvas(TCanvas& Canvas) {
  Canvas.SetPen(Pen);
  if (Dragging) Canvas.Pen().Mode = pmNotXor;
  if (Filled) {
    Canvas.Brush().Color = Pen.Color;
    Canvas.Brush().Style = TBrushStyle::bsSolid;
  } else {
    Canvas.Brush().Style = TBrushStyle::bsClear;
  }
}

void TDragObject::Restyle(TCanvas& Canvas) {
  if (Dragging) DrawShape(Canvas);  // the canvas still holds the old pen: this wipes the outline
  PrepareCanvas(Canvas);
  if (Dragging) DrawShape(Canvas);
}

void TDragObject::StartDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) {
  Dragging = true;
  PrepareCanvas(Canvas);
  X1 = X2 = X;
  Y1 = Y2 = Y;
  DrawShape(Canvas);
}

void TDragObject::MoveDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) {
  DrawShape(Canvas);
  X2 = X;
  Y2 = Y;
  DrawShape(Canvas);
}

void TDragObject::EndDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) {
  DrawShape(Canvas);
  Dragging = false;
  X2 = X;
  Y2 = Y;
  Draw(Canvas);
}

void TDragObject::Draw(TCanvas& Canvas) {
  PrepareCanvas(Canvas);
  DrawShape(Canvas);
}

void TDragObject::CancelDraw(TCanvas& Canvas) {
  if (!Dragging) return;
  // The outline's pen follows every restyle, so drawing it once more wipes it.
  PrepareCanvas(Canvas);
  DrawShape(Canvas);
  Dragging = false;
}

std::uint64_t TDragObject::Fingerprint() const {
  std::uint64_t h = TDrawingObject::Fingerprint();
  for (std::int32_t v : {X1, Y1, X2, Y2, std::int32_t(Dragging)}) h = Mix(h, std::uint32_t(v));
  return h;
}

void TLine::DrawShape(TCanvas& Canvas) {
  Canvas.MoveTo(X1, Y1);
  Canvas.LineTo(X2, Y2);
}

void TRectangle::DrawShape(TCanvas& Canvas) {
  Canvas.Rectangle(X1, Y1, X2, Y2);
}

void TEllipse::DrawShape(TCanvas& Canvas) {
  Canvas.Ellipse(X1, Y1, X2, Y2);
}

// TDrawingCache

void TDrawingCache::Draw(TDrawingObjects& List, TCanvas& Canvas) {
  const TPixels pixels = Canvas.Pixels();
  if (!pixels.Bits) {
    List.Draw(Canvas);  // a canvas without pixels (a recorder, a layer canvas): as it is
    return;
  }
  const int count = List.Count();
  int same = 0;
  const int known = static_cast<int>(FPrints.size());
  while (same < count && same < known && FPrints[same] == List.Items(same)->Fingerprint()) ++same;
  const bool sized = FLayers.Width() == pixels.Width && FLayers.Height() == pixels.Height;
  if (sized && same == known) {
    Append(List, same);  // only new objects at the end
  } else if (sized && FHasBeforeLast && same == known - 1) {
    // The last object went (an undo) or changed (new options): the layers without it are at
    // hand.
    std::swap(FLayers, FBeforeLast);
    FHasBeforeLast = false;
    FPrints.pop_back();
    Append(List, same);
  } else {
    Rebuild(List, pixels.Width, pixels.Height);
  }
  FLayers.ApplyTo(pixels);
  if (Canvas.OnChange) Canvas.OnChange({0, 0, pixels.Width, pixels.Height});
}

void TDrawingCache::Rebuild(const TDrawingObjects& List, int Width, int Height) {
  FLayers.Reset(Width, Height);
  FPrints.clear();
  FHasBeforeLast = false;
  Append(List, 0);
}

void TDrawingCache::Append(const TDrawingObjects& List, int From) {
  TCanvas layers;
  layers.SetLayers(&FLayers);
  for (int i = From; i < List.Count(); ++i) {
    if (i == List.Count() - 1) {
      FBeforeLast = FLayers;
      FHasBeforeLast = true;
    }
    List.Items(i)->Draw(layers);
    FPrints.push_back(List.Items(i)->Fingerprint());
  }
}

// The registry

TExampleObjects* ExampleObjects = nullptr;

namespace {
std::unique_ptr<TExampleObjects>& OwnedExamples() {
  static std::unique_ptr<TExampleObjects> examples;
  return examples;
}
}  // namespace

void CreateExampleObjects() {
  if (ExampleObjects) return;
  OwnedExamples() = std::make_unique<TExampleObjects>();
  ExampleObjects = OwnedExamples().get();
  ExampleObjects->Add(std::make_unique<TFreeLine>());
  ExampleObjects->Add(std::make_unique<TLine>());
  ExampleObjects->Add(std::make_unique<TRectangle>());
  ExampleObjects->Add(std::make_unique<TEllipse>());
}

void DestroyExampleObjects() {
  ExampleObjects = nullptr;
  OwnedExamples().reset();
}

}  // namespace penvo
