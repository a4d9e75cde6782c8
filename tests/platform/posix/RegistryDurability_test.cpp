// Writes to the POSIX registry survive a killed writer and a second writer (POSIX processes).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <vector>

#include "platform/OsRegistry.h"
#include "platform/posix/RegValues.h"
#include "tests/support/Sandbox.h"

namespace penvo::os {
namespace {

namespace fs = std::filesystem;

class PosixRegistryDurability : public ::testing::Test {
 protected:
  PosixRegistryDurability() {
    const RegKeyPtr key = CreateRegKey(kHkeyCurrentUser, kKey);
    // A larger file makes a write take longer, so that kills land inside writes.
    SetRegValue(*key, "Keep", {RegType::String, std::string(20000, 'k')});
  }

  std::string KeyDir() const { return sandbox_.RegistryDir() + "/HKEY_CURRENT_USER/software/D"; }

  // Runs body in a child process; the child ends with 0 when body returns true.
  static pid_t Spawn(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body() ? 0 : 1);
    return pid;
  }

  static int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
  }

  static constexpr const char* kKey = "software\\D";
  test::RegistrySandbox sandbox_;
};

TEST_F(PosixRegistryDurability, AKilledWriterLeavesACompleteFileWithTheLastAcknowledgedValue) {
  std::mt19937 rng(20240611);
  for (std::uint32_t round = 1; round <= 25; ++round) {
    int acks[2];
    ASSERT_EQ(::pipe(acks), 0);
    const std::uint32_t first = round * 1000000;
    const pid_t writer = Spawn([&] {
      ::close(acks[0]);
      const RegKeyPtr key = OpenRegKey(kHkeyCurrentUser, kKey, RegAccess::ReadWrite);
      for (std::uint32_t n = first;; ++n) {
        if (!key ||
            SetRegValue(*key, "Counter", {RegType::String, std::to_string(n)}) != RegStatus::Ok)
          return false;
        if (::write(acks[1], &n, sizeof n) != sizeof n) return false;
      }
    });
    ::close(acks[1]);
    // Let it acknowledge a few writes, then kill it in the middle of the next ones.
    const int wanted = 1 + static_cast<int>(rng() % 4);
    std::uint32_t acked = 0, n = 0;
    for (int got = 0; got < wanted && ::read(acks[0], &n, sizeof n) == sizeof n; ++got) acked = n;
    ::kill(writer, SIGKILL);
    const int status = Wait(writer);
    while (::read(acks[0], &n, sizeof n) == sizeof n) acked = n;
    ::close(acks[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed before it was killed, round " << round;
    ASSERT_GE(acked, first) << "round " << round;

    const std::string text = test::ReadFile(KeyDir() + "/.values");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n') << "round " << round;
    const reg::RegValuesText values(text);
    ASSERT_EQ(values.Names(), (std::vector<std::string>{"Keep", "Counter"})) << text;
    EXPECT_EQ(values.Find("Keep")->data, std::string(20000, 'k'));
    // The write after the last acknowledged one may have made it to the disk, too.
    const std::uint32_t found = std::stoul(values.Find("Counter")->data);
    EXPECT_TRUE(found == acked || found == acked + 1) << found << " after " << acked;
  }
  // What killed writes left behind goes with the next write.
  const RegKeyPtr key = OpenRegKey(kHkeyCurrentUser, kKey, RegAccess::ReadWrite);
  ASSERT_EQ(SetRegValue(*key, "Counter", {RegType::String, "done"}), RegStatus::Ok);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(KeyDir()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{".values"});
}

TEST_F(PosixRegistryDurability, TwoProcessesWritingTheSameKeyLoseNothing) {
  constexpr int kWrites = 60;
  const auto writer = [&](const std::string& prefix) {
    return Spawn([prefix] {
      const RegKeyPtr key = OpenRegKey(kHkeyCurrentUser, kKey, RegAccess::ReadWrite);
      for (int i = 0; i < kWrites; ++i)
        if (!key || SetRegValue(*key, prefix + std::to_string(i), {RegType::String, prefix}) !=
                        RegStatus::Ok)
          return false;
      return true;
    });
  };
  const pid_t a = writer("A");
  const pid_t b = writer("B");
  EXPECT_EQ(Wait(a), 0);
  EXPECT_EQ(Wait(b), 0);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(test::ReadRegText(kHkeyCurrentUser, kKey, "A" + std::to_string(i)), "A") << i;
    EXPECT_EQ(test::ReadRegText(kHkeyCurrentUser, kKey, "B" + std::to_string(i)), "B") << i;
  }
}

}  // namespace
}  // namespace penvo::os
