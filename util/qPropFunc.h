// Reading and writing a component's published text property when only its name is known.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace penvo {

class TPersistent;

// The value of Obj's published property named exactly PropName; Default when Obj is absent or
// has no such property (a name that differs only in letter case finds none); the empty text
// when the property exists but is not text.
std::string GetStringProp(const TPersistent* Obj, std::string_view PropName,
                          std::string_view Default);

// Writes Value to Obj's published property named exactly PropName; true when the property was
// found (a found property that is not text is left unchanged).
bool SetStringProp(TPersistent* Obj, std::string_view PropName, const std::string& Value);

// Value raised to Min, then lowered to Max (so Max wins when Min > Max).
std::int32_t ClampInt(std::int32_t Value, std::int32_t Min, std::int32_t Max);

}  // namespace penvo
