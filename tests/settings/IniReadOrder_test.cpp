// The store chain: read orders, reads, writes, failures, configuration and caches.
#include "settings/IniReadOrder.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/OsFiles.h"
#include "tests/settings/WriteErrorRecorder.h"
#include "tests/support/Platform.h"
#include "tests/support/Sandbox.h"
#include "util/qstring.h"

namespace penvo {
namespace {

namespace fs = std::filesystem;

// A program Tools/<prog> started in Work/, with the registry in a sandbox.
class ChainTest : public ::testing::Test {
 protected:
  ChainTest() { os::SetExePathForTesting((tools_ / prog_).string()); }
  ~ChainTest() override {
    DestroyGlobalReadOrder();
    IdeHost = false;
    os::SetExePathForTesting("");
  }

  // A path as the chain writes it in an entry: every separator a single "\".
  static std::string Entry(const std::string& path) {
    return ReplaceAll(ReplaceAll(path, "/", "\\"), "\\\\", "\\");
  }
  std::string UserKey() const { return "software\\Ruvi\\" + prog_; }
  std::string LocalIni() const { return (work_ / (prog_ + ".ini")).string(); }
  std::string ProgIni() const { return (tools_ / (prog_ + ".ini")).string(); }
  std::vector<std::string> DefaultEntries() const {
    return {"HKEY_CURRENT_USER\\" + UserKey(), Entry(LocalIni()) + "|n",
            "HKEY_LOCAL_MACHINE\\" + UserKey(), Entry(ProgIni())};
  }
  std::optional<std::string> UserValue(const std::string& section, const std::string& ident) {
    return test::ReadRegText(os::kHkeyCurrentUser, UserKey() + "\\" + section, ident);
  }
  static std::vector<std::string> Names(const TStoreList* list) {
    std::vector<std::string> names;
    for (int i = 0; list && i < list->Count(); ++i) names.push_back(list->Names(i));
    return names;
  }

