// The settings stores and the factories that make them from chain entries.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "platform/OsError.h"
#include "settings/IniReadOrder.h"
#include "tests/settings/WriteErrorRecorder.h"
#include "tests/support/Sandbox.h"
#include "util/qstring.h"

namespace penvo {
namespace {

namespace fs = std::filesystem;

class StoreTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return (work_ / name).string(); }

  test::RegistrySandbox sandbox_;
  const fs::path work_ = test::MadeDir(sandbox_.Dir().Path() / "work");
  test::CurrentDirScope cwd_{work_};
  // A key of its own for every test, also where the registry is the system's.
  const std::string keyPath_ = "software\\PenvoTest\\" + sandbox_.UniqueName("Store");
  const std::string location_ = "HKEY_CURRENT_USER\\" + keyPath_;
};

TEST_F(StoreTest, OpenStoreTellsRegistryEntriesFromFiles) {
  struct Row {
    std::string entry;
    enum { None, Registry, Ini } kind;
  };
  for (const Row& r : std::vector<Row>{
           {location_, Row::Registry},
           {"\\HKCU\\" + keyPath_, Row::Registry},
           {"xHK" + sandbox_.UniqueName("y"), Row::Registry},  // "HK" at the 2nd and 3rd place
           {"ab\\HK.ini", Row::Ini},                           // "HK" further on
           {"hkcu\\x.ini", Row::Ini},                          // "HK" with its letter case
           {"ab\\HK.ini|n", Row::None},                        // missing, and "n"
           {"-", Row::None},                                   // names no file
       }) {
    const std::unique_ptr<TCustomIniFile> store = OpenStore(r.entry);
    const int kind = !store                                                     ? Row::None
                     : dynamic_cast<TqRegistryIniFile*>(store.get()) != nullptr ? Row::Registry
                                                                                : Row::Ini;
    EXPECT_EQ(kind, r.kind) << r.entry;
  }
}

TEST_F(StoreTest, IniStoreFlagsAndTheReadOnlyAttribute) {
  test::WriteFile(File("plain.ini"), "[S]\nk=old\n");
  test::WriteFile(File("locked.ini"), "[S]\nk=old\n");
  test::SetReadOnly(File("locked.ini"), true);  // the tests also run as root
  struct Row {
    std::string file, flags;
    bool made, readOnly;
  };
  for (const Row& r : std::vector<Row>{
           {"new\\dir\\missing.ini", "", true, false},
           {"missing.ini", "n", false, false},
           {"missing.ini", "r", true, true},
           {"missing.ini", "nr", true, false},  // a flag text is compared as a whole
           {"missing.ini", "n|r", true, false},
           {"plain.ini", "", true, false},
           {"plain.ini", "n", true, false},
           {"plain.ini", "r", true, true},
           {"locked.ini", "", true, true},
           {"locked.ini", "n", true, true},
           {"locked.ini", "nr", true, true},
       }) {
    const std::unique_ptr<TqLocalIniFile> store = CreateIniStore(File(r.file), r.flags);
    ASSERT_EQ(store != nullptr, r.made) << r.file << "|" << r.flags;
    if (!store) continue;
    EXPECT_EQ(store->ReadOnly(), r.readOnly) << r.file << "|" << r.flags;
    EXPECT_EQ(store->FileName(), File(r.file));
  }
  EXPECT_TRUE(fs::is_directory(work_ / "new" / "dir"));  // made for the missing file
  EXPECT_FALSE(fs::exists(work_ / "new" / "dir" / "missing.ini"));
}

TEST_F(StoreTest, IniStoresReadAndWriteTheFile) {
  const std::string path = File("s.ini");
  TqLocalIniFile store(path, false);
  EXPECT_EQ(store.ReadSetting("Params", "EditWidth", "def"), "def");
  store.WriteSetting("Params", "EditWidth", "20");
  EXPECT_EQ(store.ReadSetting("PARAMS", "editwidth", "def"), "20");
  EXPECT_EQ(test::ReadTextFile(path), "[Params]\nEditWidth=20\n");

  TqLocalIniFile readOnly(path, true);
  readOnly.WriteSetting("Params", "EditWidth", "30");  // ignored without a report
  EXPECT_EQ(test::ReadTextFile(path), "[Params]\nEditWidth=20\n");

  test::WriteFile(File("file"), "");
  const std::string blocked = (work_ / "file" / "x.ini").string();
  TqLocalIniFile unwritable(blocked, false);
  try {
    unwritable.WriteSetting("S", "k", "v");
    FAIL() << "a write under a file succeeded";
  } catch (const os::OsError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + blocked);
  }
}

