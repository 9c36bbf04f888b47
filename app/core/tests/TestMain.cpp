// Starts the filter system once for every test of this executable, as the
// workstation does at start-up.
#include <gtest/gtest.h>

#include "LmCmAnlz.h"

namespace {

class FilterSystemEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(StartFilterSystem(), 0); }
    void TearDown() override { StopFilterSystem(); }
};

const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new FilterSystemEnvironment);

}  // namespace
