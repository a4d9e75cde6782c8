// Where and how the POSIX registry keeps its keys: directories and ".values" files.
#include "platform/posix/RegistryFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <vector>

#include "platform/OsRegistry.h"
#include "tests/support/Sandbox.h"

namespace penvo::os::posix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(PosixRegistryFiles, TheBaseDirectoryComesFromTheEnvironment) {
  test::TempDir dir;
  const std::string home = dir.File("home");
  {
    test::ScopedEnv reg("QINI_REGISTRY_DIR", dir.File("reg"));
    test::ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("xdg"));
    EXPECT_EQ(RegistryRootDir(kHkeyCurrentUser), dir.File("reg") + "/HKEY_CURRENT_USER");
    EXPECT_EQ(RegistryRootDir(kHkeyLocalMachine), dir.File("reg") + "/HKEY_LOCAL_MACHINE");
    EXPECT_EQ(RegistryRootDir(kHkeyDynData), dir.File("reg") + "/HKEY_DYN_DATA");
  }
  test::ScopedEnv reg("QINI_REGISTRY_DIR", std::nullopt);
  test::ScopedEnv homeScope("HOME", home);
  {
    test::ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("xdg"));
    EXPECT_EQ(RegistryRootDir(kHkeyCurrentUser), dir.File("xdg") + "/registry/HKEY_CURRENT_USER");
  }
  {
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(RegistryRootDir(kHkeyCurrentUser), home + "/.config/registry/HKEY_CURRENT_USER");
  }
  test::ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(RegistryRootDir(kHkeyCurrentUser), home + "/.config/registry/HKEY_CURRENT_USER");
  EXPECT_EQ(RegistryRootDir(kHkeyLocalMachine), "/etc/registry/HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RegistryRootDir(kHkeyClassesRoot), "/etc/registry/HKEY_CLASSES_ROOT");
  EXPECT_EQ(RegistryRootDir(kHkeyUsers), "/etc/registry/HKEY_USERS");
  EXPECT_EQ(RegistryRootDir(0x12345), "");
}

TEST(PosixRegistryFiles, KeyNamesBecomeDirectoryNamesThatCannotLeaveTheirParent) {
  struct Row {
    std::string name, dirName;
  };
  for (const Row& r : std::vector<Row>{
           {"Penvo", "Penvo"},
           {"with blank.and.dots", "with blank.and.dots"},
           {"..", "%2E."},
           {".", "%2E"},
           {".hidden", "%2Ehidden"},
           {"a/b", "a%2Fb"},
           {"../..", "%2E.%2F.."},
           {"50%", "50%25"},
           {"%2F", "%252F"},
           {"nul\0x"s, "nul%00x"},
           {"\xA7 \xC3\xA4", "\xA7 \xC3\xA4"},
       }) {
    EXPECT_EQ(EncodeKeyName(r.name), r.dirName);
    EXPECT_EQ(DecodeKeyName(r.dirName), r.name);
  }
  EXPECT_EQ(DecodeKeyName("100%"), "100%");  // made by hand: no escape
  EXPECT_EQ(DecodeKeyName("%zz%4"), "%zz%4");
  EXPECT_EQ(DecodeKeyName("%2e%2f"), "./");
}

class PosixRegistryLayout : public ::testing::Test {
 protected:
  std::string Base() const { return sandbox_.RegistryDir(); }
  std::string Values(const std::string& keyDir) const {
    return test::ReadFile(Base() + "/HKEY_CURRENT_USER/" + keyDir + "/.values");
  }

  test::RegistrySandbox sandbox_;
};

TEST_F(PosixRegistryLayout, KeysAreDirectoriesAsTypedWithTheirValuesInAnExportText) {
  const RegKeyPtr key = CreateRegKey(kHkeyCurrentUser, "software\\Ruvi\\Penvo\\Pos");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(SetRegValue(*key, "FormOptions", {RegType::String, "122,134,852,51"}), RegStatus::Ok);
  ASSERT_EQ(SetRegValue(*key, "Path", {RegType::String, "C:\\x \"y\""}), RegStatus::Ok);
  ASSERT_EQ(SetRegValue(*key, "Count", {RegType::Dword, "\x2a\0\0\0"s}), RegStatus::Ok);
  EXPECT_EQ(Values("software/Ruvi/Penvo/Pos"),
            "\"FormOptions\"=\"122,134,852,51\"\n"
            "\"Path\"=\"C:\\\\x \\\"y\\\"\"\n"
            "\"Count\"=dword:0000002a\n");
  // Empty key names (a doubled or trailing "\") are left out.
  EXPECT_NE(OpenRegKey(kHkeyCurrentUser, "software\\\\Ruvi\\Penvo\\Pos\\", RegAccess::Read),
            nullptr);
  // A key typed in another case later is the same directory.
  ASSERT_NE(CreateRegKey(kHkeyCurrentUser, "SOFTWARE\\ruvi\\PENVO\\Other"), nullptr);
  EXPECT_TRUE(fs::is_directory(Base() + "/HKEY_CURRENT_USER/software/Ruvi/Penvo/Other"));
  EXPECT_FALSE(fs::exists(Base() + "/HKEY_CURRENT_USER/SOFTWARE"));
}

