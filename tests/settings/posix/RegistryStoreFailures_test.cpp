// Registry stores over keys that cannot be made, written or read, set up by means of the POSIX
// registry layout (a file where a directory belongs, a values file without write bits).
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/IniReadOrder.h"
#include "tests/settings/WriteErrorRecorder.h"
#include "tests/support/Sandbox.h"

namespace penvo {
namespace {

namespace fs = std::filesystem;

class PosixRegistryStore : public ::testing::Test {
 protected:
  std::string KeyDir() const {
    return sandbox_.RegistryDir() + "/HKEY_CURRENT_USER/software/Ruvi/Penvo";
  }
  // Writes through a chain whose read order is the store of location alone.
  std::string WriteThroughChain(const std::string& location, const std::string& section) {
    TIniReadOrder chain;
    chain.ErrorPrompt = &prompt_;
    chain.WriteSetting(location, section, "FormOptions", "1");
    return chain.LastError();
  }

  test::RegistrySandbox sandbox_;
  test::WriteErrorRecorder prompt_;
  const std::string location_ = "HKEY_CURRENT_USER\\software\\Ruvi\\Penvo";
};

TEST_F(PosixRegistryStore, AKeyThatCannotBeCreatedDropsTheWriteWithoutAReport) {
  test::WriteFile(sandbox_.Dir().File("file"), "");
  test::ScopedEnv registry("QINI_REGISTRY_DIR", sandbox_.Dir().File("file"));
  const std::unique_ptr<TqRegistryIniFile> store = CreateRegistryStore(location_, "");
  ASSERT_NE(store, nullptr);
  store->WriteSetting("Pos", "FormOptions", "1");
  EXPECT_FALSE(store->KeyExisted());
  EXPECT_FALSE(store->OpenedForWrite());  // the next write tries again
  EXPECT_EQ(WriteThroughChain(location_, "Pos"), "");
  EXPECT_TRUE(prompt_.Texts.empty());
}

TEST_F(PosixRegistryStore, ASectionThatCannotBeCreatedOrWrittenIsReported) {
  fs::create_directories(KeyDir());
  test::WriteFile(KeyDir() + "/Blocked", "");         // a file where the sub-key belongs
  fs::create_directories(KeyDir() + "/Pos/.values");  // a directory where the values belong
  EXPECT_EQ(WriteThroughChain(location_, "Blocked"), "Failed to create key Blocked");
  EXPECT_EQ(WriteThroughChain(location_, "Pos"), "Failed to set data for 'FormOptions'");
  EXPECT_EQ(prompt_.Texts, (std::vector<std::string>{
                               "Failed to create key Blocked\r\nStop showing errors?",
                               "Failed to set data for 'FormOptions'\r\nStop showing errors?"}));
  TqRegistryIniFile store(location_, 0);
  try {
    store.ReadSetting("Pos", "FormOptions", "def");
    FAIL() << "an unreadable value was read";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "Failed to get data for 'FormOptions'");
  }
}

TEST_F(PosixRegistryStore, SectionAndKeyNamesStayInsideTheRegistry) {
  TIniReadOrder chain;
  for (const std::string section : {"..", "..\\..\\..\\..\\escape", "a/../../b", "%2e%2e", "."})
    chain.WriteSetting("HKCU\\software\\..\\..\\..", section, "..", section);
  EXPECT_EQ(chain.LastError(), "");
  for (const auto& entry : fs::recursive_directory_iterator(sandbox_.Dir().Path()))
    EXPECT_TRUE(entry.path().string().starts_with(sandbox_.RegistryDir())) << entry.path();
  EXPECT_EQ(chain.ReadSetting("HKCU\\software\\..\\..\\..", "a/../../b", "..", "def"), "a/../../b");
}

}  // namespace
}  // namespace penvo
