// Registry stores over keys that cannot be made, written or read, set up by means of the POSIX
// registry layout (a file where a directory belongs, a values file without write bits).
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "settings/IniReadOrder.h"
#include "tests/settings/WriteErrorRecorder.h"
#include "tests/support/Platform.h"
#include "tests/support/Sandbox.h"
#include "tests/support/TestFiles.h"

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

// Without a place for the user's registry (no home directory, a read-only one; here a file
// stands where a directory belongs) each write fails, and the chain hands the value on.
TEST_F(PosixRegistryStore, AUserKeyThatCannotBeCreatedIsReportedAndTheNextStoreTakesTheValue) {
  const std::string file = sandbox_.Dir().File("file");
  test::WriteFile(file, "");
  const std::string message = "Failed to create key software\\Ruvi\\Penvo";
  struct Row {
    std::optional<std::string> registry, home;
  };
  for (const Row& r : std::vector<Row>{{file, std::nullopt}, {std::nullopt, file + "/home"}}) {
    const std::string label = r.registry ? "registry in a file" : "home in a file";
    test::ScopedEnv registry("QINI_REGISTRY_DIR", r.registry);
    test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    test::ScopedEnv home("HOME", r.home);
    const std::unique_ptr<TqRegistryIniFile> store = CreateRegistryStore(location_, "");
    ASSERT_NE(store, nullptr);
    for (int attempt = 0; attempt < 2; ++attempt) {  // each write tries again
      try {
        store->WriteSetting("Pos", "FormOptions", "1");
        ADD_FAILURE() << label << ": the write was taken";
      } catch (const ERegistryException& e) {
        EXPECT_EQ(std::string(e.what()), message) << label;
      }
      EXPECT_FALSE(store->KeyExisted()) << label;
      EXPECT_FALSE(store->OpenedForWrite()) << label;
    }

    const std::string ini = sandbox_.Dir().File("later.ini");
    prompt_.Texts.clear();
    EXPECT_EQ(WriteThroughChain(location_ + ";" + ini, "Pos"), message) << label;
    EXPECT_EQ(prompt_.Texts, std::vector<std::string>{message + "\r\nStop showing errors?"});
    EXPECT_EQ(test::ReadFile(ini), "[Pos]\nFormOptions=1\n") << label;
    fs::remove(ini);
  }
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