TEST_F(StoreTest, RegistryStoreOnAMissingKey) {
  EXPECT_EQ(CreateRegistryStore(location_, "n"), nullptr);

  const std::unique_ptr<TqRegistryIniFile> readOnly = CreateRegistryStore(location_, "r");
  ASSERT_NE(readOnly, nullptr);
  readOnly->WriteSetting("Pos", "FormOptions", "1");  // never creates the key
  EXPECT_EQ(os::OpenRegKey(os::kHkeyCurrentUser, keyPath_, os::RegAccess::Read), nullptr);

  const std::unique_ptr<TqRegistryIniFile> store = CreateRegistryStore(location_, "");
  ASSERT_NE(store, nullptr);
  EXPECT_FALSE(store->KeyExisted());
  EXPECT_FALSE(store->OpenedForWrite());
  EXPECT_EQ(store->Path(), keyPath_);
  EXPECT_EQ(store->Root(), os::kHkeyCurrentUser);
  EXPECT_EQ(store->ReadSetting("Pos", "FormOptions", "def"), "def");
  EXPECT_EQ(os::OpenRegKey(os::kHkeyCurrentUser, keyPath_, os::RegAccess::Read), nullptr);

  store->WriteSetting("Pos", "FormOptions", "122,134,852,51");  // the first write creates it
  EXPECT_TRUE(store->KeyExisted());
  EXPECT_TRUE(store->OpenedForWrite());
  EXPECT_EQ(test::ReadRegText(os::kHkeyCurrentUser, keyPath_ + "\\Pos", "FormOptions"),
            "122,134,852,51");
  EXPECT_EQ(store->ReadSetting("POS", "formoptions", "def"), "122,134,852,51");

  // Now that it exists, "n" makes a store, and the root given to the constructor wins.
  EXPECT_NE(CreateRegistryStore(location_, "n"), nullptr);
  TqRegistryIniFile rooted("HKLM\\" + keyPath_, os::kHkeyCurrentUser);
  EXPECT_TRUE(rooted.KeyExisted());
  EXPECT_EQ(rooted.ReadSetting("Pos", "FormOptions", "def"), "122,134,852,51");
}

TEST_F(StoreTest, RegistryReadsTellEmptyFromMissingAndRefuseOtherTypes) {
  const os::RegKeyPtr key = os::CreateRegKey(os::kHkeyCurrentUser, keyPath_ + "\\S");
  ASSERT_NE(key, nullptr);
  os::SetRegValue(*key, "Empty", {os::RegType::String, ""});
  os::SetRegValue(*key, "Number", {os::RegType::Dword, std::string("\x2a\0\0\0", 4)});
  os::SetRegValue(*key, "Bytes", {os::RegType::Binary, "ab"});
  os::SetRegValue(*key, "Lines", {os::RegType::MultiString, std::string("a\0b\0\0", 5)});
  os::SetRegValue(*key, "Path", {os::RegType::ExpandString, "%TEMP%\\x"});
  os::SetRegValue(*key, "Cut", {os::RegType::String, std::string("before\0after", 12)});
  os::SetRegValue(*key, "", {os::RegType::String, "the key's own"});
  TqRegistryIniFile store(location_, 0);
  EXPECT_EQ(store.ReadSetting("S", "Empty", "def"), "");
  EXPECT_EQ(store.ReadSetting("S", "Missing", "def"), "def");
  EXPECT_EQ(store.ReadSetting("NoSection", "Empty", "def"), "def");
  EXPECT_EQ(store.ReadSetting("S", "Cut", "def"), "before");      // a text ends at a NUL
  EXPECT_EQ(store.ReadSetting("S", "Path", "def"), "%TEMP%\\x");  // text, not expanded
  EXPECT_EQ(store.ReadSetting("S", "", "def"), "the key's own");
  for (const char* ident : {"Number", "Bytes", "Lines"}) {
    try {
      store.ReadSetting("S", ident, "def");
      ADD_FAILURE() << ident << " was read as text";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), "Invalid data type for '" + std::string(ident) + "'");
    }
  }
}

