// The component model: names, owners, loading and destroying states, the loaded step, removal
// notifications and published text properties by exact name. Plain C++, no Qt: the settings
// library and its tests use it on every OS.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace penvo {

class TPersistent;

// One published property: its declared name and, for a text property, its accessors.
struct TPropInfo {
  std::string Name;
  bool IsText = false;
  std::function<std::string(const TPersistent&)> Get;
  std::function<void(TPersistent&, const std::string&)> Set;
};

// The published properties of one class: its own, then (through Base) those it inherits.
class TPropTable {
 public:
  TPropTable(const TPropTable* Base, std::vector<TPropInfo> Own);

  // The first property, own ones before inherited ones, whose name equals Name when letter case
  // is ignored; nullptr when there is none.
  const TPropInfo* FindIgnoringCase(std::string_view Name) const;

 private:
  const TPropTable* FBase;
  std::vector<TPropInfo> FOwn;
};

// A published text property with a getter and a setter (either may come from a base class).
template <class G, class S>
TPropInfo TextProp(std::string Name, std::string (G::*Get)() const,
                   void (S::*Set)(const std::string&)) {
  return {std::move(Name), true,
          [Get](const TPersistent& o) { return (static_cast<const G&>(o).*Get)(); },
          [Set](TPersistent& o, const std::string& v) { (static_cast<S&>(o).*Set)(v); }};
}

// A published property whose value is not text (a number, a flag, a sub-object, an event).
inline TPropInfo OtherProp(std::string Name) {
  return {std::move(Name), false, {}, {}};
}

// The base of everything with published properties.
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // The class name, such as "TCheckBoxIni".
  virtual std::string ClassName() const { return "TPersistent"; }
  // The published properties of the object's class.
  virtual const TPropTable& Properties() const { return ClassProperties(); }
  static const TPropTable& ClassProperties();
};

class TComponent;

// Deletes a component the way its owner would: its destruction steps first, then the memory.
struct TComponentDeleter {
  void operator()(TComponent* Component) const;
};
template <class T>
using TOwned = std::unique_ptr<T, TComponentDeleter>;

enum class TOperation { opInsert, opRemove };

// A named part of a form or program, owned by another component (or by a TOwned holder).
// An owner frees what it owns, newest first, when it is destroyed.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::string ClassName() const override { return "TComponent"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  std::string GetName() const { return FName; }
  // Renames the component; controls and persisting components hook their captions in here.
  virtual void SetName(const std::string& NewName);
  std::int32_t Tag() const { return FTag; }
  void SetTag(std::int32_t Value) { FTag = Value; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const {
    return FComponents[static_cast<std::size_t>(Index)].get();
  }
  // The owned component named Name (exact comparison), or nullptr.
  TComponent* FindComponent(std::string_view Name) const;

  bool IsLoading() const { return FLoading; }
  bool IsDesigning() const { return FDesigning; }  // there is no form designer: always false
  bool IsDestroying() const { return FDestroying; }
  virtual bool IsForm() const { return false; }
  virtual bool IsApplication() const { return false; }

  // Enters the loading state: the properties are being set from a form description.
  void SetLoading() { FLoading = true; }
  // The loaded step: the loading state ends; subclasses then act on their loaded properties.
  virtual void Loaded() { FLoading = false; }

  // Told when a component is inserted or removed; the default passes it on to every owned
  // component. Components that refer to others forget them here on removal.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Asks to be told (Notification, opRemove) when AComponent is destroyed, and vice versa.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Takes ownership of Component (made with this as its owner) and returns it.
  template <class T>
  T* InsertComponent(TOwned<T> Component) {
    T* raw = Component.get();
    InsertOwned(TOwned<TComponent>(Component.release()));
    return raw;
  }
  // Destroys Component, which this component owns.
  void FreeComponent(TComponent* Component);

  // The construction's last step, run by the factories once the object is whole: what a
  // constructor would do with virtual calls goes here, so that a subclass's overrides count.
  virtual void AfterConstruction() {}

  // The destruction steps, run once while the object is whole (the deleter calls it before it
  // frees the memory). Subclasses do their own part first and then call their base's Destroy,
  // as a destructor chain would: the owned components go last.
  virtual void Destroy();

 private:
  void InsertOwned(TOwned<TComponent> Component);
  void DestroyComponents();

  TComponent* FOwner;
  std::string FName;
  std::int32_t FTag = 0;
  bool FLoading = false;
  bool FDesigning = false;
  bool FDestroying = false;
  bool FDestroyed = false;
  std::vector<TOwned<TComponent>> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

// Makes a T owned by Owner; the owner frees it. AfterConstruction runs once it is in place.
template <class T, class... Args>
T* NewComponent(TComponent& Owner, Args&&... args) {
  T* c = Owner.InsertComponent(TOwned<T>(new T(&Owner, std::forward<Args>(args)...)));
  c->AfterConstruction();
  return c;
}

// Makes a T without an owner, held by the returned pointer; AfterConstruction has run.
template <class T, class... Args>
TOwned<T> NewRootComponent(Args&&... args) {
  TOwned<T> c(new T(nullptr, std::forward<Args>(args)...));
  c->AfterConstruction();
  return c;
}

}  // namespace penvo
