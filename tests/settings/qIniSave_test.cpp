// The persistence object of the persisting components: where a value is kept, when it is read
// and when it is written, over a sandboxed store chain.
#include "settings/qIniSave.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "tests/settings/ChainSandbox.h"

namespace penvo {
namespace {

// A form of the component model.
class Form : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TForm"; }
  bool IsForm() const override { return true; }
};

// The application object.
class App : public TComponent {
 public:
  using TComponent::TComponent;
  bool IsApplication() const override { return true; }
};

// A persisting component of any class name: its value is its published text "AsString", and
// OnSet runs after each write of it, as a component's change event would.
class Persisting : public TComponent {
 public:
  Persisting(TComponent* AOwner, std::string className = "TCheckBoxIni")
      : TComponent(AOwner), class_(std::move(className)) {
    ini_ = std::make_unique<TIniSave>(this);
  }
  std::string ClassName() const override { return class_; }
  const TPropTable& Properties() const override { return ClassProperties(); }
  static const TPropTable& ClassProperties() {
    static const TPropTable table(
        &TComponent::ClassProperties(),
        {TextProp("AsString", &Persisting::Get, &Persisting::Set), OtherProp("Checked")});
    return table;
  }
  std::string Get() const {
    if (OnGet) OnGet();
    return value;
  }
  void Set(const std::string& v) {
    value = v;
    ++sets;
    if (OnSet) OnSet();
  }

  TIniSave& Ini() { return *ini_; }
  std::string value = "designed";
  int sets = 0;
  std::function<void()> OnSet, OnGet;

