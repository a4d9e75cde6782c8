// The window position saver: the position text, applying it on the screen, and reading and
// writing it with the form.
#include "settings/savepos.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Forms.h"
#include "tests/controls/WidgetFixture.h"

namespace penvo {
namespace {

struct Bounds {
  int left, top, width, height;
  bool operator==(const Bounds&) const = default;
};
void PrintTo(const Bounds& b, std::ostream* os) {
  *os << b.left << "," << b.top << "," << b.width << "," << b.height;
}

class SavePosTest : public test::WidgetTest {
 protected:
  static Bounds BoundsOf(const TForm* form) {
    return {form->Left(), form->Top(), form->Width(), form->Height()};
  }
  std::optional<std::string> Written(const std::string& key = "FormOptions") const {
    return chain_.UserValue("Pos", key);
  }
};

TEST_F(SavePosTest, ThePositionTextIsLeftTopWidthAndHeight) {
  TForm* form = NewForm();
  form->SetBounds(122, 134, 852, 51);
  EXPECT_EQ(FormPosText(form), "122,134,852,51");
  form->SetBounds(-5, -60, 170, 80);
  EXPECT_EQ(FormPosText(form), "-5,-60,170,80");
  EXPECT_EQ(FormPosText(nullptr), "");
  ApplyFormPos(nullptr, "1,2,3,4", false, false);  // no form: nothing happens
}

TEST_F(SavePosTest, ApplyingAPositionTakesTheFieldsAsAskedAndKeepsTheFormInSight) {
  TForm* form = NewForm();
  const int sw = ScreenWidth(), sh = ScreenHeight();
  const std::string w = std::to_string(sw), h = std::to_string(sh);
  struct Row {
    Bounds before;
    std::string text;
    bool noPos, noSize;
    Bounds after;
    // Windows holds a captioned window's size between its smallest and largest track sizes (a
    // little more than the screen): there only the position of such a row is as asked.
    bool sizeBeyondWindows = false;
  };
  const Bounds start{100, 110, 400, 300};
  for (const Row& r : std::vector<Row>{
           {start, "10,20,300,200", false, false, {10, 20, 300, 200}},
           {start, "10,20,300,200", true, false, {100, 110, 300, 200}},
           {start, "10,20,300,200", false, true, {10, 20, 400, 300}},
           {start, "10,20,300,200", true, true, start},
           {start, "x,20", false, false, {100, 20, 400, 300}},
           {start, ",,,250", false, false, {100, 110, 400, 250}},
           {start, "", false, false, start},
           {start, "10,20,300,200,7,8", false, false, {10, 20, 300, 200}},
           {start, "10,20,300,200x", false, false, {10, 20, 300, 300}},
           // Off the screen to the right or below: back to the left or top edge.
           {start, w + ",20", false, false, {0, 20, 400, 300}},
           {start, std::to_string(sw - 1) + ",20", false, false, {sw - 1, 20, 400, 300}},
           {start, "10," + h, false, false, {10, 0, 400, 300}},
           // Off the screen to the left or above.
           {start, "-100,20,852,51", false, false, {-100, 20, 852, 51}},
           {start, "-900,20,852,51", false, false, {0, 20, 852, 51}},
           {start, "-852,20,852,51", false, false, {0, 20, 852, 51}},
           {start, "20,-51,852,51", false, false, {20, 0, 852, 51}},
           {start, "20,-50,852,51", false, false, {20, -50, 852, 51}},
           // The far end of a form lies beyond any 32-bit integer: still on the screen.
           {start, "100,0,2147483647,10", false, false, {100, 0, 2147483647, 10}, true},
           {start, "0,100,10,2147483647", false, false, {0, 100, 10, 2147483647}, true},
           // A form already out of sight comes back whatever the flags say.
           {{sw + 10, sh + 10, 400, 300}, "10,20,300,200", true, true, {0, 0, 400, 300}},
           {{-500, -400, 400, 300}, "", true, true, {0, 0, 400, 300}},
       }) {
    form->SetBounds(r.before.left, r.before.top, r.before.width, r.before.height);
    ApplyFormPos(form, r.text, r.noPos, r.noSize);
    Bounds after = BoundsOf(form);
    if (r.sizeBeyondWindows && test::kOs == test::Os::Windows) {
      after.width = r.after.width;
      after.height = r.after.height;
    }
    EXPECT_EQ(after, r.after) << "'" << r.text << "' NoPos " << r.noPos << " NoSize " << r.noSize;
  }
}

// With a second monitor beside the primary one, a form stored there stays there; one whose title
// bar lies on no monitor comes back by the primary screen's rule.
TEST_F(SavePosTest, AFormOnAnotherMonitorStaysWithinReachThere) {
  TForm* form = NewForm();
  const std::vector<TRect> two{{0, 0, 1920, 1080}, {1920, -200, 3840, 1240}};
  struct Row {
    std::string text;
    std::vector<TRect> monitors;
    Bounds after;
  };
  for (const Row& r : std::vector<Row>{
           {"2500,-150,852,51", two, {2500, -150, 852, 51}},      // on the second monitor
           {"1900,500,852,51", two, {1900, 500, 852, 51}},        // across both
           {"4000,100,852,51", two, {0, 100, 852, 51}},           // right of both
           {"2500,1230,852,51", two, {2500, 1230, 852, 51}},      // its top still on the second
           {"2500,1240,852,51", two, {0, 0, 852, 51}},            // below it: the primary rule
           {"2500,100,852,51", {two[0]}, {0, 100, 852, 51}},     // one monitor: the primary's rule
       }) {
    form->SetBounds(100, 110, 400, 300);
    ApplyFormPos(form, r.text, false, false, r.monitors);
    EXPECT_EQ(BoundsOf(form), r.after) << r.text << " on " << r.monitors.size() << " monitors";
  }
}

TEST_F(SavePosTest, TheFormTakesItsStoredPositionAtLoadAndLeavesItsPositionAtTheEnd) {
  chain_.SetMachineValue("Pos", "FormOptions", "10,20,300,200");
  TForm* form = NewForm();
  form->SetBounds(100, 110, 400, 300);
  auto* saver = form->Make<TSavePos>();
  saver->SetName("SavePos1");
  EXPECT_EQ(saver->GetAsString(), "");  // no form before the loaded step
  form->EndDescription();
  EXPECT_EQ(saver->Form(), form);
  EXPECT_EQ(saver->Ini().SaveName, "FormOptions");
  EXPECT_EQ(BoundsOf(form), (Bounds{10, 20, 300, 200}));
  EXPECT_EQ(Written(), std::nullopt);

  form->SetBounds(30, 40, 500, 60);
  EXPECT_EQ(saver->GetAsString(), "30,40,500,60");
  Application()->DestroyForms();
  EXPECT_EQ(Written(), "30,40,500,60");
}

TEST_F(SavePosTest, NothingStoredLeavesTheDesignedPositionAndDisabledWritesNothing) {
  TForm* form = NewForm();
  form->SetBounds(-500, 110, 400, 300);  // no correction without a stored position
  auto* saver = form->Make<TSavePos>();
  saver->Enabled = false;
  form->EndDescription();
  EXPECT_EQ(BoundsOf(form), (Bounds{-500, 110, 400, 300}));
  Application()->DestroyForms();
  EXPECT_EQ(Written(), std::nullopt);
}

TEST_F(SavePosTest, ASaverThatNoFormOwnsReadsNothingAndWritesTheEmptyText) {
  TForm* form = NewForm();
  form->SetBounds(100, 110, 400, 300);
  auto* holder = NewComponent<TComponent>(*form);
  holder->SetName("Holder");
  chain_.SetUserValue("Pos", "Holder.SavePos1", "10,20,300,200");
  auto* saver = NewComponent<TSavePos>(*holder);
  saver->SetName("SavePos1");
  saver->SetLoading();
  saver->Loaded();
  EXPECT_EQ(saver->Form(), nullptr);
  EXPECT_EQ(BoundsOf(form), (Bounds{100, 110, 400, 300}));
  saver->SetAsString("10,20,300,200");  // no form to apply it to
  EXPECT_EQ(BoundsOf(form), (Bounds{100, 110, 400, 300}));
  Application()->DestroyForms();
  EXPECT_EQ(Written("Holder.SavePos1"), "");
}

}  // namespace
}  // namespace penvo
