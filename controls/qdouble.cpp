#include "controls/qdouble.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/OsLocale.h"

namespace penvo {

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

void LoadFormatSettingsFromLocale() {
  const os::LocaleSeparators found = os::ReadLocaleSeparators();
  TFormatSettings& s = FormatSettings();
  // A decimal separator must be one byte; anything else (empty, multi-byte) falls back to '.'.
  s.DecimalSeparator = found.decimal.size() == 1 ? found.decimal[0] : '.';
  s.ThousandSeparator = found.thousands.empty() ? std::string(",") : found.thousands;
}

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int32_t> ParseHex(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    const int h = HexValue(c);
    if (h < 0) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(h);
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::optional<std::int32_t> ParseDecimal(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  std::int64_t v = 0;
  for (char c : s) {
    if (!IsDigit(c)) return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(v);
}

void ReplaceEvery(std::string& s, std::string_view find, std::string_view by) {
  if (find.empty()) return;
  for (std::size_t at = s.find(find); at != std::string::npos; at = s.find(find, at + by.size()))
    s.replace(at, find.size(), by);
}

// The parts of a number text, found by one of the two grammars below.
struct NumberParts {
  bool negative = false;
  std::string_view intDigits, fracDigits;
  bool expNegative = false;
  std::string_view expDigits;
};

enum class Magnitude { Finite, Overflow };

// Value of the parts; a number too small for double becomes the nearest double, down to 0.
double PartsValue(const NumberParts& p, Magnitude& magnitude) {
  magnitude = Magnitude::Finite;
  std::string text;
  text.reserve(p.intDigits.size() + p.fracDigits.size() + 24);
  text.append(p.intDigits.empty() ? std::string_view("0") : p.intDigits);
  if (!p.fracDigits.empty()) text.append(".").append(p.fracDigits);
  // The exponent is clamped: beyond a few thousand every value is 0 or out of range anyway, and
  // a clamped exponent keeps a text of 100 exponent digits from overflowing a counter.
  std::int64_t exp = 0;
  for (char c : p.expDigits) exp = std::min<std::int64_t>(exp * 10 + (c - '0'), 100000);
  if (p.expNegative) exp = -exp;
  text.append("e").append(std::to_string(exp));
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // from_chars says "out of range" for both ends; tell them apart by the decimal exponent of
    // the first significant digit.
    std::string digits = std::string(p.intDigits) + std::string(p.fracDigits);
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    const std::int64_t lead =
        static_cast<std::int64_t>(p.intDigits.size()) - static_cast<std::int64_t>(first) + exp;
    if (lead > 0) {
      magnitude = Magnitude::Overflow;
      return 0;
    }
    value = 0;
  }
  return p.negative ? -value : value;
}

std::size_t Digits(std::string_view t, std::size_t i) {
  while (i < t.size() && IsDigit(t[i])) ++i;
  return i;
}

// The full-stop branch: the longest leading part of the form
// [sign] digits [. digits] [(E|e) [sign] digits+]; fills p and returns its length.
std::size_t ScanFullStopForm(std::string_view t, NumberParts& p) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) p.negative = t[i++] == '-';
  std::size_t j = Digits(t, i);
  p.intDigits = t.substr(i, j - i);
  i = j;
  if (i < t.size() && t[i] == '.') {
    j = Digits(t, i + 1);
    p.fracDigits = t.substr(i + 1, j - i - 1);
    i = j;
  }
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    std::size_t k = i + 1;
    bool expNegative = false;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) expNegative = t[k++] == '-';
    j = Digits(t, k);
    if (j > k) {  // an exponent counts only with a digit
      p.expNegative = expNegative;
      p.expDigits = t.substr(k, j - k);
      i = j;
    }
  }
  return i;
}

