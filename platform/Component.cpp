#include "platform/Component.h"

#include <algorithm>
#include <cassert>

namespace penvo {

namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace

TPropTable::TPropTable(const TPropTable* Base, std::vector<TPropInfo> Own)
    : FBase(Base), FOwn(std::move(Own)) {}

const TPropInfo* TPropTable::FindIgnoringCase(std::string_view Name) const {
  for (const TPropTable* t = this; t; t = t->FBase)
    for (const TPropInfo& p : t->FOwn)
      if (SameText(p.Name, Name)) return &p;
  return nullptr;
}

const TPropTable& TPersistent::ClassProperties() {
  static const TPropTable table(nullptr, {});
  return table;
}

void TComponentDeleter::operator()(TComponent* Component) const {
  if (!Component) return;
  Component->Destroy();
  delete Component;
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {}

TComponent::~TComponent() {
  // Only a component freed without the deleter gets here undestroyed; do the steps now, late.
  if (!FDestroyed) TComponent::Destroy();
}

const TPropTable& TComponent::ClassProperties() {
  static const TPropTable table(
      &TPersistent::ClassProperties(),
      {TextProp("Name", &TComponent::GetName, &TComponent::SetName), OtherProp("Tag")});
  return table;
}

void TComponent::SetName(const std::string& NewName) {
  FName = NewName;
}

TComponent* TComponent::FindComponent(std::string_view Name) const {
  for (const auto& c : FComponents)
    if (!Name.empty() && c->FName == Name) return c.get();
  return nullptr;
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove) std::erase(FFreeNotifies, AComponent);
  // Newest first, as an owner removes its components; the list may shrink meanwhile.
  for (std::size_t i = FComponents.size(); i-- > 0;)
    if (i < FComponents.size()) FComponents[i]->Notification(AComponent, Operation);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
      AComponent->FFreeNotifies.end())
    AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  std::erase(FFreeNotifies, AComponent);
  std::erase(AComponent->FFreeNotifies, this);
}

void TComponent::InsertOwned(TOwned<TComponent> Component) {
  assert(Component && Component->FOwner == this);
  TComponent* raw = Component.get();
  FComponents.push_back(std::move(Component));
  Notification(raw, TOperation::opInsert);
}

void TComponent::FreeComponent(TComponent* Component) {
  const auto it = std::find_if(FComponents.begin(), FComponents.end(),
                               [&](const auto& c) { return c.get() == Component; });
  if (it == FComponents.end()) return;
  TOwned<TComponent> taken = std::move(*it);
  FComponents.erase(it);
  taken.reset();
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TOwned<TComponent> last = std::move(FComponents.back());
    FComponents.pop_back();
    last.reset();
  }
}

void TComponent::Destroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  FDestroying = true;
  // Everyone that asked is told first, while this component is still whole.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    std::erase(other->FFreeNotifies, this);
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (FOwner) {
    // The owner took this component out of its list before freeing it; it and every
    // component it owns learn of the removal.
    FOwner->Notification(this, TOperation::opRemove);
  }
}

}  // namespace penvo
