#include "util/qPropFunc.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/Component.h"

namespace penvo {
namespace {

// A base with a text property and a flag, and a subclass that adds one and redeclares a name
// in another letter case.
class Base : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TBase"; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties() {
    static const TPropTable table(
        &TComponent::ClassProperties(),
        {TextProp("AsString", &Base::Get, &Base::Set), OtherProp("Checked")});
    return table;
  }
  std::string Get() const { return value; }
  void Set(const std::string& v) { value = v; }
  std::string value = "v";
};

class Derived : public Base {
 public:
  using Base::Base;
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties() {
    static const TPropTable table(&Base::ClassProperties(),
                                  {TextProp("Text", &Derived::Get, &Derived::Set),
                                   TextProp("checked", &Derived::Get, &Derived::Set)});
    return table;
  }
};

TEST(PropertyAccess, FindsPropertiesByTheirExactNameOnly) {
  auto obj = NewRootComponent<Derived>();
  obj->value = "";
  struct Row {
    const char* name;
    const char* read;
    bool found;
  };
  const std::vector<Row> rows{
      {"AsString", "", true},  // inherited; empty is a value, not the default
      {"Text", "", true},         {"Name", "", true},  // from the component class
      {"asstring", "DEF", false},                      // letter case matters
      {"Checked", "DEF", false},  // the subclass's "checked" is found first, and differs
      {"checked", "", true},      {"Missing", "DEF", false},
  };
  for (const Row& r : rows) EXPECT_EQ(GetStringProp(obj.get(), r.name, "DEF"), r.read) << r.name;
  for (const Row& r : rows) EXPECT_EQ(SetStringProp(obj.get(), r.name, "w"), r.found) << r.name;
  EXPECT_EQ(obj->value, "w");
}

TEST(PropertyAccess, APropertyThatIsNotTextReadsEmptyAndIgnoresWrites) {
  auto obj = NewRootComponent<Base>();
  EXPECT_EQ(GetStringProp(obj.get(), "Checked", "DEF"), "");
  EXPECT_TRUE(SetStringProp(obj.get(), "Checked", "1"));
  EXPECT_EQ(GetStringProp(obj.get(), "Tag", "DEF"), "");
  EXPECT_EQ(GetStringProp(nullptr, "AsString", "DEF"), "DEF");
  EXPECT_FALSE(SetStringProp(nullptr, "AsString", "x"));
}

TEST(ClampInt, RaisesToMinThenLowersToMax) {
  struct Row {
    int value, min, max, expected;
  };
  for (const Row& r : std::vector<Row>{
           {5, 0, 2, 2}, {-1, 0, 2, 0}, {1, 0, 2, 1}, {0, 3, 2, 2}, {9, 3, 2, 2}, {-9, 3, 2, 2}})
    EXPECT_EQ(ClampInt(r.value, r.min, r.max), r.expected);
}

}  // namespace
}  // namespace penvo
