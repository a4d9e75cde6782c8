// A later start reaches the running instance; a socket left by a crashed one is taken over.
#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <QLocalServer>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/Platform.h"
#include "tests/support/TestFiles.h"

namespace penvo {
namespace {

using namespace std::chrono_literals;

// Sockets and lock files go to a directory of the test's own, which goes with the test.
class SingleInstance : public ::testing::Test {
 protected:
  test::TempDir dir_;
  test::ScopedEnv tmpDir_{"TMPDIR", dir_.Path().string()};
};

TEST_F(SingleInstance, ALaterStartBringsTheRunningOneToTheFrontAndLeavesItReachable) {
  TSingleInstance running("live");
  int activations = 0;
  ASSERT_TRUE(running.Claim([&] { ++activations; }));
  for (int start = 1; start <= 2; ++start) {
    TSingleInstance later("live");
    EXPECT_FALSE(later.Claim([] { ADD_FAILURE() << "a later start became the instance"; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return activations == start; }, 5000)) << start;
  }
}

TEST_F(SingleInstance, ALaterStartHandsItsActivationTokenToTheRunningOne) {
  TSingleInstance running("token");
  std::string seen = "none";
  ASSERT_TRUE(running.Claim([&] { seen = qEnvironmentVariable("XDG_ACTIVATION_TOKEN").toStdString(); }));
  {
    // The launcher's token of the later start; the running instance had none.
    test::ScopedEnv token{"XDG_ACTIVATION_TOKEN", "launch-42_x"};
    TSingleInstance later("token");
    EXPECT_FALSE(later.Claim([] {}));
    qunsetenv("XDG_ACTIVATION_TOKEN");  // as in the running instance, which has none
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen != "none"; }, 5000));
  }
  EXPECT_EQ(seen, "launch-42_x");
}

TEST_F(SingleInstance, TheRunningOneMayWaitForTheWindowSystemWhileItComesToTheFront) {
  // Coming to the front handles events while it waits; the later start has gone meanwhile.
  TSingleInstance running("waits");
  int activations = 0;
  ASSERT_TRUE(running.Claim([&] {
    QTest::qWait(300);
    ++activations;
  }));
  {
    TSingleInstance later("waits");
    EXPECT_FALSE(later.Claim([] {}));
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 5000));
  QTest::qWait(50);
  EXPECT_EQ(activations, 1);
}

TEST_F(SingleInstance, WaylandSessionsWithDisplaysOfOneNameHaveAnInstanceEach) {
  // Each session's compositor names its display within the session's runtime directory.
  test::ScopedEnv display{"WAYLAND_DISPLAY", "wayland-0"};
  std::optional<test::ScopedEnv> runtime;
  runtime.emplace("XDG_RUNTIME_DIR", (dir_.Path() / "one").string());
  TSingleInstance first("session");
  ASSERT_TRUE(first.Claim([] { ADD_FAILURE() << "the other session's instance came forward"; }));
  runtime.reset();
  runtime.emplace("XDG_RUNTIME_DIR", (dir_.Path() / "two").string());
  TSingleInstance second("session");
  int activations = 0;
  EXPECT_TRUE(second.Claim([&] { ++activations; }));
  TSingleInstance later("session");
  EXPECT_FALSE(later.Claim([] {}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 5000));
}

TEST_F(SingleInstance, ASocketLeftByACrashedInstanceDoesNotStopTheNextStartBeingFound) {
  PENVO_ONLY_ON(Posix, "only there is a local server a file that outlives its process");
  const std::string name = "stale";
  const std::filesystem::path stale = dir_.Path() / TSingleInstance(name).ServerName();
  {
    // A second name of a socket that then closes: a socket file that nobody listens on.
    QLocalServer crashed;
    ASSERT_TRUE(crashed.listen("crashed"));
    std::filesystem::create_hard_link(crashed.fullServerName().toStdString(), stale);
  }
  ASSERT_TRUE(std::filesystem::is_socket(stale));

  TSingleInstance next(name);
  int activations = 0;
  ASSERT_TRUE(next.Claim([&] { ++activations; }));
  TSingleInstance later(name);
  EXPECT_FALSE(later.Claim([] {}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 5000));
}

TEST_F(SingleInstance, AStartWhileTheInstanceEndsWaitsForItAndThenRuns) {
  auto ending = std::make_unique<TSingleInstance>("ending");
  ASSERT_TRUE(ending->Claim([] {}));
  ending->Withdraw();  // its message loop has ended
  // It saves its settings for a while, then ends.
  std::thread saving([&] {
    std::this_thread::sleep_for(200ms);
    ending.reset();
  });
  TSingleInstance next("ending");
  EXPECT_TRUE(next.Claim([] {}));
  saving.join();
}

}  // namespace
}  // namespace penvo