  test::RegistrySandbox sandbox_;
  const std::string prog_ = sandbox_.UniqueName("Penvo");
  const fs::path tools_ = test::MadeDir(sandbox_.Dir().Path() / "Tools");
  const fs::path work_ = test::MadeDir(sandbox_.Dir().Path() / "Work");
  test::CurrentDirScope cwd_{work_};
};

TEST_F(ChainTest, TheDefaultOrderOfAProgramInToolsStartedInWork) {
  os::SetExePathForTesting((tools_ / "Penvo").string());
  TIniReadOrder chain;
  const std::string work = work_.string(), toolsDir = (tools_ / "").string();
  EXPECT_EQ(chain.Macros().Expand("U"),
            "HKEY_CURRENT_USER\\software\\Ruvi\\Penvo;" + work +
                "\\Penvo.ini|n;HKEY_LOCAL_MACHINE\\software\\Ruvi\\Penvo;" + toolsDir +
                "\\Penvo.ini");
  const std::vector<std::string> entries = {
      "HKEY_CURRENT_USER\\software\\Ruvi\\Penvo", Entry(work) + "\\Penvo.ini|n",
      "HKEY_LOCAL_MACHINE\\software\\Ruvi\\Penvo", Entry(toolsDir) + "Penvo.ini"};
  const TOneReadOrder* order = chain.GetReadOrder("U");
  EXPECT_EQ(Names(order), entries);
  EXPECT_EQ(chain.GetReadOrder(""), order);

  const auto* user = dynamic_cast<TqRegistryIniFile*>(order->GetStore(0));
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(user->Root(), os::kHkeyCurrentUser);
  EXPECT_EQ(user->Path(), "software\\Ruvi\\Penvo");
  EXPECT_EQ(order->GetStore(1), nullptr);  // Work\Penvo.ini does not exist
  const auto* machine = dynamic_cast<TqRegistryIniFile*>(order->GetStore(2));
  ASSERT_NE(machine, nullptr);
  EXPECT_EQ(machine->Root(), os::kHkeyLocalMachine);
  const auto* progIni = dynamic_cast<TqLocalIniFile*>(order->GetStore(3));
  ASSERT_NE(progIni, nullptr);
  EXPECT_EQ(progIni->FileName(), Entry(toolsDir) + "Penvo.ini");
  EXPECT_EQ(order->GetStore(4), nullptr);

  // Once Work\Penvo.ini exists, a rebuilt order has it.
  test::WriteFile((work_ / "Penvo.ini").string(), "");
  chain.Clear();
  const auto* local = dynamic_cast<TqLocalIniFile*>(chain.GetReadOrder("U")->GetStore(1));
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(os::NativePath(local->FileName()), (work_ / "Penvo.ini").string());
}

TEST_F(ChainTest, OrderTextsNameTheirStores) {
  TIniReadOrder chain;
  const std::vector<std::string> all = DefaultEntries();
  struct Row {
    std::string order;
    std::vector<std::string> entries;
  };
  for (const Row& r : std::vector<Row>{
           {"U", all},
           {"", all},
           {"  ", all},
           {"\t U \r\n", all},
           {"u", {all[0]}},
           {"P", {all[0] + "\\", all[1], all[2], all[3]}},  // %SUBKEY% empty: a trailing "\"
           {"L", {all[1], all[2], all[3]}},
           {"M", {all[2], all[3]}},
           {"G", {all[3]}},
           {"u;m;U;u", {all[0], all[2], all[1], all[3]}},  // a store at most once
       })
    EXPECT_EQ(Names(chain.GetReadOrder(r.order)), r.entries) << "'" << r.order << "'";
  EXPECT_EQ(chain.GetReadOrder("-"), nullptr);
  // Order texts keep their case: "u" and "U" are two read orders; blanks are not part of it.
  EXPECT_NE(chain.GetReadOrder("u"), chain.GetReadOrder("U"));
  EXPECT_EQ(chain.GetReadOrder(" U "), chain.GetReadOrder("U"));
  // A store named by several read orders is opened once.
  EXPECT_EQ(chain.GetReadOrder("u")->GetStore(0), chain.GetReadOrder("U")->GetStore(0));
  EXPECT_EQ(Names(&chain.Stores()).size(), 5u);  // the four of "U" and the user's sub-key
}

TEST_F(ChainTest, AValueOnlyInTheProgramsIniIsFoundUntilTheUsersKeyHoldsOne) {
  test::WriteFile(ProgIni(), "[Params]\nEditWidth=20\nMissing=\xA7\n");
  TIniReadOrder chain;
  EXPECT_EQ(chain.ReadSetting("U", "Params", "EditWidth", "\xA7"), "20");
  EXPECT_EQ(chain.ReadSetting("U", "Params", "Missing", "def"), "def");  // "§" is no value
  EXPECT_EQ(chain.ReadSetting("U", "Params", "Nowhere", "def"), "def");
  EXPECT_EQ(chain.ReadSetting("u", "Params", "EditWidth", "def"), "def");
  EXPECT_EQ(chain.ReadSetting("-", "Params", "EditWidth", "def"), "def");
  EXPECT_EQ(chain.ReadSetting("U", "", "EditWidth", "def"), "def");
  EXPECT_EQ(chain.ReadSetting("U", "Params", "", "def"), "def");

  // Without WriteAll a write goes to the user's key alone, which it creates.
  EXPECT_EQ(os::OpenRegKey(os::kHkeyCurrentUser, UserKey(), os::RegAccess::Read), nullptr);
  chain.WriteSetting("U", "Params", "EditWidth", "30");
  EXPECT_EQ(UserValue("Params", "EditWidth"), "30");
  EXPECT_EQ(test::ReadFile(ProgIni()), "[Params]\nEditWidth=20\nMissing=\xA7\n");
  EXPECT_EQ(chain.ReadSetting("U", "Params", "EditWidth", "def"), "30");
  chain.WriteSetting("U", "Params", "EditWidth", "");  // an empty value is a value
  EXPECT_EQ(chain.ReadSetting("U", "Params", "EditWidth", "def"), "");

  for (const auto& [order, section, ident] : std::vector<std::array<std::string, 3>>{
           {"-", "Params", "Other"}, {"U", "", "Other"}, {"U", "Params", ""}})
    chain.WriteSetting(order, section, ident, "nothing");
  EXPECT_EQ(UserValue("Params", "Other"), std::nullopt);
  EXPECT_EQ(chain.LastError(), "");
}

TEST_F(ChainTest, WriteAllGivesEveryStoreTheValueAndReportsEachFailure) {
  test::WriteFile((work_ / "qini.ini").string(), "[IniReadOrder]\nWriteAll=1\n");
  test::WriteFile((work_ / "file").string(), "");
  const std::string blocked = (work_ / "file" / "a.ini").string();  // cannot be written
  const std::string good = (work_ / "b.ini").string();
  TIniReadOrder chain;
  chain.LoadConfig("qini.ini");
  ASSERT_TRUE(chain.WriteAll());
  test::WriteErrorRecorder prompt;
  chain.ErrorPrompt = &prompt;
  int errors = 0;
  chain.OnError = [&](TIniReadOrder& sender) {
    EXPECT_EQ(&sender, &chain);
    ++errors;
  };
  const std::string order = "u;" + blocked + ";" + good;
  const std::string message = "Unable to write to " + blocked;

  chain.WriteSetting(order, "S", "k", "1");
  EXPECT_EQ(prompt.Texts, std::vector<std::string>{message + "\r\nStop showing errors?"});
  EXPECT_EQ(UserValue("S", "k"), "1");                // before the failing store
  EXPECT_EQ(test::ReadTextFile(good), "[S]\nk=1\n");  // and after it
  EXPECT_EQ(chain.LastError(), message);
  EXPECT_EQ(errors, 1);
  EXPECT_FALSE(chain.StopShowingErrors);  // the user answered Cancel

  prompt.YesToAll = true;
  chain.WriteSetting(order, "S", "k", "2");
  EXPECT_EQ(prompt.Texts.size(), 2u);
  EXPECT_TRUE(chain.StopShowingErrors);

  chain.SetWriteAll(false);
  chain.WriteSetting(blocked + ";" + good, "S", "k", "3");  // the failing store comes first
  EXPECT_EQ(prompt.Texts.size(), 2u);                       // no more dialogs ...
  EXPECT_EQ(errors, 3);  // ... but every failure is still signalled
  EXPECT_EQ(chain.LastError(), message);
  EXPECT_EQ(test::ReadTextFile(good), "[S]\nk=3\n");  // a failed store does not end a write
  EXPECT_EQ(UserValue("S", "k"), "2");
}

TEST_F(ChainTest, WithoutAPromptAFailureIsOnlyRecorded) {
  test::WriteFile((work_ / "file").string(), "");
  const std::string blocked = (work_ / "file" / "a.ini").string();
  TIniReadOrder chain;
  chain.WriteSetting(blocked, "S", "k", "1");
  EXPECT_EQ(chain.LastError(), "Unable to write to " + blocked);
  EXPECT_FALSE(chain.StopShowingErrors);
}

TEST_F(ChainTest, AReadOnlyIniFileFirstSwallowsWritesWithoutAReport) {
  const std::string locked = (work_ / "locked.ini").string();
  test::WriteFile(locked, "[S]\nk=old\n");
  test::SetReadOnly(locked, true);  // also when the tests run as root
  test::WriteFile((work_ / "free.ini").string(), "");
  TIniReadOrder chain;
  test::WriteErrorRecorder prompt;
  chain.ErrorPrompt = &prompt;
  for (const std::string& order : {locked + ";u", (work_ / "free.ini").string() + "|r;u"})
    chain.WriteSetting(order, "S", "k", "new");
  EXPECT_EQ(test::ReadFile(locked), "[S]\nk=old\n");
  EXPECT_EQ(test::ReadFile((work_ / "free.ini").string()), "");
  EXPECT_EQ(UserValue("S", "k"), std::nullopt);
  EXPECT_TRUE(prompt.Texts.empty());
  EXPECT_EQ(chain.LastError(), "");
  EXPECT_EQ(chain.ReadSetting(locked, "S", "k", "def"), "old");
}

TEST_F(ChainTest, TheConfigurationFileChangesFlagsAndMacros) {
  test::WriteFile((tools_ / "qini.ini").string(),  // found in the program's directory
                  "[IniReadOrder]\nWriteAll=yes\nCreateLocalIni=$1\n"
                  "[IniReadOrderVars]\n%COMPANY%=Acme\n");
  TIniReadOrder chain;
  chain.SetWriteAll(true);
  chain.GetReadOrder("U");
  chain.LoadConfig("qini.ini");
  EXPECT_TRUE(chain.WriteAll());  // not an integer: unchanged
  EXPECT_TRUE(chain.CreateLocalIni());
  EXPECT_EQ(chain.ReadOrderCount(), 0);
  chain.SetWriteAll(false);
  chain.WriteSetting("U", "S", "k", "v");
  EXPECT_EQ(test::ReadRegText(os::kHkeyCurrentUser, "software\\Acme\\" + prog_ + "\\S", "k"), "v");
  EXPECT_EQ(UserValue("S", "k"), std::nullopt);

  // Redefining a letter code changes what every order text names.
  test::WriteFile((work_ / "qini.ini").string(), "[IniReadOrderVars]\nU=G\n");
  chain.LoadConfig("qini.ini");
  EXPECT_EQ(Names(chain.GetReadOrder("")), std::vector<std::string>{Entry(ProgIni())});
  chain.WriteSetting("", "S", "k", "ini");
  EXPECT_EQ(test::ReadTextFile(ProgIni()), "[S]\nk=ini\n");

  // A missing file changes nothing.
  TIniReadOrder other;
  other.LoadConfig("none.ini");
  EXPECT_FALSE(other.WriteAll());
  EXPECT_EQ(other.Macros().GetVar("%COMPANY%"), "Ruvi");
}

TEST_F(ChainTest, CachesAreEmptiedOnlyWhenAMacroReallyChanges) {
  TIniReadOrder chain;
  EXPECT_EQ(chain.ReadSetting("U", "S", "k", "def"), "def");
  EXPECT_EQ(chain.Stores().Count(), 4);
  EXPECT_EQ(chain.ReadOrderCount(), 1);
  const TCustomIniFile* userStore = chain.GetReadOrder("U")->GetStore(0);

  // The local file's "n" was decided when its entry was opened: made later, it is not seen ...
  test::WriteFile(LocalIni(), "[S]\nk=local\n");
  EXPECT_EQ(chain.ReadSetting("U", "S", "k", "def"), "def");
  // ... while macros are only set to the values they have ...
  chain.Macros().SetVar("%SUBKEY%", "");
  chain.SetLocalDir();  // the same directory
  EXPECT_EQ(chain.Stores().Count(), 4);
  EXPECT_EQ(chain.GetReadOrder("U")->GetStore(0), userStore);
  EXPECT_EQ(chain.ReadSetting("U", "S", "k", "def"), "def");
  // ... and is once one changes.
  chain.Macros().SetVar("%SUBKEY%", "x");
  EXPECT_EQ(chain.Stores().Count(), 0);
  EXPECT_EQ(chain.ReadOrderCount(), 0);
  EXPECT_EQ(chain.ReadSetting("U", "S", "k", "def"), "local");

  // A new current directory counts from SetLocalDir on.
  const fs::path elsewhere = sandbox_.Dir().Path() / "Elsewhere";
  fs::create_directory(elsewhere);
  test::WriteFile((elsewhere / (prog_ + ".ini")).string(), "[S]\nk=elsewhere\n");
  test::CurrentDirScope moved(elsewhere);
  EXPECT_EQ(chain.ReadSetting("U", "S", "k", "def"), "local");
  chain.SetLocalDir();
  EXPECT_EQ(chain.ReadSetting("U", "S", "k", "def"), "elsewhere");
}

TEST_F(ChainTest, WithoutACurrentDirectoryTheLocalFileIsLookedForInDot) {
  PENVO_ONLY_ON(Posix, "Windows does not let a current directory be removed");
  const test::RemovedCurrentDir removed(sandbox_.Dir().Path());
  TIniReadOrder chain;
  EXPECT_EQ(chain.Macros().GetVar("%LOCALDIR%"), ".");
  std::vector<std::string> entries = DefaultEntries();
  entries[1] = ".\\" + prog_ + ".ini|n";
  EXPECT_EQ(Names(chain.GetReadOrder("U")), entries);
}

TEST_F(ChainTest, ACallbackMayEmptyTheCachesInTheMiddleOfAWrite) {
  test::WriteFile((work_ / "file").string(), "");
  const std::string blocked = (work_ / "file" / "a.ini").string();
  const std::string good = (work_ / "b.ini").string();
  TIniReadOrder chain;
  chain.SetWriteAll(true);
  int calls = 0;
  chain.OnError = [&](TIniReadOrder& sender) {
    ++calls;
    sender.Macros().SetVar("%SUBKEY%", "changed" + std::to_string(calls));
    sender.WriteSetting("u", "Nested", "k", "n");  // and writes on its own meanwhile
  };
  chain.WriteSetting(blocked + ";" + blocked + "|x;" + good, "S", "k", "v");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(test::ReadTextFile(good), "[S]\nk=v\n");
  EXPECT_EQ(UserValue("Nested", "k"), "n");
}

TEST_F(ChainTest, AStoreFailureWhileReadingReachesTheCaller) {
  const os::RegKeyPtr key = os::CreateRegKey(os::kHkeyCurrentUser, UserKey() + "\\S");
  ASSERT_NE(key, nullptr);
  os::SetRegValue(*key, "k", {os::RegType::Dword, std::string(4, '\0')});
  TIniReadOrder chain;
  EXPECT_THROW(chain.ReadSetting("U", "S", "k", "def"), ERegistryException);
}

TEST_F(ChainTest, TheProgramsChainIsInertInsideTheDevelopmentEnvironment) {
  test::WriteFile(ProgIni(), "[S]\nk=ini\n");
  EXPECT_EQ(ReadIniValue("U", "S", "k", "def"), "def");  // no chain yet
  WriteIniValue("U", "S", "k", "v");

  os::SetExePathForTesting((test::MadeDir(tools_ / "Bin") / "DELPHI32.EXE").string());
  CreateGlobalReadOrder();
  ASSERT_NE(GlobalReadOrder, nullptr);
  EXPECT_TRUE(IdeHost);
  test::WriteFile((tools_ / "Bin" / "DELPHI32.ini").string(), "[S]\nk=ide\n");
  EXPECT_EQ(ReadIniValue("U", "S", "k", "def"), "def");
  WriteIniValue("U", "S", "k", "v");
  EXPECT_EQ(os::OpenRegKey(os::kHkeyCurrentUser, "software\\Ruvi\\DELPHI32", os::RegAccess::Read),
            nullptr);

  os::SetExePathForTesting((tools_ / prog_).string());
  GlobalReadOrder->Macros().SetVar("%COMPANY%", "Acme");
  CreateGlobalReadOrder();  // the new chain keeps the company of the one it replaces
  EXPECT_FALSE(IdeHost);
  EXPECT_EQ(GlobalReadOrder->Macros().GetVar("%COMPANY%"), "Acme");
  EXPECT_EQ(ReadIniValue("U", "S", "k", "def"), "ini");
  WriteIniValue("U", "S", "k", "v");
  EXPECT_EQ(test::ReadRegText(os::kHkeyCurrentUser, "software\\Acme\\" + prog_ + "\\S", "k"), "v");

  DestroyGlobalReadOrder();
  EXPECT_EQ(GlobalReadOrder, nullptr);
  EXPECT_EQ(ReadIniValue("U", "S", "k", "def"), "def");
}

}  // namespace
}  // namespace penvo
