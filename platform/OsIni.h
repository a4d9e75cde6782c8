// The ini-file ("profile") services. Every call goes to the file: nothing is cached, so a value
// written by hand while the program runs is seen. Section and key names are matched without
// regard to letter case; the first match wins.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace penvo::os {

// The longest value a read returns, as the profile functions' 2048-byte buffer allows.
constexpr std::size_t kProfileValueMax = 2047;

// The value of key in section of file, trimmed and without enclosing matching quotes; Default
// when the file, the section or the key is missing.
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& Default);

// Writes key=value into section of file, creating file, section and key as needed and
// replacing the first match; every other line stays as it was. Throws OsError
// "Unable to write to <file>" when the file cannot be written.
void WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

// The entries of section as "key=value" texts, in file order (comments left out).
std::vector<std::string> ReadProfileSection(const std::string& file, const std::string& section);

}  // namespace penvo::os