TEST_F(StoreTest, AKeyThatCanBeReadButNotWrittenServesReadsAndDropsWrites) {
  // As the machine's key is for most users, and a user's key made read-only on purpose.
  for (const auto& [root, rootName] : {std::pair{os::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
                                       std::pair{os::kHkeyCurrentUser, "HKEY_CURRENT_USER"}}) {
    {
      const os::RegKeyPtr pos = os::CreateRegKey(root, keyPath_ + "\\Pos");
      ASSERT_NE(pos, nullptr);
      os::SetRegValue(*pos, "FormOptions", {os::RegType::String, "kept"});
    }
    test::SetRegKeyReadOnly(root, keyPath_, true);
    const std::string location = std::string(rootName) + "\\" + keyPath_;
    const std::unique_ptr<TqRegistryIniFile> store = CreateRegistryStore(location, "n");
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(store->KeyExisted());
    EXPECT_EQ(store->ReadSetting("Pos", "FormOptions", "def"), "kept");
    store->WriteSetting("Pos", "FormOptions", "new");
    EXPECT_FALSE(store->OpenedForWrite());
    EXPECT_TRUE(store->KeyExisted());

    TIniReadOrder chain;
    test::WriteErrorRecorder prompt;
    chain.ErrorPrompt = &prompt;
    chain.WriteSetting(location, "Pos", "FormOptions", "new");
    EXPECT_EQ(chain.LastError(), "") << rootName;
    EXPECT_TRUE(prompt.Texts.empty()) << rootName;
    EXPECT_EQ(test::ReadRegText(root, keyPath_ + "\\Pos", "FormOptions"), "kept");
    test::SetRegKeyReadOnly(root, keyPath_, false);
  }
}

TEST_F(StoreTest, RegistryWriteFailuresAreReportedWithTheNameThatFailed) {
  TqRegistryIniFile(location_, 0).WriteSetting("Pos", "Left", "1");  // makes the key
  test::SetRegKeyReadOnly(os::kHkeyCurrentUser, keyPath_ + "\\Pos", true);
  const std::string longName(16384, 'v');  // longer than a value name may be
  struct Row {
    std::string section, ident, message;
  };
  TIniReadOrder chain;
  test::WriteErrorRecorder prompt;
  chain.ErrorPrompt = &prompt;
  for (const Row& r : std::vector<Row>{
           {"Pos", "FormOptions", "Failed to create key Pos"},  // may only be read
           {"\\Lead", "k", "Failed to create key \\Lead"},      // a path the registry refuses
           {"Other", longName, "Failed to set data for '" + longName + "'"},
       }) {
    chain.WriteSetting(location_, r.section, r.ident, "1");
    // Compared as a whole, shown cut short: the long name would fill pages.
    EXPECT_TRUE(chain.LastError() == r.message) << chain.LastError().substr(0, 60);
    ASSERT_FALSE(prompt.Texts.empty());
    EXPECT_TRUE(prompt.Texts.back() == r.message + "\r\nStop showing errors?") << r.section;
    EXPECT_EQ(chain.ReadSetting(location_, r.section, r.ident, "def"), "def") << r.section;
  }
  EXPECT_EQ(prompt.Texts.size(), 3u);
}

TEST_F(StoreTest, RegistryLocationsWithStrayBackslashes) {
  TqRegistryIniFile(location_, 0).WriteSetting("S", "k", "v");
  struct Row {
    std::string location;
    bool found;
  };
  for (const Row& r : std::vector<Row>{
           {location_ + "\\", true},                               // a trailing "\"
           {"HKCU\\" + ReplaceAll(keyPath_, "\\", "\\\\"), true},  // doubled ones
           {"\\HKCU\\" + keyPath_, true},                          // the root name may follow a "\"
           {"HKCU\\\\" + keyPath_, false},  // the key path may not begin with one
       }) {
    TqRegistryIniFile store(r.location, 0);
    EXPECT_EQ(store.KeyExisted(), r.found) << r.location;
    EXPECT_EQ(store.ReadSetting("S", "k", "def"), r.found ? "v" : "def") << r.location;
  }
  // Such a key cannot be made either: the write is dropped without a report.
  TqRegistryIniFile lead("HKCU\\\\" + keyPath_ + "New", 0);
  lead.WriteSetting("S", "k", "v");
  EXPECT_FALSE(lead.OpenedForWrite());
  EXPECT_EQ(os::OpenRegKey(os::kHkeyCurrentUser, keyPath_ + "New", os::RegAccess::Read), nullptr);
}

}  // namespace
}  // namespace penvo
