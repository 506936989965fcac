#include <gtest/gtest.h>

#include "core/single_instance.h"

namespace quistrel {
namespace {

TEST(SingleInstance, AMutexThatExistsOrCannotBeOpenedMeansTheProgramRuns) {
  EXPECT_FALSE(AnotherInstanceRuns(true, 0));
  EXPECT_TRUE(AnotherInstanceRuns(true, kErrorAlreadyExists));
  EXPECT_TRUE(AnotherInstanceRuns(false, 5));  // ERROR_ACCESS_DENIED: the first copy runs elevated
  EXPECT_TRUE(AnotherInstanceRuns(false, 6));
}

}  // namespace
}  // namespace quistrel
