// The ini-file ("profile") services. Every call goes to the file: nothing is cached, so a value
// written by hand while the program runs is seen. Section and key names are matched without
// regard to letter case (ASCII letters); only the first section of a name counts, and in it the
// first entry of a key. Names and values are trimmed of blanks (see ProfileText.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace penvo::os {

// The longest value a read returns, as the profile functions' 2048-byte buffer allows.
constexpr std::size_t kProfileValueMax = 2047;

// The value of key in section of file, trimmed and without enclosing matching quotes; Default,
// less its trailing spaces, when the file, the section or the key is missing.
std::string ReadProfileValue(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& Default);

// Writes key=value into section of file, creating file, section and key as needed and
// replacing the first match; every other entry keeps its value. Line breaks in the names and the
// value are written as blanks. Throws OsError "Unable to write to <file>" when the file cannot
// be written or has the read-only attribute, or the section or key is blank.
void WriteProfileValue(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& value);

// The lines of section in file order: "key=value" for an entry, a line without "=" as it stands
// (trimmed); comments and blank lines left out.
std::vector<std::string> ReadProfileSection(const std::string& file, const std::string& section);

}  // namespace penvo::os
