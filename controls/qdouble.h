// Number text: texts to numbers and back, by the user's locale, and tokens cut off texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace penvo {

// The locale's number separators, read once at start; tests set them directly.
struct TFormatSettings {
  char DecimalSeparator = '.';
  std::string ThousandSeparator = ",";  // may be several bytes (a UTF-8 narrow no-break space)
};

// The one set of separators the whole program uses.
TFormatSettings& FormatSettings();

// Reads the separators from the user's locale; '.' and ',' where it gives none or an odd one.
void LoadFormatSettingsFromLocale();

// The shared text-to-integer conversion: blanks, then a decimal number with an optional sign in
// the 32-bit signed range, or $, x, X, 0x, 0X and hexadecimal digits read as a 32-bit pattern;
// nothing may follow. Any other text gives Default.
std::int32_t StrToIntDef(std::string_view Text, std::int32_t Default);

// Text without thousands separators (unless the separator is a comma) and without blanks.
std::string CleanNumberText(std::string_view Text);

// How a number text reads: Value is the number Text stands for, or Default; OutOfRange tells
// that Text stands for a number beyond the range of double (such as 1E309), which gives
// Default too. Either decimal separator.
struct TNumberRead {
  double Value;
  bool OutOfRange;
};
TNumberRead ReadNumberText(std::string_view Text, double Default);

// The number Text stands for, or Default (also for a number beyond the range of double).
double StrToDoubleDef(std::string_view Text, double Default);

// Cuts the token before the first of Delimiters off Text (with that delimiter); Default when
// the token is empty.
std::string TakeToken(std::string& Text, std::string_view Delimiters, std::string_view Default);

// The next token of Text read as an integer, or Default.
std::int32_t TakeInt(std::string& Text, std::string_view Delimiters, std::int32_t Default);

// The general number format: 15 significant digits, fixed or scientific, the locale's separator.
std::string FloatToStr(double Value);

}  // namespace penvo
