// Any bytes are a possible ".values" file: reading must not crash, a write must set its value
// and leave every other value as it was, and any value must read back as it was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/AsciiCase.h"
#include "platform/posix/RegValues.h"

using penvo::os::RegType;
using penvo::os::RegValue;
using penvo::os::reg::FormatValueLine;
using penvo::os::reg::RegValuesText;

namespace {

bool Same(const std::optional<RegValue>& a, const std::optional<RegValue>& b) {
  if (!a || !b) return !a && !b;
  return a->type == b->type && a->data == b->data;
}

// The input read as a name, a type and data: every value must survive a round trip.
void RoundTrip(const std::string& bytes) {
  if (bytes.empty()) return;
  const std::size_t cut = bytes.size() / 3;
  const std::string name = bytes.substr(1, cut);
  RegValue value{static_cast<RegType>(static_cast<unsigned char>(bytes[0]) % 9),
                 bytes.substr(1 + cut)};
  if (value.type == RegType::String || value.type == RegType::ExpandString) {
    // A text keeps what comes before a NUL that ends it; Windows adds one of its own.
    while (!value.data.empty() && value.data.back() == '\0') value.data.pop_back();
  }
  const RegValuesText text(FormatValueLine(name, value) + "\n");
  if (!Same(text.Find(name), value)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const RegValuesText before(text);
  const std::vector<std::string> names = before.Names();

  RegValuesText after(text);
  after.Set("Fz", {RegType::String, "fuzz-value"});
  const RegValuesText reread(after.Text());
  if (!Same(reread.Find("fz"), RegValue{RegType::String, "fuzz-value"})) std::abort();
  for (const std::string& name : names)
    if (!penvo::os::posix::SameText(name, "fz") && !Same(before.Find(name), reread.Find(name)))
      std::abort();

  RoundTrip(text);
  return 0;
}