TEST_F(PosixRegistryLayout, DirectoriesMadeByHandAreFoundInAnyLetterCase) {
  fs::create_directories(Base() + "/HKEY_CURRENT_USER/Software/ACME");
  fs::create_directories(Base() + "/HKEY_CURRENT_USER/Software/acme%2Fx");
  test::WriteFile(Base() + "/HKEY_CURRENT_USER/Software/ACME/.values", "\"k\"=\"hand\"\n");
  EXPECT_EQ(test::ReadRegText(kHkeyCurrentUser, "software\\acme", "K"), "hand");
  EXPECT_NE(OpenRegKey(kHkeyCurrentUser, "SOFTWARE\\Acme/X", RegAccess::Read), nullptr);
  // ".values" and other names that begin with "." are never keys.
  EXPECT_EQ(OpenRegKey(kHkeyCurrentUser, "Software\\ACME\\.values", RegAccess::Read), nullptr);
}

TEST_F(PosixRegistryLayout, NoKeyNameReachesOutsideTheRegistry) {
  const std::vector<std::string> names = {
      "..", "../../escaped", "a/../../b", "%2E%2E", "..\\..\\..\\up", "/abs", "%", "."};
  for (const std::string& name : names) {
    const RegKeyPtr key = CreateRegKey(kHkeyCurrentUser, "software\\" + name);
    ASSERT_NE(key, nullptr) << name;
    ASSERT_EQ(SetRegValue(*key, "v", {RegType::String, name}), RegStatus::Ok) << name;
  }
  for (const std::string& name : names)
    EXPECT_EQ(test::ReadRegText(kHkeyCurrentUser, "software\\" + name, "v"), name) << name;
  // Everything made lies inside the registry directory, one directory per key name.
  for (const auto& entry : fs::recursive_directory_iterator(sandbox_.Dir().Path()))
    EXPECT_TRUE(entry.path().string().starts_with(Base())) << entry.path();
  std::set<std::string> made;
  for (const auto& entry : fs::directory_iterator(Base() + "/HKEY_CURRENT_USER/software"))
    made.insert(entry.path().filename().string());
  EXPECT_EQ(made, (std::set<std::string>{"%2E.", "%2E.%2F..%2Fescaped", "a%2F..%2F..%2Fb",
                                         "%252E%252E", "%2Fabs", "%25", "%2E"}));
  EXPECT_TRUE(fs::is_directory(Base() + "/HKEY_CURRENT_USER/software/%2E./%2E./%2E./up"));
}

TEST_F(PosixRegistryLayout, ValuesWithoutWriteBitsMakeAKeyReadOnlyEvenForRoot) {
  const RegKeyPtr key = CreateRegKey(kHkeyCurrentUser, "software\\Locked");
  ASSERT_EQ(SetRegValue(*key, "v", {RegType::String, "kept"}), RegStatus::Ok);
  const std::string values = Base() + "/HKEY_CURRENT_USER/software/Locked/.values";
  test::SetReadOnly(values, true);
  EXPECT_EQ(OpenRegKey(kHkeyCurrentUser, "software\\Locked", RegAccess::ReadWrite), nullptr);
  EXPECT_EQ(CreateRegKey(kHkeyCurrentUser, "software\\Locked"), nullptr);
  EXPECT_EQ(test::ReadRegText(kHkeyCurrentUser, "software\\Locked", "v"), "kept");
}

TEST_F(PosixRegistryLayout, AWriteNeverLosesValuesItCannotReadOrUnderstand) {
  const RegKeyPtr key = CreateRegKey(kHkeyCurrentUser, "software\\Damaged");
  const std::string values = Base() + "/HKEY_CURRENT_USER/software/Damaged/.values";
  const std::string damaged = "\x01\x02garbage\0\n\"a\"=\"1\"\n\"cut\"=\"no end"s;
  test::WriteFile(values, damaged);
  EXPECT_EQ(test::ReadRegText(kHkeyCurrentUser, "software\\Damaged", "a"), "1");
  ASSERT_EQ(SetRegValue(*key, "b", {RegType::String, "2"}), RegStatus::Ok);
  EXPECT_EQ(test::ReadFile(values), damaged + "\n\"b\"=\"2\"\n");

  // A values file that cannot be read is never replaced.
  fs::remove(values);
  fs::create_directory(values);
  RegValue v;
  EXPECT_EQ(SetRegValue(*key, "b", {RegType::String, "3"}), RegStatus::Failed);
  EXPECT_EQ(QueryRegValue(*key, "b", v), RegStatus::Failed);
  EXPECT_TRUE(fs::is_directory(values));
}

TEST_F(PosixRegistryLayout, TemporaryFilesOfAKilledWriteGoWithTheNextWrite) {
  const RegKeyPtr key = CreateRegKey(kHkeyCurrentUser, "software\\Debris");
  const std::string dir = Base() + "/HKEY_CURRENT_USER/software/Debris";
  test::WriteFile(dir + "/.penvo-tmp-AbC123", "\"half\"=\"writ");
  ASSERT_EQ(SetRegValue(*key, "v", {RegType::String, "1"}), RegStatus::Ok);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{".values"});
}

TEST_F(PosixRegistryLayout, ARootThatCannotBeMadeGivesNoKeys) {
  test::WriteFile(sandbox_.Dir().File("file"), "");
  test::ScopedEnv reg("QINI_REGISTRY_DIR", sandbox_.Dir().File("file"));
  EXPECT_EQ(CreateRegKey(kHkeyCurrentUser, "software\\x"), nullptr);
  EXPECT_EQ(OpenRegKey(kHkeyCurrentUser, "", RegAccess::Read), nullptr);
}

}  // namespace
}  // namespace penvo::os::posix
