#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "measure/report.h"
#include "run_capture.h"

namespace {

using ReportTest = FakePlatformTest;

LARGE_INTEGER Reading(LONGLONG ticks) {
    LARGE_INTEGER reading;
    reading.QuadPart = ticks;
    return reading;
}

TEST_F(ReportTest, ElapsedSecondsIsTheTrueDifference) {
    Fake().frequency = 10000000;
    struct Case {
        LONGLONG start;
        LONGLONG end;
        double seconds;
    };
    const Case cases[] = {
        {0, 25000000, 2.5},                                // same upper half, fraction kept
        {0xFFFFFF00LL, 0x100000010LL, 272.0 / 10000000},    // upper halves differ, low half wraps
        {0, (1LL << 32) + 5000000, 429.9967296},           // a second the upper half alone would drop
        {(7LL << 32) + 123, (9LL << 32) + 123, 2 * 429.4967296},
        {1000, 1000, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ElapsedSeconds(Reading(c.start), Reading(c.end)), c.seconds) << c.end;
    }
}

TEST_F(ReportTest, FrequencyOfTwoToTheThirtyTwoAndMore) {
    Fake().frequency = 1LL << 33;
    EXPECT_DOUBLE_EQ(ElapsedSeconds(Reading(1LL << 30), Reading((1LL << 34) + (1LL << 30))), 2.0);
}

TEST_F(ReportTest, FrequencyIsFetchedOnceWhileItIsNotZero) {
    ElapsedSeconds(Reading(0), Reading(1));
    ElapsedSeconds(Reading(0), Reading(2));
    EXPECT_EQ(Fake().frequencyQueries, 1);

    ResetFakePlatform();
    ForgetCounterFrequency();
    Fake().frequency = 0;
    ElapsedSeconds(Reading(0), Reading(1));
    Fake().frequency = 100;
    EXPECT_DOUBLE_EQ(ElapsedSeconds(Reading(0), Reading(50)), 0.5);
    ElapsedSeconds(Reading(0), Reading(1));
    EXPECT_EQ(Fake().frequencyQueries, 2);
}

TEST_F(ReportTest, ReportPrintsThroughputThenElapsedTime) {
    Fake().frequency = 1000;
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    PrintReport("Read Throughput: %f MB/Sec.\n", 1048576, Reading(2000), Reading(2500));
    PrintReport("Read/Write Throughput: %f MB/Sec.\n", 3 * 1048576, Reading(0), Reading(4000));
    fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Read Throughput: 2.000000 MB/Sec.\n"
              "Elapsed time: 0.500000 Secs\n"
              "Read/Write Throughput: 0.750000 MB/Sec.\n"
              "Elapsed time: 4.000000 Secs\n");
}

TEST_F(ReportTest, ZeroElapsedTimeStillPrintsBothLines) {
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    PrintReport("Write Throughput: %f MB/Sec.\n", 1048576, Reading(7), Reading(7));
    fflush(stdout);
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(output.rfind("Write Throughput: inf MB/Sec.\n", 0), 0u) << output;
    EXPECT_NE(output.find("Elapsed time: 0.000000 Secs\n"), std::string::npos);
}

}  // namespace
