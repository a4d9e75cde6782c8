#include "controls/EditDouble.h"

#include <cmath>
#include <limits>

#include "controls/qdouble.h"

namespace penvo {

std::optional<char> FilterNumberChar(char C, const std::string& T, std::size_t P) {
  const char sep = FormatSettings().DecimalSeparator;
  switch (C) {
    case 3:
    case 8:
    case 9:
    case 22:
    case 24:  // copy, backspace, tab, paste, cut
      return C;
    case '.':
    case ',':
      C = sep;
      break;
    default:
      break;
  }
  const bool digit = C >= '0' && C <= '9';
  const bool exponent = C == 'E' || C == 'e';
  if (!digit && !exponent && C != sep && C != '-') return std::nullopt;
  if (C == sep && T.find(sep) != std::string::npos) return std::nullopt;
  if (exponent && T.find_first_of("Ee") != std::string::npos) return std::nullopt;
  if (C == '-' && P != 1 && !(P >= 2 && P - 2 < T.size() && (T[P - 2] == 'E' || T[P - 2] == 'e')))
    return std::nullopt;
  return C;
}

TEditDouble::TEditDouble(TComponent* AOwner) : TEdit(AOwner) {}

void TEditDouble::AfterConstruction() {
  TEdit::AfterConstruction();
  FCheck = CreateCheck();  // the whole object's: a subclass may give another check
  SetValue(0.0);
}

const TPropTable& TEditDouble::ClassProperties() {
  static const TPropTable table(&TEdit::ClassProperties(),
                                {OtherProp("Value"), OtherProp("Check"), OtherProp("Align")});
  return table;
}

std::unique_ptr<TCheckLegal> TEditDouble::CreateCheck() {
  auto check = std::make_unique<TCheckLimit>(this);
  check->WarningColor = clRed;
  check->ShowHint = true;
  check->OnGetValue = [this] { return ReadValue(); };
  return check;
}

void TEditDouble::StoreValue(double X) {
  FValue = X;
  if (FCheck) FCheck->DoCheck();  // none before the construction's last step
}

void TEditDouble::ValueFromText(const std::string& S) {
  const TNumberRead read = ReadNumberText(S, FValue);
  FTextOutOfRange = read.OutOfRange;
  StoreValue(read.Value);
}

double TEditDouble::ReadValue() const {
  return FTextOutOfRange ? std::numeric_limits<double>::infinity() : FValue;
}

void TEditDouble::SetValue(double X) {
  if (X != 0 && FValue != 0 && std::fabs(X - FValue) / std::fabs(X) < 1e-5) return;
  SetText(FloatToStr(X));
  StoreValue(X);
}

void TEditDouble::KeyPress(char& Key) {
  TEdit::KeyPress(Key);
  if (Key == 0) return;
  const std::optional<char> kept =
      FilterNumberChar(Key, Text(), static_cast<std::size_t>(SelStart()) + 1);
  Key = kept.value_or(0);
}

void TEditDouble::Change() {
  // Keep only what the key filter would have let in (pasted text, text set by the program).
  const std::string text = Text();
  std::string kept;
  for (char c : text)
    if (const std::optional<char> k = FilterNumberChar(c, kept, kept.size() + 1)) kept += *k;
  if (kept != text) {
    const int start = SelStart(), length = SelLength();
    SetText(kept);  // changes again; that inner run finds the text clean
    SetSelStart(std::min(start, static_cast<int>(kept.size())));
    SetSelLength(length);
    return;
  }
  ValueFromText(text);
  TEdit::Change();
}

}  // namespace penvo
