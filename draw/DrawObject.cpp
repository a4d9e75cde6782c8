#include "draw/DrawObject.h"

#include <algorithm>

namespace penvo {

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

void TLine::DrawShape(TCanvas& Canvas) {
  Canvas.MoveTo(X1, Y1);
  Canvas.LineTo(X2, Y2);
}

void TRectangle::DrawShape(TCanvas& Canvas) { Canvas.Rectangle(X1, Y1, X2, Y2); }

void TEllipse::DrawShape(TCanvas& Canvas) { Canvas.Ellipse(X1, Y1, X2, Y2); }

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