 private:
  std::string class_;
  std::unique_ptr<TIniSave> ini_;
};

TEST(IniSaveNames, GenNameIsTheClassNameStemAndOnlyADifferentOneIsKept) {
  auto form = NewRootComponent<Form>();
  auto* box = NewComponent<Persisting>(*form, "TCheckBoxIni");
  auto* longer = NewComponent<Persisting>(*form, "TAVeryLongComponentClassName");
  EXPECT_EQ(box->Ini().GetGenName(), "CheckBoxIni");
  EXPECT_EQ(longer->Ini().GetGenName(), "AVeryLongComponentCl");  // 20 characters
  EXPECT_FALSE(box->Ini().StoresGenName());
  EXPECT_FALSE(box->Ini().StoresPropName());
  // The stem comes from the whole owner, a subclass's name included.
  struct TMyBox : Persisting {
    using Persisting::Persisting;
    std::string ClassName() const override { return "TMyBox"; }
  };
  auto* mine = NewComponent<TMyBox>(*form);
  mine->SetName("MyBoxFilled");
  EXPECT_EQ(mine->Ini().EffectiveSaveName(), "Filled");
  EXPECT_FALSE(mine->Ini().StoresGenName());
  box->Ini().SetGenName("Box");
  box->Ini().PropName = "Text";
  EXPECT_TRUE(box->Ini().StoresGenName());
  EXPECT_TRUE(box->Ini().StoresPropName());
}

// Where a component's value is kept: order text, section and key from its settings, its name
// and its owners.
TEST(IniSaveNames, OrderSectionAndKeyFollowTheSettingsTheNameAndTheOwners) {
  auto form = NewRootComponent<Form>();
  form->SetName("FormOptions");
  auto* holder = NewComponent<TComponent>(*form);
  holder->SetName("Holder");
  auto loose = NewRootComponent<TComponent>();  // no form above it
  loose->SetName("Loose");

  struct Row {
    const char* cls;
    TComponent* owner;
    const char* name;
    std::function<void(TIniSave&)> set;
    const char *order, *section, *key;
  };
  const auto none = [](TIniSave&) {};
  const std::vector<Row> rows{
      // The stem of the class name is cut off the name, unless a digit or nothing follows it.
      {"TCheckBoxIni", form.get(), "CBFilled", none, "", "FormOptions-Params", "CBFilled"},
      {"TCheckBoxIni", form.get(), "CheckBoxIniFilled", none, "", "FormOptions-Params", "Filled"},
      {"TCheckBoxIni", form.get(), "CheckBoxIni1", none, "", "FormOptions-Params", "CheckBoxIni1"},
      {"TCheckBoxIni", form.get(), "CheckBoxIni", none, "", "FormOptions-Params", "CheckBoxIni"},
      {"TCtrlPanel", form.get(), "EditWidth", none, "", "FormOptions-Params", "EditWidth"},
      {"TCtrlPanel", form.get(), "MyCtrlPanelWidth", none, "", "FormOptions-Params", "Width"},
      {"TCtrlPanel", form.get(), "ctrlpanelWidth", none, "", "FormOptions-Params",
       "ctrlpanelWidth"},  // letter case counts
      // Owners between the component and its form go in front of the key.
      {"TCheckBoxIni", holder, "CheckBoxIniFilled", none, "", "FormOptions-Params",
       "Holder.Filled"},
      {"TCheckBoxIni", holder, "CBFilled", [](TIniSave& i) { i.SaveName = "Fixed"; }, "",
       "FormOptions-Params", "Fixed"},  // a key set is used as it stands
      {"TCheckBoxIni", holder, "CheckBoxIniA", [](TIniSave& i) { i.SetGenName(""); }, "",
       "FormOptions-Params", "CheckBoxIniA"},  // no stem: the bare name
      {"TCheckBoxIni", holder, "BoxA", [](TIniSave& i) { i.SetGenName("Box"); }, "",
       "FormOptions-Params", "Holder.A"},
      {"TCheckBoxIni", form.get(), "", none, "", "FormOptions-Params", ""},  // no name: no key
      {"TCheckBoxIni", loose.get(), "CBFilled", none, "", "-Params", "Loose.CBFilled"},
      {"TCheckBoxIni", nullptr, "CBFilled", none, "", "", "CBFilled"},  // no owner: no section
      // The section set, and the order text.
      {"TSavePos", form.get(), "SavePos1", [](TIniSave& i) { i.IniSection = "Pos"; }, "", "Pos",
       "SavePos1"},
      {"TCheckBoxIni", form.get(), "CBFilled", [](TIniSave& i) { i.IniName = "M"; }, "M",
       "FormOptions-Params", "CBFilled"},
      {"TCheckBoxIni", form.get(), "CBFilled", [](TIniSave& i) { i.IniName = "-"; }, "-",
       "FormOptions-Params", "CBFilled"},
      {"TCheckBoxIni", form.get(), "CBFilled",
       [](TIniSave& i) {
         i.IniName = "M";
         i.IniSection = "-";
       },
       "-", "-", "CBFilled"},
  };
  for (const Row& r : rows) {
    auto owned = r.owner ? nullptr : NewRootComponent<Persisting>(r.cls);
    Persisting* c = r.owner ? NewComponent<Persisting>(*r.owner, r.cls) : owned.get();
    c->SetName(r.name);
    r.set(c->Ini());
    EXPECT_EQ(c->Ini().EffectiveIniName(), r.order) << r.name;
    EXPECT_EQ(c->Ini().EffectiveSection(), r.section) << r.name;
    EXPECT_EQ(c->Ini().EffectiveSaveName(), r.key) << r.name;
  }
}

TEST(IniSaveNames, OwnerPathAndOwnerFormNameWalkTheOwnersUpToTheForm) {
  auto app = NewRootComponent<App>();
  app->SetName("App");
  auto* form = NewComponent<Form>(*app);
  form->SetName("FormOptions");
  auto* outer = NewComponent<TComponent>(*form);
  outer->SetName("Outer");
  auto* inner = NewComponent<TComponent>(*outer);
  inner->SetName("Inner");
  auto* leaf = NewComponent<TComponent>(*inner);
  auto loose = NewRootComponent<TComponent>();
  loose->SetName("Loose");
  auto* looseLeaf = NewComponent<TComponent>(*loose);

  struct Row {
    const TComponent* c;
    const char *path, *formName;
  };
  for (const Row& r : std::vector<Row>{
           {nullptr, "", ""},
           {app.get(), "", ""},
           {outer, "", "FormOptions"},
           {inner, "Outer.", "FormOptions"},
           {leaf, "Outer.Inner.", "FormOptions"},
           {loose.get(), "", ""},
           {looseLeaf, "Loose.", ""},
       }) {
    EXPECT_EQ(OwnerPath(r.c), r.path) << (r.c ? r.c->Name() : "none");
    EXPECT_EQ(OwnerFormName(r.c), r.formName) << (r.c ? r.c->Name() : "none");
  }
}

TEST(IniSaveNames, RenameCaptionLetsACaptionFollowTheTailOfTheName) {
  auto panel = NewRootComponent<Persisting>("TCtrlPanel");
  auto box = NewRootComponent<Persisting>("TCheckBoxIni");
  struct Row {
    const TComponent* c;
    const char *oldName, *newName, *before, *after;
  };
  for (const Row& r : std::vector<Row>{
           {panel.get(), "", "CtrlPanel1", "", "1"},
           {panel.get(), "", "ctrlpanel1", "", "1"},  // letters in any case
           {panel.get(), "CtrlPanel1", "EditType", "1", "1"},
           {panel.get(), "CtrlPanel1", "CtrlPanel2", "1", "2"},
           {panel.get(), "PanelWidth", "PanelHeight", "Width", "Height"},
           {panel.get(), "PanelWidth", "panelheight", "width", "height"},
           {panel.get(), "WidthPanel", "HeightPanel", "Width", "Width"},  // not at the end
           {panel.get(), "", "EditWidth", "", ""},
           {panel.get(), "EditWidth", "EditHeight", "", ""},  // no caption: nothing follows
           {panel.get(), "Old", "New", "CtrlPanelX", "X"},    // a stem in the caption goes
           {box.get(), "", "CheckBoxIni1", "CheckBoxIni1", "1"},
           {box.get(), "CheckBoxIni1", "CBFilled", "1", "1"},
       })
    EXPECT_EQ(RenameCaption(*r.c, r.newName, r.oldName, r.before), r.after)
        << r.oldName << " -> " << r.newName << " with " << r.before;
  const std::string tail(250, 'x');
  EXPECT_EQ(RenameCaption(*panel, "CtrlPanel" + tail, "", ""), tail.substr(0, 200));
}

// A form with one persisting component CBFilled, over a sandboxed store chain.
class IniSaveTest : public ::testing::Test {
 protected:
  IniSaveTest() {
    form_->SetName("FormOptions");
    c_->SetName("CBFilled");
  }
  TIniSave& Ini() { return c_->Ini(); }
  std::optional<std::string> Written() const { return chain_.UserValue(kSection, "CBFilled"); }

