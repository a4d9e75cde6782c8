// The settings stores and the factories that make them from chain entries.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/OsError.h"
#include "settings/IniReadOrder.h"
#include "tests/support/Sandbox.h"

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
  os::SetRegValue(*key, "Cut", {os::RegType::String, std::string("before\0after", 12)});
  TqRegistryIniFile store(location_, 0);
  EXPECT_EQ(store.ReadSetting("S", "Empty", "def"), "");
  EXPECT_EQ(store.ReadSetting("S", "Missing", "def"), "def");
  EXPECT_EQ(store.ReadSetting("NoSection", "Empty", "def"), "def");
  EXPECT_EQ(store.ReadSetting("S", "Cut", "def"), "before");  // a text ends at a NUL
  for (const char* ident : {"Number", "Bytes"}) {
    try {
      store.ReadSetting("S", ident, "def");
      ADD_FAILURE() << ident << " was read as text";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), "Invalid data type for '" + std::string(ident) + "'");
    }
  }
}

}  // namespace
}  // namespace penvo
