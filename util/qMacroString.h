// Macro variables: named texts, and the expansion of texts against them.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace penvo {

// A named variable; its name is compared exactly (case-sensitive) wherever it is looked up.
class TqBaseMacroVar {
 public:
  virtual ~TqBaseMacroVar() = default;
  const std::string& Name() const { return FName; }

  virtual void SetName(std::string_view Text) { FName = Text; }
  virtual std::string GetValue() const { return {}; }
  virtual void SetValue(std::string_view) {}

 private:
  std::string FName;
};

// A variable that holds its value as a text.
class TqStringMacroVar : public TqBaseMacroVar {
 public:
  // Sets the name, then the value, both through the virtual setters.
  TqStringMacroVar(std::string_view Name, std::string_view Value);

  std::string GetValue() const override { return FValue; }
  void SetValue(std::string_view Text) override { FValue = Text; }

 private:
  std::string FValue;
};

// An ordered list of variables that it owns; a name occurs at most once.
class TqMacroVarList {
 public:
  // Called with the list and the position of a variable whose value changed.
  using TChangeEvent = std::function<void(TqMacroVarList& Sender, int Index)>;

  // Expansion stops going deeper than this many nested re-expansions; a definition that never
  // expands to a fixed point (a cycle) is cut off there and kept as expanded so far.
  static constexpr int kMaxExpandDepth = 32;
  // ... and stops expanding once it has built this many bytes in one call of Expand.
  static constexpr std::size_t kMaxExpandWork = 1 << 20;

  std::string UndefinedValue;
  int LetterNameMax = 0;
  int WordTokenMin = 0;
  std::string Separators;
  TChangeEvent OnChange;

  TqMacroVarList() = default;
  TqMacroVarList(const TqMacroVarList&) = delete;
  TqMacroVarList& operator=(const TqMacroVarList&) = delete;
  virtual ~TqMacroVarList() = default;

  int Count() const { return static_cast<int>(FItems.size()); }

  // Position of the variable named exactly Name, or -1.
  virtual int IndexOfName(std::string_view Name) const;
  // Takes Variable over; replaces (and destroys) a variable of the same name in its position.
  virtual void AddVar(std::unique_ptr<TqBaseMacroVar> Variable);
  // Defines Name as Value; OnChange runs for a new name or a different value.
  virtual void SetVar(std::string_view Name, std::string_view Value);
  // Text with every variable expanded, token by token.
  virtual std::string Expand(std::string_view Text) const;
  // Replaces every line by its expansion.
  virtual void ExpandStrings(std::vector<std::string>& Lines) const;
  // Destroys the variable Name, if any, without OnChange.
  virtual void RemoveVar(std::string_view Name);
  // Defines a variable for every entry of the section, in file order.
  virtual void LoadFromIni(const std::string& FileName, const std::string& Section);

  // Value of Name, or UndefinedValue.
  std::string GetVar(std::string_view Name) const;
  // Value of the variable at Index, or UndefinedValue.
  std::string VarAt(int Index) const;
  // Sets the value at Index without OnChange; nothing when Index is out of range.
  void SetVarAt(int Index, std::string_view Value);

 private:
  class Expansion;
  void Changed(int Index);

  std::vector<std::unique_ptr<TqBaseMacroVar>> FItems;
};

}  // namespace penvo
