// Any text as a number: the conversions never crash, fall back to the caller's default exactly
// when the text is no number, and what they read is what the text says.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "controls/qdouble.h"

namespace {

bool Same(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

void CheckInt(std::string_view text) {
  const std::int32_t a = penvo::StrToIntDef(text, 7), b = penvo::StrToIntDef(text, -7);
  // Either no number (each default comes back) or one number whatever the default.
  if (a != b && !(a == 7 && b == -7)) std::abort();
  // A number read reads the same again when written in decimal.
  if (a == b && penvo::StrToIntDef(std::to_string(a), a ^ 1) != a) std::abort();
}

void CheckDouble(std::string_view text) {
  const penvo::TNumberRead a = penvo::ReadNumberText(text, 1.5);
  const penvo::TNumberRead b = penvo::ReadNumberText(text, -2.5);
  if (a.OutOfRange != b.OutOfRange) std::abort();
  if (a.OutOfRange && (a.Value != 1.5 || b.Value != -2.5)) std::abort();
  const bool number = Same(a.Value, b.Value);
  if (!number && !(a.Value == 1.5 && b.Value == -2.5)) std::abort();
  if (!number || !std::isfinite(a.Value)) return;
  // Written in the general format it reads back to 15 significant digits.
  const double back = penvo::StrToDoubleDef(penvo::FloatToStr(a.Value), NAN);
  if (!(std::fabs(back - a.Value) <= 1e-14 * std::fabs(a.Value))) std::abort();
}

void CheckTokens(const std::string& text) {
  std::string rest = text;
  const std::string token = penvo::TakeToken(rest, ",;", "D");
  const std::size_t cut = text.find_first_of(",;");
  const std::string head = text.substr(0, cut);
  if (token != (head.empty() ? "D" : head)) std::abort();
  if (rest != (cut == std::string::npos ? "" : text.substr(cut + 1))) std::abort();
  std::string again = text;
  if (penvo::TakeInt(again, ",;", 11) != penvo::StrToIntDef(head, 11) || again != rest)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the locale's separators, the comma as the decimal one among them.
  penvo::TFormatSettings& f = penvo::FormatSettings();
  switch (data[0] % 4) {
    case 0: f = {'.', ","}; break;
    case 1: f = {',', "."}; break;
    case 2: f = {',', "\xE2\x80\xAF"}; break;  // a narrow no-break space
    default: f = {'.', "'"}; break;
  }
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  CheckInt(text);
  CheckDouble(text);
  CheckTokens(text);
  return 0;
}
