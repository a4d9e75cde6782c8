// Drawing objects: everything the user draws, the lists that hold them, and the registry of
// drawable kinds from which the drawing surface makes a new object by kind name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace penvo {

// A drawable: its own pen, whether it is filled, and the gesture and drawing protocol.
class TDrawingObject {
 public:
  TPen Pen;  // black, 1 pixel, solid, pmCopy for a new object
  bool Filled = false;

  TDrawingObject() = default;
  virtual ~TDrawingObject() = default;
  TDrawingObject(const TDrawingObject&) = delete;
  TDrawingObject& operator=(const TDrawingObject&) = delete;

  // The class name, such as "TFreeLine"; a kind's name is this without its first letter.
  virtual std::string ClassName() const = 0;
  // A fresh object of this object's class, in the class's initial state (the virtual
  // constructor).
  virtual std::unique_ptr<TDrawingObject> NewInstance() const = 0;

  // Sets the canvas's pen and brush for drawing this object.
  virtual void PrepareCanvas(TCanvas&) {}
  // Draws the bare figure with the canvas as it stands.
  virtual void DrawShape(TCanvas&) {}
  // After Pen or Filled changed from outside: brings what the object shows in line.
  virtual void Restyle(TCanvas&) {}
  // The gesture: starts at the press point, moves, ends at the release point.
  virtual void StartDraw(TCanvas&, std::int32_t, std::int32_t) {}
  virtual void MoveDraw(TCanvas&, std::int32_t, std::int32_t) {}
  virtual void EndDraw(TCanvas&, std::int32_t, std::int32_t) {}
  // Draws the finished object completely, setting the canvas up itself; during its gesture,
  // what the gesture shows so far.
  virtual void Draw(TCanvas&) {}
  // The gesture is dropped: takes off the screen what only the gesture showed (an outline).
  virtual void CancelDraw(TCanvas&) {}
  // A value that changes whenever what Draw shows changes (pen, fill, points, corners).
  virtual std::uint64_t Fingerprint() const;
};

// One point of a free-hand line (8 bytes: a long stroke stays compact).
struct TPointObj {
  std::int32_t X, Y;
};

// A free-hand line through the points the mouse reached.
class TFreeLine : public TDrawingObject {
 public:
  std::string ClassName() const override { return "TFreeLine"; }
  std::unique_ptr<TDrawingObject> NewInstance() const override {
    return std::make_unique<TFreeLine>();
  }
  void StartDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) override;
  void MoveDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) override;
  // The release point is not added; the points settle to their final size (8 bytes each).
  void EndDraw(TCanvas&, std::int32_t, std::int32_t) override { FPoints.shrink_to_fit(); }
  void Draw(TCanvas& Canvas) override;
  // Forgets every point.
  void ClearPoints();
  std::uint64_t Fingerprint() const override;

  const std::vector<TPointObj>& Points() const { return FPoints; }

 private:
  std::vector<TPointObj> FPoints;
};

// An ordered list of drawing objects that owns them and is itself drawable.
class TDrawingObjects : public TDrawingObject {
 public:
  std::string ClassName() const override { return "TDrawingObjects"; }
  std::unique_ptr<TDrawingObject> NewInstance() const override {
    return std::make_unique<TDrawingObjects>();
  }
  // Draws every object, the first first.
  void Draw(TCanvas& Canvas) override;
  // Appends Obj; nothing for none. The list owns it from now on.
  virtual void Add(std::unique_ptr<TDrawingObject> Obj);
  // Destroys every object, the first first, and empties the list.
  void FreeAll();
  // The last object, or nullptr; the list stays as it is.
  TDrawingObject* Last() const;
  // Takes the last object out and hands it over (nullptr when empty).
  std::unique_ptr<TDrawingObject> PopLast();
  int Count() const { return static_cast<int>(FItems.size()); }
  TDrawingObject* Items(int Index) const { return FItems[static_cast<std::size_t>(Index)].get(); }
  // Whether Obj is held here.
  bool Holds(const TDrawingObject* Obj) const;

  ~TDrawingObjects() override { FreeAll(); }

 private:
  std::vector<std::unique_ptr<TDrawingObject>> FItems;
};

// The registry of drawable kinds: one example of each drawable class.
class TExampleObjects : public TDrawingObjects {
 public:
  std::string ClassName() const override { return "TExampleObjects"; }
  std::unique_ptr<TDrawingObject> NewInstance() const override {
    return std::make_unique<TExampleObjects>();
  }
  virtual int Count() const { return TDrawingObjects::Count(); }
  // A new object of the kind named Name (letter case ignored), or nullptr.
  virtual std::unique_ptr<TDrawingObject> NewObject(const std::string& Name) const;
  // The kind name of the example at Index: its class name without the first letter, at most
  // 100 characters; empty outside the list.
  virtual std::string NameOf(int Index) const;
  // Appends every kind name to Strings.
  virtual void GetNames(std::vector<std::string>& Strings) const;
};

// A shape given by two corners that follows the mouse as a mode-15 outline.
class TDragObject : public TDrawingObject {
 public:
  std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  bool Dragging = false;

  void PrepareCanvas(TCanvas& Canvas) override;
  void Restyle(TCanvas& Canvas) override;
  void StartDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) override;
  void MoveDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) override;
  void EndDraw(TCanvas& Canvas, std::int32_t X, std::int32_t Y) override;
  void Draw(TCanvas& Canvas) override;
  void CancelDraw(TCanvas& Canvas) override;
  std::uint64_t Fingerprint() const override;
};

class TLine : public TDragObject {
 public:
  std::string ClassName() const override { return "TLine"; }
  std::unique_ptr<TDrawingObject> NewInstance() const override { return std::make_unique<TLine>(); }
  void DrawShape(TCanvas& Canvas) override;
};

class TRectangle : public TDragObject {
 public:
  std::string ClassName() const override { return "TRectangle"; }
  std::unique_ptr<TDrawingObject> NewInstance() const override {
    return std::make_unique<TRectangle>();
  }
  void DrawShape(TCanvas& Canvas) override;
};

class TEllipse : public TDragObject {
 public:
  std::string ClassName() const override { return "TEllipse"; }
  std::unique_ptr<TDrawingObject> NewInstance() const override {
    return std::make_unique<TEllipse>();
  }
  void DrawShape(TCanvas& Canvas) override;
};

// Draws a list of drawing objects again and again, fast: what the list does to each pixel is
// kept as raster layers and brought up to date as objects come and go, so drawing the whole list
// over a new picture costs one pass over the pixels. The pixels come out exactly as the list's
// own Draw makes them.
class TDrawingCache {
 public:
  // Draws List on Canvas, as List.Draw(Canvas) would.
  void Draw(TDrawingObjects& List, TCanvas& Canvas);

 private:
  void Rebuild(const TDrawingObjects& List, int Width, int Height);
  void Append(const TDrawingObjects& List, int From);

  TRasterLayers FLayers;
  TRasterLayers FBeforeLast;  // the layers without the last object, to undo it at once
  bool FHasBeforeLast = false;
  std::vector<std::uint64_t> FPrints;  // the fingerprints of the objects in FLayers
};

// The program's registry of drawable kinds: created at start before any window (holding a
// free-hand line, a line, a rectangle and an ellipse), destroyed at the very end.
extern TExampleObjects* ExampleObjects;
void CreateExampleObjects();
void DestroyExampleObjects();

}  // namespace penvo