TNumberRead FullStopBranch(std::string_view t, double Default) {
  if (t.empty()) return {Default, false};
  const char c = t[0];
  if (!(IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e'))
    return {Default, false};
  NumberParts p;
  const std::size_t length = ScanFullStopForm(t, p);
  Magnitude magnitude;
  const double value = PartsValue(p, magnitude);
  if (magnitude == Magnitude::Overflow) return {Default, true};
  const bool whole = length == t.size();
  if (!whole && value == 0 && Default != 0 && (c == 'E' || c == 'e')) return {Default, false};
  return {value, false};
}

// The comma branch: the whole text must be
// [blanks] [sign] digits [, digits] [(E|e) [sign] digits] [blanks], with a digit or the comma.
TNumberRead CommaBranch(std::string_view t, double Default) {
  NumberParts p;
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) p.negative = t[i++] == '-';
  std::size_t j = Digits(t, i);
  p.intDigits = t.substr(i, j - i);
  i = j;
  bool separator = false;
  if (i < t.size() && t[i] == ',') {
    separator = true;
    j = Digits(t, i + 1);
    p.fracDigits = t.substr(i + 1, j - i - 1);
    i = j;
  }
  if (p.intDigits.empty() && p.fracDigits.empty() && !separator) return {Default, false};
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) p.expNegative = t[i++] == '-';
    j = Digits(t, i);
    p.expDigits = t.substr(i, j - i);
    i = j;
  }
  while (i < t.size() && t[i] == ' ') ++i;
  if (i != t.size()) return {Default, false};
  Magnitude magnitude;
  const double value = PartsValue(p, magnitude);
  if (magnitude == Magnitude::Overflow) return {Default, true};
  return {value, false};
}

}  // namespace

std::int32_t StrToIntDef(std::string_view Text, std::int32_t Default) {
  std::size_t i = 0;
  while (i < Text.size() && Text[i] == ' ') ++i;
  const std::string_view s = Text.substr(i);
  std::optional<std::int32_t> v;
  if (s.empty()) return Default;
  if (s[0] == '$' || s[0] == 'x' || s[0] == 'X')
    v = ParseHex(s.substr(1));
  else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    v = ParseHex(s.substr(2));
  else
    v = ParseDecimal(s);
  return v.value_or(Default);
}

std::string CleanNumberText(std::string_view Text) {
  std::string s(Text);
  const std::string& thousands = FormatSettings().ThousandSeparator;
  if (thousands != ",") ReplaceEvery(s, thousands, "");
  // A no-break space typed into a UTF-8 field arrives as two bytes; a single-byte text holds
  // it as the byte 0xA0. Both count as blanks.
  ReplaceEvery(s, "\xC2\xA0", " ");
  ReplaceEvery(s, "\xA0", " ");
  std::erase(s, ' ');
  return s;
}

TNumberRead ReadNumberText(std::string_view Text, double Default) {
  const std::string t = CleanNumberText(Text);
  if (FormatSettings().DecimalSeparator == ',') return CommaBranch(t, Default);
  return FullStopBranch(t, Default);
}

double StrToDoubleDef(std::string_view Text, double Default) {
  return ReadNumberText(Text, Default).Value;
}

std::string TakeToken(std::string& Text, std::string_view Delimiters, std::string_view Default) {
  std::string token;
  const std::size_t cut = Delimiters.empty() ? std::string::npos : Text.find_first_of(Delimiters);
  if (cut == std::string::npos) {
    token = std::move(Text);
    Text.clear();
  } else {
    token = Text.substr(0, cut);
    Text.erase(0, cut + 1);
  }
  return token.empty() ? std::string(Default) : token;
}

std::int32_t TakeInt(std::string& Text, std::string_view Delimiters, std::int32_t Default) {
  return StrToIntDef(TakeToken(Text, Delimiters, ""), Default);
}

std::string FloatToStr(double Value) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  if (Value == 0) return "0";
  // 15 significant digits: d.dddddddddddddde[+-]x
  char buf[40];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, std::fabs(Value), std::chars_format::scientific, 14);
  const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t ePos = sci.find('e');
  std::string digits = std::string(sci.substr(0, 1)) + std::string(sci.substr(2, ePos - 2));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exp10 = 0;
  std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(),
                  exp10);
  const int e = exp10 + 1;  // the number is 0.d1...dn times 10^e
  const char sep = FormatSettings().DecimalSeparator;
  std::string out = Value < 0 ? "-" : "";
  if (e > 15 || e < -3) {
    out += digits[0];
    if (digits.size() > 1) out.append(1, sep).append(digits, 1);
    out += 'E';
    if (e - 1 < 0) out += '-';
    out += std::to_string(std::abs(e - 1));
  } else if (e <= 0) {
    out.append("0").append(1, sep).append(static_cast<std::size_t>(-e), '0').append(digits);
  } else {
    const auto whole = static_cast<std::size_t>(e);
    if (digits.size() <= whole) {
      out.append(digits).append(whole - digits.size(), '0');
    } else {
      out.append(digits, 0, whole).append(1, sep).append(digits, whole);
    }
  }
  return out;
}

}  // namespace penvo
