#include "util/qMacroString.h"

#include <algorithm>

#include "platform/OsIni.h"
#include "util/qstring.h"

namespace penvo {

TqStringMacroVar::TqStringMacroVar(std::string_view Name, std::string_view Value) {
  // While it is being built, these calls reach this class's setters (C++ dispatch rules).
  SetName(Name);
  SetValue(Value);
}

// One run of Expand: the steps of the expansion, with the bounds that stop a cycle.
class TqMacroVarList::Expansion {
 public:
  explicit Expansion(const TqMacroVarList& list) : FList(list) {}

  void Into(std::string& Result, std::string Text, int Depth) {
    std::string token;
    while (!Text.empty()) {
      CutToken(Text, FList.Separators, token);
      if (static_cast<long>(token.size()) < FList.WordTokenMin)
        Letters(Result, token, Depth);
      else
        Words(Result, token, Depth);
    }
  }

 private:
  void Letters(std::string& Result, const std::string& Token, int Depth) {
    if (Token.empty()) return;
    std::string e;
    const std::size_t limit = Limit(Token);
    for (char c : Token) {
      const int at = FList.IndexOfName(std::string_view(&c, 1));
      const std::string value =
          at >= 0 ? FList.FItems[static_cast<std::size_t>(at)]->GetValue() : std::string(1, c);
      if (!Add(e, value, limit)) return Overflow(Result, Token);
    }
    Settle(Result, Token, std::move(e), Depth);
  }

  void Words(std::string& Result, const std::string& Token, int Depth) {
    std::string_view rest(Token);
    std::string e;
    const std::size_t limit = Limit(Token);
    while (!rest.empty()) {
      const TqBaseMacroVar* match = nullptr;
      for (const auto& v : FList.FItems) {
        const std::string& name = v->Name();
        if (!name.empty() && static_cast<long>(name.size()) > FList.LetterNameMax &&
            rest.starts_with(name)) {
          match = v.get();
          break;
        }
      }
      const std::string value = match ? match->GetValue() : std::string(1, rest.front());
      if (!Add(e, value, limit)) return Overflow(Result, Token);
      rest.remove_prefix(match ? match->Name().size() : 1);
    }
    Settle(Result, Token, std::move(e), Depth);
  }

  // How long the expansion of Token may grow: a changed token that grows beyond the work left
  // would reach the bound, so it is not built any further than that. An unchanged token costs
  // no work, and it is never longer than Token.
  std::size_t Limit(const std::string& Token) const {
    const std::size_t left = FWork < kMaxExpandWork ? kMaxExpandWork - FWork : 0;
    return std::max(left, Token.size());
  }

  // Appends Item to E unless E would then grow beyond Limit.
  static bool Add(std::string& E, std::string_view Item, std::size_t Limit) {
    if (Item.size() > Limit - E.size()) return false;
    E += Item;
    return true;
  }

  // A token whose expansion would reach the work bound is kept as it was.
  void Overflow(std::string& Result, const std::string& Token) {
    FWork = kMaxExpandWork + 1;
    Append(Result, Token);
  }

  // A changed token goes round again, unless the bounds are reached: then it is kept as
  // expanded so far.
  void Settle(std::string& Result, const std::string& Token, std::string E, int Depth) {
    if (E == Token) {
      Append(Result, E);
      return;
    }
    FWork += E.size();
    if (Depth >= kMaxExpandDepth || FWork > kMaxExpandWork || Result.size() > kMaxExpandWork) {
      Append(Result, FWork > kMaxExpandWork ? Token : E);
      return;
    }
    Into(Result, std::move(E), Depth + 1);
  }

  void Append(std::string& Result, const std::string& Item) const {
    if (!Result.empty() && !FList.Separators.empty()) Result += FList.Separators[0];
    Result += Item;
  }

  const TqMacroVarList& FList;
  std::size_t FWork = 0;
};

int TqMacroVarList::IndexOfName(std::string_view Name) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->Name() == Name) return static_cast<int>(i);
  return -1;
}

void TqMacroVarList::AddVar(std::unique_ptr<TqBaseMacroVar> Variable) {
  if (!Variable) return;
  const int at = IndexOfName(Variable->Name());
  std::string previous;
  int index;
  if (at < 0) {
    previous = UndefinedValue;
    FItems.push_back(std::move(Variable));
    index = Count() - 1;
  } else {
    previous = FItems[static_cast<std::size_t>(at)]->GetValue();
    FItems[static_cast<std::size_t>(at)] = std::move(Variable);
    index = at;
  }
  if (FItems[static_cast<std::size_t>(index)]->GetValue() != previous) Changed(index);
}

void TqMacroVarList::SetVar(std::string_view Name, std::string_view Value) {
  const int at = IndexOfName(Name);
  if (at < 0) {
    FItems.push_back(std::make_unique<TqStringMacroVar>(Name, Value));
    Changed(Count() - 1);
    return;
  }
  if (FItems[static_cast<std::size_t>(at)]->GetValue() == Value) return;
  SetVarAt(at, Value);
  Changed(at);
}

std::string TqMacroVarList::Expand(std::string_view Text) const {
  std::string result;
  Expansion(*this).Into(result, std::string(Text), 0);
  return result;
}

void TqMacroVarList::ExpandStrings(std::vector<std::string>& Lines) const {
  for (std::string& line : Lines) line = Expand(line);
}

void TqMacroVarList::RemoveVar(std::string_view Name) {
  const int at = IndexOfName(Name);
  if (at >= 0) FItems.erase(FItems.begin() + at);
}

void TqMacroVarList::LoadFromIni(const std::string& FileName, const std::string& Section) {
  for (const std::string& entry : os::ReadProfileSection(FileName, Section)) {
    const std::string key = entry.substr(0, entry.find('='));
    const std::string value = os::ReadProfileValue(FileName, Section, key, "");
    std::string_view name(key);
    if (!name.empty() && (name.front() == '"' || name.front() == '\'')) name.remove_prefix(1);
    SetVar(name, value);
  }
}

std::string TqMacroVarList::GetVar(std::string_view Name) const {
  const int at = IndexOfName(Name);
  return at < 0 ? UndefinedValue : FItems[static_cast<std::size_t>(at)]->GetValue();
}

std::string TqMacroVarList::VarAt(int Index) const {
  if (Index < 0 || Index >= Count()) return UndefinedValue;
  return FItems[static_cast<std::size_t>(Index)]->GetValue();
}

void TqMacroVarList::SetVarAt(int Index, std::string_view Value) {
  if (Index < 0 || Index >= Count()) return;
  FItems[static_cast<std::size_t>(Index)]->SetValue(Value);
}

void TqMacroVarList::Changed(int Index) {
  if (OnChange) OnChange(*this, Index);
}

}  // namespace penvo
