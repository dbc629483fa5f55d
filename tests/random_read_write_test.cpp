#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "run_capture.h"

namespace {

using RandomReadWriteTest = FakePlatformTest;

// One page: every request reads and writes page 1.
const std::vector<std::string> kOnePage = {"f.dat", "-rw", "-filesize", "8k", "-pagesize", "8k"};
const char kAnnouncement[] =
    "Random Reads and Writes: Reading and Writing 1 pages to file: f.dat with a 8192 page size.\n";
const char kReport[] = "Read/Write Throughput: 0.015625 MB/Sec.\nElapsed time: 0.500000 Secs\n";

struct Case {
    const char* name;
    FakeResult read;
    FakeResult write;
    std::string debugLines;  // after the announcement, with -debug
    std::vector<char> requests;
};

TEST_F(RandomReadWriteTest, ReadAndWriteOutcomes) {
    const std::string willRead = "DEBUG: Page Number 1 will be read.\n";
    const std::string willWrite = "DEBUG: Page Number 1 will be written.\n";
    const std::string readFailed = "ERROR: An error was detected while randomly reading page 1 from file: f.dat\n";
    const std::string readZero = "ERROR: Zero bytes were read while randomly reading page 1 from file: f.dat\n";
    const std::string readPending = "DEBUG: Pending I/O while randomly reading page 1 from file: f.dat\n";
    const std::string writeFailed = "ERROR: An error was detected while writing 8192 bytes to file: f.dat\n";
    const std::string writeZero = "ERROR: Zero bytes were written while writing 8192 bytes to file: f.dat\n";
    const std::string writePending = "DEBUG: Pending I/O for file: f.dat\n";
    const FakeResult full = {FakeOutcome::Complete, 8192, 0};
    const std::vector<Case> cases = {
        {"both complete", full, full, willRead + willWrite + kReport, {'R', 'W'}},
        {"read fails", {FakeOutcome::Fail, 0, 38}, full, willRead + readFailed + "       return code is: 38\n", {'R'}},
        {"read pending, fails", {FakeOutcome::PendingFail, 0, 5}, full,
         willRead + readPending + readFailed + "       return code is: 5\n", {'R'}},
        {"read zero bytes: nothing to write back", {FakeOutcome::Complete, 0, 0}, full,
         willRead + readZero + kReport, {'R'}},
        {"read pending, zero bytes", {FakeOutcome::PendingComplete, 0, 0}, full,
         willRead + readPending + readZero + kReport, {'R'}},
        {"read pending, complete", {FakeOutcome::PendingComplete, 8192, 0}, full,
         willRead + readPending + willWrite + kReport, {'R', 'W'}},
        {"write fails", full, {FakeOutcome::Fail, 0, 112},
         willRead + willWrite + writeFailed + "       return code is: 112\n", {'R', 'W'}},
        {"write pending, fails", full, {FakeOutcome::PendingFail, 0, 223},
         willRead + willWrite + writePending + writeFailed + "       return code is: 223\n", {'R', 'W'}},
        {"write pending, complete", full, {FakeOutcome::PendingComplete, 8192, 0},
         willRead + willWrite + writePending + kReport, {'R', 'W'}},
        {"write zero bytes", full, {FakeOutcome::Complete, 0, 0}, willRead + willWrite + writeZero + kReport,
         {'R', 'W'}},
        {"write pending, zero bytes", full, {FakeOutcome::PendingComplete, 0, 0},
         willRead + willWrite + writePending + writeZero + kReport, {'R', 'W'}},
    };
    for (const Case& c : cases) {
        Script script;
        script.results[0] = c.read;
        script.results[1] = c.write;
        std::vector<std::string> arguments = kOnePage;
        arguments.push_back("-debug");
        EXPECT_EQ(RunScripted(script, arguments),
                  "DEBUG: Reading/Writing File: f.dat\n"
                  "DEBUG: Filesize is: 8192 or 8 KB\n"
                  "DEBUG: Pagesize is: 8192 or 8 KB\n"
                  "DEBUG: Number of pages to be read and written: 1\n" +
                      std::string(kAnnouncement) + c.debugLines)
            << c.name;
        std::vector<char> kinds;
        for (const FakeRequest& request : Fake().requests) kinds.push_back(request.kind);
        EXPECT_EQ(kinds, c.requests) << c.name;
        EXPECT_EQ(Fake().closes, 1) << c.name;
        ExpectEverythingReleased();
    }
}

TEST_F(RandomReadWriteTest, WriteSendsBackExactlyTheBytesRead) {
    Script script;
    script.results[0] = FakeResult{FakeOutcome::Complete, 100, 0};  // a short last page
    EXPECT_EQ(RunScripted(script, kOnePage), kAnnouncement + std::string(kReport));
    ASSERT_EQ(Fake().requests.size(), 2u);
    EXPECT_EQ(Fake().requests[1].kind, 'W');
    EXPECT_EQ(Fake().requests[1].bytes, 100u);
    EXPECT_EQ(Fake().requests[1].offset, Fake().requests[0].offset);
    EXPECT_EQ(Fake().requests[1].buffer, Fake().requests[0].buffer);

    script.results[0] = FakeResult{FakeOutcome::PendingComplete, 300, 0};
    RunScripted(script, kOnePage);
    ASSERT_EQ(Fake().requests.size(), 2u);
    EXPECT_EQ(Fake().requests[1].bytes, 300u);
}

TEST_F(RandomReadWriteTest, OpenFlagsFollowTheAccessHint) {
    struct FlagCase {
        std::vector<std::string> options;
        DWORD flags;
    };
    const std::vector<FlagCase> cases = {
        {{}, 0x48000000},
        {{"-seq"}, 0x48000000},
        {{"-ran"}, 0x50000000},
        {{"-unbuffered", "-writethru", "-sgio", "-numpages", "4"}, 0x48000000},
    };
    for (const FlagCase& c : cases) {
        std::vector<std::string> arguments = kOnePage;
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(RunScripted(Script{}, arguments), kAnnouncement + std::string(kReport));
        ASSERT_EQ(Fake().opens.size(), 1u);
        EXPECT_EQ(Fake().opens[0].flags, c.flags);
        EXPECT_EQ(Fake().opens[0].access, GENERIC_READ | GENERIC_WRITE);
        EXPECT_EQ(Fake().opens[0].shareMode, FILE_SHARE_READ);
        EXPECT_EQ(Fake().opens[0].disposition, OPEN_EXISTING);
    }
}

TEST_F(RandomReadWriteTest, DetailedDebugLines) {
    std::vector<std::string> arguments = kOnePage;
    arguments.push_back("-detailed_debug");
    const std::string output = RunScripted(Script{}, arguments);
    EXPECT_NE(output.find(std::string(kAnnouncement) +
                          "DEBUG: Range Minimum Value 1.000000\n"
                          "DEBUG: Range Maximum Value 1.000000\n"
                          "DEBUG: Random() Maximum Value 32767.000000\n"
                          "DEBUG: Page Number 1 will be read.\n"
                          "DEBUG: Updating page 1\n"
                          "DEBUG: Randomly reading page 1 from file: f.dat\n"
                          "DEBUG: Page Number 1 will be written.\n" +
                          kReport),
              std::string::npos)
        << output;
}

TEST_F(RandomReadWriteTest, FailuresOutsideTheRequests) {
    Script openFails;
    openFails.openFailure = 32;
    Script allocationFails;
    allocationFails.allocationFailures = {0};
    Script closeFails;
    closeFails.closeFailure = 5;
    struct FailureCase {
        const char* name;
        Script script;
        std::vector<std::string> arguments;
        std::string output;
        int closes;
    };
    const std::vector<FailureCase> cases = {
        {"open", openFails, kOnePage,
         std::string(kAnnouncement) + "ERROR: Unable to open file f.dat for random reading/writing.\n"
                                      "ERROR: Return code is: 32.\n",
         0},
        {"allocation", allocationFails, kOnePage,
         std::string(kAnnouncement) + "ERROR: Unable to allocate buffer for random reading/writing.\n", 1},
        {"close", closeFails, kOnePage,
         std::string(kAnnouncement) + "ERROR: An error was detected while closing file: f.dat\n"
                                      "       return code is: 5\n",
         1},
        {"not a multiple", Script{}, {"f.dat", "-rw", "-filesize", "9000", "-pagesize", "8k", "-debug"},
         "DEBUG: Reading/Writing File: f.dat\n"
         "DEBUG: Filesize is: 9000 or 8 KB\n"
         "DEBUG: Pagesize is: 8192 or 8 KB\n"
         "DEBUG: Number of pages to be read and written: 1\n"
         "ERROR: File size 9000 is not a multiple of the page size 8192.\n",
         0},
        {"too many pages", Script{}, {"f.dat", "-rw", "-filesize", "4g", "-pagesize", "2"},
         "ERROR: File size 4294967296 holds 2147483648 pages of 2 bytes; this workload takes at most "
         "2147483646 pages.\n",
         0},
    };
    for (const FailureCase& c : cases) {
        EXPECT_EQ(RunScripted(c.script, c.arguments), c.output) << c.name;
        EXPECT_EQ(Fake().closes, c.closes) << c.name;
        ExpectEverythingReleased();
    }
}

}  // namespace
