#include "SystemCheck.h"

#include <gtest/gtest.h>

namespace {
constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;
}

TEST(SystemCheck, AdvisesOnOneProcessorOrLittleMemory)
{
    EXPECT_TRUE(NeedsPerformanceAdvice({1, 8 * kGiB}));
    EXPECT_TRUE(NeedsPerformanceAdvice({2, static_cast<std::uint64_t>(1.4 * kGiB)}));
    EXPECT_FALSE(NeedsPerformanceAdvice({2, 3 * kGiB / 2})) << "exactly 1.5 GiB is enough";
    EXPECT_TRUE(NeedsPerformanceAdvice({2, 3 * kGiB / 2 - 1}));
    EXPECT_FALSE(NeedsPerformanceAdvice({8, 16 * kGiB}));
}

TEST(SystemCheck, UnknownValuesGiveNoAdvice)
{
    EXPECT_FALSE(NeedsPerformanceAdvice({0, 8 * kGiB}));
    EXPECT_FALSE(NeedsPerformanceAdvice({4, 0}));
}

TEST(SystemCheck, ReadsThisComputer)
{
    const SystemInfo info = ReadSystemInfo();
    EXPECT_GE(info.processors, 1u);
    EXPECT_GT(info.memoryBytes, 64ull * 1024 * 1024);
    EXPECT_EQ(PerformanceAdviceText(),
              QStringLiteral("컴퓨터 성능이 Full HD영상을 돌리는데 문제가 있을수 있습니다"));
}
