#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "run_capture.h"

namespace {

using SequentialReadTest = FakePlatformTest;

const std::vector<std::string> kRead = {"f.dat", "-r", "-filesize", "32k", "-pagesize", "8k"};

const char kAnnouncement[] = "Sequentially reading 32768 bytes from file: f.dat with a 8192 page size.\n";
const char kReport[] = "Read Throughput: 0.062500 MB/Sec.\nElapsed time: 0.500000 Secs\n";

TEST_F(SequentialReadTest, RequestOutcomes) {
    const std::string failed =
        "ERROR: An error was detected while sequentially reading 8192 bytes from file: f.dat\n";
    const std::string zero = "ERROR: Zero bytes were read while reading 8192 bytes from file: f.dat\n";
    const std::string pending = "DEBUG: Pending I/O while sequentially reading file: f.dat\n";
    struct Case {
        const char* name;
        FakeResult second;  // the outcome of the second request
        size_t requests;
        std::string lines;  // after the announcement
        std::string debugLines;  // the same with -debug, after the flag line
    };
    const std::vector<Case> cases = {
        {"complete", {FakeOutcome::Complete, 8192, 0}, 4, kReport, kReport},
        {"short", {FakeOutcome::Complete, 100, 0}, 4, kReport, kReport},
        {"zero bytes", {FakeOutcome::Complete, 0, 0}, 4, zero + kReport, zero + kReport},
        {"fails", {FakeOutcome::Fail, 0, 5}, 2, failed + "       return code is: 5\n",
         failed + "       return code is: 5\n"},
        {"pending, complete", {FakeOutcome::PendingComplete, 8192, 0}, 4, kReport, pending + kReport},
        {"pending, zero bytes", {FakeOutcome::PendingComplete, 0, 0}, 4, zero + kReport,
         pending + zero + kReport},
        {"pending, fails", {FakeOutcome::PendingFail, 0, 38}, 2, failed + "       return code is: 38\n",
         pending + failed + "       return code is: 38\n"},
    };
    for (const Case& c : cases) {
        Script script;
        script.results[1] = c.second;
        EXPECT_EQ(RunScripted(script, kRead), kAnnouncement + c.lines) << c.name;
        EXPECT_EQ(Fake().requests.size(), c.requests) << c.name;
        EXPECT_EQ(Fake().closes, 1) << c.name;
        ExpectEverythingReleased();

        EXPECT_EQ(RunScripted(script, With(kRead, {"-debug"})),
                  "DEBUG: Reading from File: f.dat\n"
                  "DEBUG: Filesize is: 32768 or 32 KB\n"
                  "DEBUG: Pagesize is: 8192 or 8 KB\n"
                  "DEBUG: Number of pages to be read: 4\n" +
                      std::string(kAnnouncement) + "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n" +
                      c.debugLines)
            << c.name;
        ExpectEverythingReleased();
    }
}

TEST_F(SequentialReadTest, RequestsGoInPageOrderIntoOneBuffer) {
    Script script;
    RunScripted(script, kRead);
    ASSERT_EQ(Fake().requests.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Fake().requests[i].kind, 'R');
        EXPECT_EQ(Fake().requests[i].offset, static_cast<int64_t>(i) * 8192);
        EXPECT_EQ(Fake().requests[i].bytes, 8192u);
        EXPECT_EQ(Fake().requests[i].buffer, Fake().requests[0].buffer);
    }
    ASSERT_EQ(Fake().opens.size(), 1u);
    const FakeOpen& open = Fake().opens[0];
    EXPECT_EQ(open.fileName, "f.dat");
    EXPECT_EQ(open.access, GENERIC_READ);
    EXPECT_EQ(open.shareMode, FILE_SHARE_READ);
    EXPECT_EQ(open.disposition, OPEN_EXISTING);
    EXPECT_EQ(open.flags, FILE_FLAG_SEQUENTIAL_SCAN);
    EXPECT_EQ(Fake().allocationSizes, std::vector<size_t>{8192});
    EXPECT_EQ(Fake().counterReadings, 2);
}

TEST_F(SequentialReadTest, OffsetsBeyondFourGigabytes) {
    Script script;
    RunScripted(script, {"f.dat", "-filesize", "8g", "-pagesize", "64m"});
    ASSERT_EQ(Fake().requests.size(), 128u);
    EXPECT_EQ(Fake().requests[127].offset, 127LL << 26);
}

