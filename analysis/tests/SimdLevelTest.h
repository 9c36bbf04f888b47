// A test fixture that runs each kernel test at one instruction-set level, and
// the names of the levels for parameterised suites. A level the processor lacks
// is skipped; the best level is restored afterwards.
#ifndef LMCMANLZ_TESTS_SIMDLEVELTEST_H
#define LMCMANLZ_TESTS_SIMDLEVELTEST_H

#include <gtest/gtest.h>

#include <string>

#include "SimdDispatch.h"

namespace anlztest {

class SimdLevelTest : public ::testing::TestWithParam<lmcmanlz::SimdLevel> {
protected:
    void SetUp() override {
        if (static_cast<int>(GetParam()) > static_cast<int>(lmcmanlz::DetectedSimdLevel()))
            GTEST_SKIP() << "not supported";
        lmcmanlz::SetSimdLevel(GetParam());
    }
    void TearDown() override { lmcmanlz::SetSimdLevel(lmcmanlz::DetectedSimdLevel()); }
};

inline std::string SimdLevelName(const ::testing::TestParamInfo<lmcmanlz::SimdLevel>& info) {
    switch (info.param) {
    case lmcmanlz::SimdLevel::Avx512: return "Avx512";
    case lmcmanlz::SimdLevel::Avx2: return "Avx2";
    default: return "Baseline";
    }
}

inline const auto kAllSimdLevels = ::testing::Values(lmcmanlz::SimdLevel::Baseline, lmcmanlz::SimdLevel::Avx2,
                                                     lmcmanlz::SimdLevel::Avx512);

}  // namespace anlztest

#endif
