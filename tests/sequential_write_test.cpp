#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "run_capture.h"

namespace {

using SequentialWriteTest = FakePlatformTest;

const std::vector<std::string> kWrite = {"f.dat", "-w", "-filesize", "32k", "-pagesize", "8k"};

const char kAnnouncement[] = "Sequentially writing 32768 bytes to file: f.dat with a 8192 page size.\n";
const char kReport[] = "Write Throughput: 0.062500 MB/Sec.\nElapsed time: 0.500000 Secs\n";
const char kDebugHead[] =
    "DEBUG: Writing to File: f.dat\n"
    "DEBUG: Filesize is: 32768 or 32 KB\n"
    "DEBUG: Pagesize is: 8192 or 8 KB\n"
    "DEBUG: Number of pages to be written: 4\n";

TEST_F(SequentialWriteTest, RequestOutcomes) {
    const std::string failed = "ERROR: An error was detected while writing 8192 bytes to file: f.dat\n";
    const std::string zero = "ERROR: Zero bytes were written while writing 8192 bytes to file: f.dat\n";
    const std::string pending = "DEBUG: Pending I/O for file: f.dat\n";
    struct Case {
        const char* name;
        FakeResult second;
        size_t requests;
        std::string lines;
        std::string debugLines;
    };
    const std::vector<Case> cases = {
        {"complete", {FakeOutcome::Complete, 8192, 0}, 4, kReport, kReport},
        {"zero bytes", {FakeOutcome::Complete, 0, 0}, 4, zero + kReport, zero + kReport},
        {"fails", {FakeOutcome::Fail, 0, 112}, 2, failed + "       return code is: 112\n",
         failed + "       return code is: 112\n"},
        {"pending, complete", {FakeOutcome::PendingComplete, 8192, 0}, 4, kReport, pending + kReport},
        {"pending, zero bytes", {FakeOutcome::PendingComplete, 0, 0}, 4, zero + kReport, pending + zero + kReport},
        {"pending, fails", {FakeOutcome::PendingFail, 0, 223}, 2, failed + "       return code is: 223\n",
         pending + failed + "       return code is: 223\n"},
    };
    for (const Case& c : cases) {
        Script script;
        script.results[1] = c.second;
        EXPECT_EQ(RunScripted(script, kWrite), kAnnouncement + c.lines) << c.name;
        EXPECT_EQ(Fake().requests.size(), c.requests) << c.name;
        EXPECT_EQ(Fake().closes, 1) << c.name;
        ExpectEverythingReleased();
        EXPECT_EQ(RunScripted(script, With(kWrite, {"-debug"})),
                  kDebugHead + std::string(kAnnouncement) + "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n" +
                      c.debugLines)
            << c.name;
        ExpectEverythingReleased();
    }
}

TEST_F(SequentialWriteTest, ZeroPagesInOrderThroughOneExclusiveHandle) {
    RunScripted(Script{}, With(kWrite, {"-detailed_debug"}));
    ASSERT_EQ(Fake().opens.size(), 1u);
    EXPECT_EQ(Fake().opens[0].access, GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(Fake().opens[0].shareMode, 0u);
    EXPECT_EQ(Fake().opens[0].disposition, CREATE_ALWAYS);
    ASSERT_EQ(Fake().requests.size(), 4u);
    const char* page = static_cast<const char*>(Fake().requests[0].buffer);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(Fake().requests[i].kind, 'W');
        EXPECT_EQ(Fake().requests[i].offset, static_cast<int64_t>(i) * 8192);
        EXPECT_EQ(Fake().requests[i].buffer, page);
    }
    ResetFakePlatform();
    const std::string output = RunScripted(Script{}, With(kWrite, {"-detailed_debug"}));
    EXPECT_NE(output.find("DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n"
                          "DEBUG: Writing 8192 bytes beginning with offset 0.\n"
                          "DEBUG: Writing 8192 bytes beginning with offset 8192.\n"
                          "DEBUG: Writing 8192 bytes beginning with offset 16384.\n"
                          "DEBUG: Writing 8192 bytes beginning with offset 24576.\n" +
                          std::string(kReport)),
              std::string::npos)
        << output;
}


TEST_F(SequentialWriteTest, OneOpenFlagEachSettingReplacingTheOneBefore) {
    struct Case {
        std::vector<std::string> options;
        DWORD flags;
        std::string flagLine;
    };
    const std::vector<Case> cases = {
        {{}, 0x08000000, "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n"},
        {{"-ran"}, 0x08000000, "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n"},
        {{"-writethru"}, 0x80000000, "DEBUG: flag: FILE_FLAG_WRITE_THROUGH present:\n"},
        {{"-unbuffered"}, 0x20000000, "DEBUG: flag: FILE_FLAG_NO_BUFFERING present:\n"},
        {{"-writethru", "-unbuffered"}, 0x20000000, "DEBUG: flag: FILE_FLAG_NO_BUFFERING present:\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = With(kWrite, {"-debug"});
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(RunScripted(Script{}, arguments), kDebugHead + std::string(kAnnouncement) + c.flagLine + kReport);
        ASSERT_EQ(Fake().opens.size(), 1u);
        EXPECT_EQ(Fake().opens[0].flags, c.flags);
    }
}

TEST_F(SequentialWriteTest, FailuresOutsideTheRequests) {
    Script openFails;
    openFails.openFailure = 5;
    Script invalidHandle;
    invalidHandle.closeFailure = 6;
    Script closeFails;
    closeFails.closeFailure = 1117;
    Script allocationFails;
    allocationFails.allocationFailures = {0};
    struct Case {
        const char* name;
        Script script;
        std::vector<std::string> arguments;
        std::string output;
        size_t opens;
        int counterReadings;
    };
    const std::vector<Case> cases = {
        {"open", openFails, kWrite,
         std::string(kAnnouncement) + "ERROR: An error was detected while trying to open file: f.dat.\n"
                                      "       return code is: 5\n",
         1, 1},
        {"close, invalid handle", invalidHandle, kWrite,
         std::string(kAnnouncement) + "ERROR: Invalid handle detected while closing file: f.dat\n", 1, 1},
        {"close, another code", closeFails, kWrite,
         std::string(kAnnouncement) + "ERROR: Unknown error detected while closing file: f.dat\n"
                                      "       return code is: 1117\n",
         1, 1},
        {"allocation", allocationFails, kWrite, "ERROR: Unable to allocate buffer for sequential writing.\n", 0, 0},
        {"not a multiple, numpages given", Script{},
         {"f.dat", "-w", "-filesize", "12289", "-pagesize", "4k", "-numpages", "2", "-debug"},
         "DEBUG: Writing to File: f.dat\n"
         "DEBUG: Filesize is: 12289 or 12 KB\n"
         "DEBUG: Pagesize is: 4096 or 4 KB\n"
         "DEBUG: Number of pages to be written: 3\n"
         "ERROR: The file size 12289 is not a multiple of page size 4096.\n",
         0, 0},
        {"numpages given", Script{}, With(kWrite, {"-numpages", "2", "-debug"}),
         std::string(kDebugHead) +
             "WARNING: Option numpages specified without SGIO option specified.\n"
             "         Option numpages will be ignored.\n" +
             kAnnouncement + "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n" + kReport,
         1, 2},
        {"too many pages", Script{}, {"f.dat", "-w", "-filesize", "2g", "-pagesize", "1"},
         "ERROR: File size 2147483648 holds 2147483648 pages of 1 bytes; this workload takes at most "
         "2147483647 pages.\n",
         0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunScripted(c.script, c.arguments), c.output) << c.name;
        EXPECT_EQ(Fake().opens.size(), c.opens) << c.name;
        EXPECT_EQ(Fake().counterReadings, c.counterReadings) << c.name;
        ExpectEverythingReleased();
    }
}

}  // namespace
