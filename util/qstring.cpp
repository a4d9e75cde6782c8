#include "util/qstring.h"

#include <algorithm>

namespace penvo {

std::size_t FirstDelimiter(std::string_view Delimiters, std::string_view S) {
  if (Delimiters.empty()) return 0;
  const std::size_t at = S.find_first_of(Delimiters);
  return at == std::string_view::npos ? 0 : at + 1;
}

void CutToken(std::string& S, std::string_view Delimiters, std::string& Token) {
  const std::size_t i = FirstDelimiter(Delimiters, S);
  if (i == 0) {
    Token = std::move(S);
    S.clear();
    return;
  }
  Token = S.substr(0, i - 1);
  S.erase(0, i);
}

std::size_t ReplaceAllLimit(std::string_view S, std::string_view Replace) {
  return 1 + S.size() * std::max<std::size_t>(1, Replace.size());
}

std::string ReplaceAll(std::string_view S, std::string_view Find, std::string_view Replace) {
  std::string result(S);
  if (Find.empty()) return result;
  const std::size_t limit = ReplaceAllLimit(S, Replace);
  std::size_t lastPos = std::string::npos;
  for (std::size_t made = 0; made < limit; ++made) {
    const std::size_t p = result.find(Find);
    if (p == std::string::npos) break;
    if (p == lastPos && Find.size() <= Replace.size()) break;
    result.replace(p, Find.size(), Replace);
    lastPos = p;
  }
  return result;
}

int CompareText(std::string_view A, std::string_view B) {
  const std::size_t n = std::min(A.size(), B.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto a = static_cast<unsigned char>(A[i] >= 'A' && A[i] <= 'Z' ? A[i] + 32 : A[i]);
    const auto b = static_cast<unsigned char>(B[i] >= 'A' && B[i] <= 'Z' ? B[i] + 32 : B[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

}  // namespace penvo