TEST_F(SequentialReadTest, UnbufferedOpensOverlappedWithoutTheHint) {
    Script script;
    const std::string output =
        RunScripted(script, With(kRead, {"-unbuffered", "-writethru", "-ran", "-seq", "-debug"}));
    const std::string expected = std::string(kAnnouncement) +
                                 "DEBUG: flag: FILE_FLAG_OVERLAPPED present:\n"
                                 "DEBUG: flag: FILE_FLAG_NO_BUFFERING present:\n" + kReport;
    ASSERT_GE(output.size(), expected.size());
    EXPECT_EQ(output.substr(output.size() - expected.size()), expected);
    ASSERT_EQ(Fake().opens.size(), 1u);
    EXPECT_EQ(Fake().opens[0].flags, 0x60000000u);
}

TEST_F(SequentialReadTest, DetailedDebugPrintsAnOffsetLineBeforeEachRequest) {
    Script script;
    script.results[1] = FakeResult{FakeOutcome::Fail, 0, 87};
    const std::string output = RunScripted(script, With(kRead, {"-detailed_debug"}));
    const std::string expected =
        "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n"
        "DEBUG: Sequentially Reading 8192 bytes beginning with offset 0.\n"
        "DEBUG: Sequentially Reading 8192 bytes beginning with offset 8192.\n"
        "ERROR: An error was detected while sequentially reading 8192 bytes from file: f.dat\n"
        "       return code is: 87\n";
    ASSERT_GE(output.size(), expected.size());
    EXPECT_EQ(output.substr(output.size() - expected.size()), expected);
}

TEST_F(SequentialReadTest, FailuresOutsideTheRequests) {
    struct Case {
        const char* name;
        Script script;
        std::vector<std::string> arguments;
        std::string output;
        int closes;
        size_t requests;
    };
    Script openFails;
    openFails.openFailure = 2;
    Script closeFails;
    closeFails.closeFailure = 6;
    Script allocationFails;
    allocationFails.allocationFailures = {0};
    const std::vector<Case> cases = {
        {"open", openFails, kRead,
         std::string(kAnnouncement) + "ERROR: Unable to open file f.dat for sequential reading.\n"
                                      "ERROR: Return code is: 2.\n",
         0, 0},
        {"close", closeFails, kRead,
         std::string(kAnnouncement) + "ERROR: An error was detected while closing file: f.dat\n"
                                      "       return code is: 6\n",
         1, 4},
        {"allocation", allocationFails, kRead,
         std::string(kAnnouncement) + "ERROR: Unable to allocate buffer for sequential reading.\n", 1, 0},
        {"numpages and not a multiple", Script{},
         {"f.dat", "-numpages", "3", "-filesize", "12289", "-pagesize", "4k", "-debug", "-r"},
         "DEBUG: Reading from File: f.dat\n"
         "DEBUG: Filesize is: 12289 or 12 KB\n"
         "DEBUG: Pagesize is: 4096 or 4 KB\n"
         "WARNING: Option numpages specified without SGIO option specified.\n"
         "         Option numpages will be ignored.\n"
         "DEBUG: Number of pages to be read: 3\n"
         "ERROR: File size 12289 is not a multiple of the page size 4096.\n",
         0, 0},
        {"smaller than a page", Script{}, {"f.dat", "-filesize", "100", "-pagesize", "4k", "-r"},
         "ERROR: File size 100 is not a multiple of the page size 4096.\n", 0, 0},
        {"too many pages", Script{}, {"f.dat", "-filesize", "2g", "-pagesize", "1", "-r", "-debug"},
         "DEBUG: Reading from File: f.dat\n"
         "DEBUG: Filesize is: 2147483648 or 2097152 KB\n"
         "DEBUG: Pagesize is: 1 or 0 KB\n"
         "ERROR: File size 2147483648 holds 2147483648 pages of 1 bytes; this workload takes at most "
         "2147483647 pages.\n",
         0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunScripted(c.script, c.arguments), c.output) << c.name;
        EXPECT_EQ(Fake().requests.size(), c.requests) << c.name;
        EXPECT_EQ(Fake().closes, c.closes) << c.name;
        ExpectEverythingReleased();
    }
}

TEST_F(SequentialReadTest, NumPagesWarningComesFirstAndChangesNothingElse) {
    Script script;
    EXPECT_EQ(RunScripted(script, With(kRead, {"-numpages", "7"})),
              "WARNING: Option numpages specified without SGIO option specified.\n"
              "         Option numpages will be ignored.\n" +
                  std::string(kAnnouncement) + kReport);
    EXPECT_EQ(Fake().requests.size(), 4u);
}

}  // namespace