  static constexpr const char* kSection = "FormOptions-Params";
  test::ChainSandbox chain_;
  TOwned<Form> form_ = NewRootComponent<Form>();
  Persisting* c_ = NewComponent<Persisting>(*form_);
};

TEST_F(IniSaveTest, LoadOnceAppliesTheStoredValueOnceAndWritesNothingBack) {
  chain_.SetMachineValue(kSection, "CBFilled", "stored");
  c_->OnSet = [&] {  // a change event that saves, as the controls' do
    Ini().AutoSaveIfChanged();
    Ini().SaveIfReady();
    Ini().Save();
    EXPECT_TRUE(Ini().IsLoading());
  };
  Ini().AutoSave = true;
  Ini().LoadOnce();
  EXPECT_EQ(c_->value, "stored");
  EXPECT_TRUE(Ini().IsLoaded());
  EXPECT_FALSE(Ini().IsLoading());
  EXPECT_EQ(Ini().LastValue(), "stored");
  Ini().AutoSaveIfChanged();  // nothing changed since the load
  EXPECT_EQ(Written(), std::nullopt);

  c_->OnSet = nullptr;
  chain_.SetUserValue(kSection, "CBFilled", "newer");
  Ini().LoadOnce();  // once only
  EXPECT_EQ(c_->sets, 1);
  Ini().Load();  // a plain Load reads again
  EXPECT_EQ(c_->value, "newer");
}

TEST_F(IniSaveTest, NothingStoredOrTheMissingSignStoredLeavesTheValue) {
  Ini().LoadOnce();
  EXPECT_EQ(c_->value, "designed");
  EXPECT_EQ(c_->sets, 0);
  EXPECT_EQ(Ini().LastValue(), "designed");  // the value kept is the remembered one

  chain_.SetUserValue(kSection, "CBFilled", "\xA7");
  Ini().Load();
  EXPECT_EQ(c_->sets, 0);
}

TEST_F(IniSaveTest, AFailingLoadPassesTheErrorOnAndMayBeTriedAgain) {
  chain_.SetUserValue(kSection, "CBFilled", "bad");
  c_->OnSet = [] { throw std::runtime_error("rejected"); };
  EXPECT_THROW(Ini().LoadOnce(), std::runtime_error);
  EXPECT_FALSE(Ini().IsLoaded());
  EXPECT_FALSE(Ini().IsLoading());
  c_->OnSet = nullptr;
  Ini().LoadOnce();
  EXPECT_TRUE(Ini().IsLoaded());
  EXPECT_EQ(c_->value, "bad");
}

TEST_F(IniSaveTest, AFailureToReadThePropertyBackEndsTheLoadingToo) {
  chain_.SetUserValue(kSection, "CBFilled", "1");
  c_->OnGet = [] { throw std::runtime_error("unreadable"); };
  EXPECT_THROW(Ini().LoadOnce(), std::runtime_error);
  EXPECT_FALSE(Ini().IsLoading());
  c_->OnGet = nullptr;
  c_->value = "0";
  Ini().Save();  // not dropped as if still loading
  EXPECT_EQ(Written(), "0");
}

TEST_F(IniSaveTest, AutoSaveWritesAChangedValueOnlyWhenTheOwnerIsReady) {
  Ini().LoadOnce();
  c_->value = "changed";
  Ini().AutoSaveIfChanged();  // AutoSave is off
  Ini().SaveOnClose();
  EXPECT_EQ(Written(), std::nullopt);

  Ini().AutoSave = true;
  c_->SetLoading();  // the owner is still being read from its description
  Ini().AutoSaveIfChanged();
  Ini().SaveIfReady();
  EXPECT_EQ(Written(), std::nullopt);
  c_->Loaded();
  Ini().AutoSaveIfChanged();
  EXPECT_EQ(Written(), "changed");
  EXPECT_EQ(Ini().LastValue(), "changed");

  chain_.SetUserValue(kSection, "CBFilled", "elsewhere");
  Ini().AutoSaveIfChanged();  // the value is the one last saved
  EXPECT_EQ(Written(), "elsewhere");
  Ini().Save();  // a direct save writes whatever AutoSave says
  EXPECT_EQ(Written(), "changed");
}

TEST_F(IniSaveTest, SaveOnCloseWritesOncePerWindowUntilRearmed) {
  Ini().AutoSave = true;
  Ini().LoadOnce();
  c_->value = "first";
  Ini().SaveOnClose();
  EXPECT_EQ(Written(), "first");
  c_->value = "second";
  Ini().SaveOnClose();
  EXPECT_EQ(Written(), "first");
  Ini().RearmSaveOnClose();
  Ini().SaveOnClose();
  EXPECT_EQ(Written(), "second");
}

TEST_F(IniSaveTest, RevertGivesBackTheLastLoadedOrSavedValue) {
  chain_.SetUserValue(kSection, "CBFilled", "loaded");
  Ini().LoadOnce();
  c_->value = "typed";
  Ini().Revert();
  EXPECT_EQ(c_->value, "loaded");
  c_->value = "saved";
  Ini().Save();
  c_->value = "typed";
  Ini().Revert();
  EXPECT_EQ(c_->value, "saved");
}

TEST_F(IniSaveTest, ADashForSectionOrOrderKeepsNothing) {
  for (const auto& set : std::vector<std::function<void(TIniSave&)>>{
           [](TIniSave& i) { i.IniSection = "-"; }, [](TIniSave& i) { i.IniName = "-"; }}) {
    auto* c = NewComponent<Persisting>(*form_);
    c->SetName("Dashed");
    set(c->Ini());
    chain_.SetUserValue("-", "Dashed", "stored");
    chain_.SetUserValue(kSection, "Dashed", "stored");
    c->Ini().LoadOnce();
    EXPECT_EQ(c->value, "designed");
    c->value = "changed";
    c->Ini().Save();
    EXPECT_EQ(chain_.UserValue("-", "Dashed"), "stored");
    EXPECT_EQ(chain_.UserValue(kSection, "Dashed"), "stored");
  }
}

TEST_F(IniSaveTest, APropertyTheOwnerLacksLoadsNothingAndSavesTheEmptyText) {
  chain_.SetUserValue(kSection, "CBFilled", "stored");
  for (const char* prop : {"Missing", "asstring", "Checked"}) {  // absent, wrong case, no text
    Ini().PropName = prop;
    Ini().Load();
    EXPECT_EQ(c_->sets, 0) << prop;
    Ini().Save();
    EXPECT_EQ(Written(), "") << prop;
    chain_.SetUserValue(kSection, "CBFilled", "stored");
  }
  Ini().PropName = "Name";  // any text property will do
  Ini().Load();
  EXPECT_EQ(c_->Name(), "stored");
}

}  // namespace
}  // namespace penvo
