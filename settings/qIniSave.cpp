#include "settings/qIniSave.h"

#include "settings/IniReadOrder.h"
#include "util/qPropFunc.h"

namespace penvo {

namespace {

const std::string kMissing = "\xA7";  // no value stored

std::string ClassStem(const TComponent& C, std::size_t max) {
  return C.ClassName().substr(1, max);
}

char UpperAZ(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether Text begins with the non-empty Prefix, letters a to z in any case.
bool StartsWithText(const std::string& Text, const std::string& Prefix) {
  if (Prefix.empty() || Prefix.size() > Text.size()) return false;
  for (std::size_t i = 0; i < Prefix.size(); ++i)
    if (UpperAZ(Text[i]) != UpperAZ(Prefix[i])) return false;
  return true;
}

std::size_t FindText(const std::string& Text, const std::string& Part) {
  if (Part.empty() || Part.size() > Text.size()) return std::string::npos;
  for (std::size_t i = 0; i + Part.size() <= Text.size(); ++i)
    if (StartsWithText(Text.substr(i), Part)) return i;
  return std::string::npos;
}

}  // namespace

TIniSave::TIniSave(TComponent* Owner) : FOwner(Owner) {}

std::string TIniSave::GetGenName() const {
  if (FGenName) return *FGenName;
  return FOwner ? ClassStem(*FOwner, 20) : std::string();
}

const TPropTable& TIniSave::ClassProperties() {
  static const TPropTable table(
      &TPersistent::ClassProperties(),
      {OtherProp("AutoSave"), TextProp("IniName", &TIniSave::GetIniName, &TIniSave::SetIniName),
       TextProp("IniSection", &TIniSave::GetIniSection, &TIniSave::SetIniSection),
       TextProp("SaveName", &TIniSave::GetSaveName, &TIniSave::SetSaveName),
       TextProp("PropName", &TIniSave::GetPropName, &TIniSave::SetPropName),
       TextProp("GenName", &TIniSave::GetGenName, &TIniSave::SetGenName),
       TextProp("AsString", &TIniSave::GetAsString, &TIniSave::SetAsString)});
  return table;
}

std::string TIniSave::EffectiveIniName() const {
  if (!FOwner || FOwner->IsDesigning() || IniName == "-" || IniSection == "-") return "-";
  return IniName;
}

std::string TIniSave::EffectiveSection() const {
  if (!IniSection.empty()) return IniSection;
  if (!FOwner || !FOwner->Owner()) return {};
  return OwnerFormName(FOwner) + "-Params";
}

std::string TIniSave::EffectiveSaveName() const {
  if (!SaveName.empty()) return SaveName;
  if (!FOwner) return {};
  const std::string& name = FOwner->Name();
  const std::string stem = GetGenName();
  if (stem.empty()) return name;
  std::string rest = name;
  if (const std::size_t at = name.find(stem); at != std::string::npos)
    rest = name.substr(at + stem.size());
  if (rest.empty() || static_cast<unsigned char>(rest[0]) < 64) rest = name;
  return OwnerPath(FOwner) + rest;
}

void TIniSave::Load() {
  if (!FOwner || FOwner->IsDesigning()) return;
  const std::string v =
      ReadIniValue(EffectiveIniName(), EffectiveSection(), EffectiveSaveName(), kMissing);
  if (v != kMissing) SetAsString(v);
}

void TIniSave::LoadOnce() {
  if (FIsLoaded) return;
  FIsLoading = true;
  // Loading ends in every case, also when reading the value or the property back fails:
  // a flag left set would silently drop every later save.
  struct EndLoading {
    bool& Flag;
    ~EndLoading() { Flag = false; }
  } end{FIsLoading};
  Load();
  FIsLoaded = true;
  Remember();
}

void TIniSave::Save() {
  if (!FOwner || FOwner->IsDesigning() || FIsLoading) return;
  WriteIniValue(EffectiveIniName(), EffectiveSection(), EffectiveSaveName(), GetAsString());
  Remember();
}

void TIniSave::SaveIfReady() {
  if (!FOwner || FOwner->IsDesigning() || FOwner->IsLoading()) return;
  Save();
}

void TIniSave::AutoSaveIfChanged() {
  if (AutoSave && GetAsString() != FLastValue) SaveIfReady();
}

std::string TIniSave::GetAsString() const {
  return GetStringProp(FOwner, PropName, "");
}

void TIniSave::SetAsString(const std::string& Value) {
  SetStringProp(FOwner, PropName, Value);
}

void TIniSave::Revert() {
  SetAsString(FLastValue);
}

void TIniSave::Remember() {
  FLastValue = GetAsString();
}

void TIniSave::SaveOnClose() {
  if (FCloseSaved) return;
  AutoSaveIfChanged();
  FCloseSaved = true;
}

bool TIniSave::StoresGenName() const {
  return FOwner && GetGenName() != ClassStem(*FOwner, 20);
}

std::string OwnerPath(const TComponent* C) {
  if (!C || C->IsApplication() || !C->Owner() || C->Owner()->IsForm()) return {};
  return OwnerPath(C->Owner()) + C->Owner()->Name() + ".";
}

std::string OwnerFormName(const TComponent* C) {
  if (!C || !C->Owner()) return {};
  if (C->Owner()->IsForm()) return C->Owner()->Name();
  return OwnerFormName(C->Owner());
}

std::string RenameCaption(const TComponent& C, const std::string& NewName,
                          const std::string& OldName, const std::string& Caption) {
  const std::string stem = ClassStem(C, 50);
  const auto rest = [](const std::string& text, std::size_t from) {
    return text.substr(from, 200);
  };
  if (OldName.empty() && Caption.empty())
    return StartsWithText(NewName, stem) ? rest(NewName, stem.size()) : std::string();
  const std::size_t p = FindText(OldName, Caption);  // 0-based; npos when absent
  if (p != std::string::npos && p + Caption.size() == OldName.size()) {
    const std::string prefix = OldName.substr(0, p);
    if (StartsWithText(NewName, prefix)) return rest(NewName, prefix.size());
  }
  return StartsWithText(Caption, stem) ? rest(Caption, stem.size()) : Caption;
}

}  // namespace penvo
