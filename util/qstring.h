// Small byte-string helpers shared by the settings library and the options window.
// Positions count from 1; 0 means "not found". Comparisons are exact byte comparisons.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace penvo {

// Position (from 1) of the first byte of S that is one of Delimiters; 0 when none is, or either
// text is empty.
std::size_t FirstDelimiter(std::string_view Delimiters, std::string_view S);

// Cuts the first token off S: Token gets the text before the first delimiter, S loses the token
// and that one delimiter. With no delimiter in S (or none given) the whole of S is the token.
void CutToken(std::string& S, std::string_view Delimiters, std::string& Token);

// Replaces occurrences of Find in S by Replace, searching from the start again after every
// replacement, until none is left or the occurrence just written is found again in place.
//
// Pairs whose replacements keep creating new occurrences (Replace holds Find after its first
// character, such as 'a' by 'ba') would never end, so the routine makes at most
// ReplaceAllLimit(S, Replace) replacements and returns what it has built by then. A pair that
// does not re-create Find replaces each occurrence once and never reaches that limit.
std::string ReplaceAll(std::string_view S, std::string_view Find, std::string_view Replace);

// The most replacements ReplaceAll makes on S: 1 + |S| * max(1, |Replace|).
std::size_t ReplaceAllLimit(std::string_view S, std::string_view Replace);

// Compares A and B byte by byte with the ASCII letters folded to lower case: below 0, 0 or
// above 0 as A sorts before, with or after B.
int CompareText(std::string_view A, std::string_view B);

// A and B are equal but for the letter case of ASCII letters.
inline bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && CompareText(A, B) == 0;
}

}  // namespace penvo
