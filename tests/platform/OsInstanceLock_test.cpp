// The single-instance claim: one holder of a name at a time.
#include "platform/OsInstanceLock.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestFiles.h"

namespace penvo::os {
namespace {

class OsInstanceLock : public ::testing::Test {
 protected:
  // Names of the test's own (the Windows claim lives in the session, not in the directory).
  std::string Name(const std::string& what) const {
    return "PenvoTest-" + what + "-" + dir_.Path().filename().string();
  }
  InstanceLockResult Try(const std::string& name) const {
    return TryLockInstance(dir_.Path().string(), name);
  }

  test::TempDir dir_;
};

TEST_F(OsInstanceLock, OneHolderAtATimeAndTheNameIsFreeAgainOnceGivenUp) {
  const std::string name = Name("one");
  InstanceLockResult first = Try(name);
  ASSERT_EQ(first.claim, InstanceClaim::Taken);
  ASSERT_NE(first.lock, nullptr);
  const InstanceLockResult second = Try(name);
  EXPECT_EQ(second.claim, InstanceClaim::HeldElsewhere);
  EXPECT_EQ(second.lock, nullptr);
  EXPECT_EQ(Try(Name("other")).claim, InstanceClaim::Taken);  // another name, another claim

  first.lock.reset();
  InstanceLockResult again = Try(name);
  EXPECT_EQ(again.claim, InstanceClaim::Taken);
  EXPECT_EQ(Try(name).claim, InstanceClaim::HeldElsewhere);
}

}  // namespace
}  // namespace penvo::os
