// The persistence object every persisting component owns: where its value is stored (order
// text, section, key), loading it once after the component is loaded, and saving it when it
// changes or the component's window goes. All through the store chain.
#pragma once

#include <optional>
#include <string>

#include "platform/Component.h"

namespace penvo {

class TIniSave : public TPersistent {
 public:
  // Owner must be given: the key and GenName come from it. It is not owned.
  explicit TIniSave(TComponent* Owner);
  std::string ClassName() const override { return "TIniSave"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties();

  bool AutoSave = false;
  std::string SaveName, IniName, IniSection;
  std::string PropName = "AsString";
  // The stem cut off the owner's name to form the key: unless set, the owner's class name
  // without its first letter, at most 20 characters (asked of the whole owner, so that a
  // subclass's name counts).
  std::string GetGenName() const;
  void SetGenName(const std::string& v) { FGenName = v; }

  TComponent* Owner() const { return FOwner; }
  bool IsLoaded() const { return FIsLoaded; }
  bool IsLoading() const { return FIsLoading; }
  const std::string& LastValue() const { return FLastValue; }

  // The order text: "-" when nothing may be stored, else IniName (empty: the default order).
  virtual std::string EffectiveIniName() const;
  // The key: SaveName, or the owner's name (less the GenName stem) behind its owner path.
  virtual std::string EffectiveSaveName() const;
  // The section: IniSection, or the owner form's name and "-Params".
  virtual std::string EffectiveSection() const;

  // Reads the stored value and applies it; the owner keeps its value when none is stored.
  virtual void Load();
  // Load, once; nothing is saved while it runs.
  virtual void LoadOnce();
  // Writes the owner's value.
  virtual void Save();
  // Save, unless the owner is still loading.
  virtual void SaveIfReady();
  // With AutoSave, saves a value that differs from the last loaded or saved one.
  virtual void AutoSaveIfChanged();
  // The owner's value, read and applied through its property PropName.
  virtual std::string GetAsString() const;
  virtual void SetAsString(const std::string& Value);
  // Gives the owner back its last loaded or saved value.
  virtual void Revert();
  // Remembers the owner's current value as the last one.
  virtual void Remember();
  // Saves once per destruction of the owner's window; RearmSaveOnClose allows the next one.
  virtual void SaveOnClose();
  virtual void RearmSaveOnClose() { FCloseSaved = false; }

  // Whether GenName or PropName differ from what they are by default (kept in descriptions).
  bool StoresGenName() const;
  bool StoresPropName() const { return PropName != "AsString"; }

 private:
  std::string GetIniName() const { return IniName; }
  void SetIniName(const std::string& v) { IniName = v; }
  std::string GetIniSection() const { return IniSection; }
  void SetIniSection(const std::string& v) { IniSection = v; }
  std::string GetSaveName() const { return SaveName; }
  void SetSaveName(const std::string& v) { SaveName = v; }
  std::string GetPropName() const { return PropName; }
  void SetPropName(const std::string& v) { PropName = v; }

  TComponent* FOwner;
  std::optional<std::string> FGenName;  // none: the owner's class stem
  bool FIsLoaded = false, FIsLoading = false, FCloseSaved = false;
  std::string FLastValue;
};

// The names of C's owners between C and its form, each followed by "."; empty for a component
// owned by a form.
std::string OwnerPath(const TComponent* C);
// The name of the form above C, or empty.
std::string OwnerFormName(const TComponent* C);
// The caption a component gets when it is renamed from OldName to NewName: a caption that
// repeats the tail of the old name follows the new one; a class-name stem is dropped.
std::string RenameCaption(const TComponent& C, const std::string& NewName,
                          const std::string& OldName, const std::string& Caption);

}  // namespace penvo
