#include "util/qPropFunc.h"

#include "platform/Component.h"

namespace penvo {

namespace {

// The published property of Obj's class named exactly PropName. The search ignores letter
// case, as a class's property table is searched; the exact spelling decides afterwards.
const TPropInfo* FindProp(const TPersistent* Obj, std::string_view PropName) {
  if (!Obj) return nullptr;
  const TPropInfo* info = Obj->Properties().FindIgnoringCase(PropName);
  return info && info->Name == PropName ? info : nullptr;
}

}  // namespace

std::string GetStringProp(const TPersistent* Obj, std::string_view PropName,
                          std::string_view Default) {
  const TPropInfo* info = FindProp(Obj, PropName);
  if (!info) return std::string(Default);
  return info->IsText ? info->Get(*Obj) : std::string();
}

bool SetStringProp(TPersistent* Obj, std::string_view PropName, const std::string& Value) {
  const TPropInfo* info = FindProp(Obj, PropName);
  if (!info) return false;
  if (info->IsText) info->Set(*Obj, Value);
  return true;
}

std::int32_t ClampInt(std::int32_t Value, std::int32_t Min, std::int32_t Max) {
  std::int32_t r = Value;
  if (Min > r) r = Min;
  if (Max < r) r = Max;
  return r;
}

}  // namespace penvo
