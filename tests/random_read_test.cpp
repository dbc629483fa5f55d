#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "measure/random_pages.h"
#include "run_capture.h"

namespace {

using RandomReadTest = FakePlatformTest;

// One page: every request reads page 1.
const std::vector<std::string> kOnePage = {"f.dat", "-r", "-ran", "-filesize", "8k", "-pagesize", "8k"};
const char kAnnouncement[] = "Random Reads: Reading 1 pages from file: f.dat with a 8192 page size.\n";
const char kReport[] = "Read Throughput: 0.015625 MB/Sec.\nElapsed time: 0.500000 Secs\n";

TEST_F(RandomReadTest, RequestOutcomes) {
    const std::string failed = "ERROR: An error was detected while randomly reading page 1 from file: f.dat\n";
    const std::string zero = "ERROR: Zero bytes were read while randomly reading page 1 from file: f.dat\n";
    const std::string pending = "DEBUG: Pending I/O while randomly reading page 1 from file: f.dat\n";
    const std::string page = "DEBUG: Page Number 1 will be read.\n";
    struct Case {
        const char* name;
        FakeResult result;
        std::string lines;
        std::string debugLines;
    };
    const std::vector<Case> cases = {
        {"complete", {FakeOutcome::Complete, 8192, 0}, kReport, page + kReport},
        {"zero bytes", {FakeOutcome::Complete, 0, 0}, zero + kReport, page + zero + kReport},
        {"fails", {FakeOutcome::Fail, 0, 38}, failed + "       return code is: 38\n",
         page + failed + "       return code is: 38\n"},
        {"pending, complete", {FakeOutcome::PendingComplete, 8192, 0}, kReport, page + pending + kReport},
        {"pending, zero bytes", {FakeOutcome::PendingComplete, 0, 0}, zero + kReport,
         page + pending + zero + kReport},
        {"pending, fails", {FakeOutcome::PendingFail, 0, 87}, failed + "       return code is: 87\n",
         page + pending + failed + "       return code is: 87\n"},
    };
    for (const Case& c : cases) {
        Script script;
        script.results[0] = c.result;
        EXPECT_EQ(RunScripted(script, kOnePage), kAnnouncement + c.lines) << c.name;
        EXPECT_EQ(Fake().closes, 1) << c.name;
        ExpectEverythingReleased();
        std::vector<std::string> debug = kOnePage;
        debug.push_back("-debug");
        EXPECT_EQ(RunScripted(script, debug),
                  "DEBUG: Reading from File: f.dat\n"
                  "DEBUG: Filesize is: 8192 or 8 KB\n"
                  "DEBUG: Pagesize is: 8192 or 8 KB\n"
                  "DEBUG: Number of pages to be read: 1\n" +
                      std::string(kAnnouncement) + c.debugLines)
            << c.name;
        ExpectEverythingReleased();
    }
}

TEST_F(RandomReadTest, PagesFollowTheGeneratorSeededFromTheClock) {
    const std::vector<std::string> arguments = {"f.dat", "-r", "-ran", "-filesize", "400k", "-pagesize", "4k"};
    time_t before, after;
    do {  // retry if the run straddles a second
        before = time(nullptr);
        RunScripted(Script{}, arguments);
        after = time(nullptr);
    } while (before != after);
    SeedRandomGenerator(static_cast<uint32_t>(before));
    ASSERT_EQ(Fake().requests.size(), 100u);
    for (int32_t i = 0; i < 100; ++i) {
        const int32_t page = PickRandomPage(100, i, false);
        EXPECT_EQ(Fake().requests[static_cast<size_t>(i)].offset, PageOffset(page, 4096)) << i;
        EXPECT_EQ(Fake().requests[static_cast<size_t>(i)].bytes, 4096u);
    }
}

TEST_F(RandomReadTest, VariantsAndTheirOpenFlags) {
    struct Case {
        std::vector<std::string> options;
        DWORD flags;
        std::string announcement;
    };
    const std::vector<Case> cases = {
        {{}, 0x50000000, kAnnouncement},
        {{"-unbuffered"}, 0x40000080,
         "Read with History: Reading 1 pages from file: f.dat with a 8192 page size.\n"},
        {{"-writethru", "-numpages", "3"}, 0x50000000,
         "WARNING: Option numpages specified without SGIO option specified.\n"
         "         Option numpages will be ignored.\n" + std::string(kAnnouncement)},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = kOnePage;
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(RunScripted(Script{}, arguments), c.announcement + kReport);
        ASSERT_EQ(Fake().opens.size(), 1u);
        EXPECT_EQ(Fake().opens[0].flags, c.flags);
        EXPECT_EQ(Fake().opens[0].access, GENERIC_READ);
        EXPECT_EQ(Fake().opens[0].shareMode, FILE_SHARE_READ);
        EXPECT_EQ(Fake().opens[0].disposition, OPEN_EXISTING);
    }
}

TEST_F(RandomReadTest, DetailedDebugLines) {
    std::vector<std::string> arguments = kOnePage;
    arguments.push_back("-detailed_debug");
    const std::string output = RunScripted(Script{}, arguments);
    EXPECT_NE(output.find("DEBUG: Number of pages to be read: 1\n"
                          "DEBUG: Range Minimum Value 1.000000\n"
                          "DEBUG: Range Maximum Value 1.000000\n"
                          "DEBUG: Random() Maximum Value 32767.000000\n" +
                          std::string(kAnnouncement)),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("DEBUG: Page Number 1 will be read.\n"
                          "DEBUG: Randomly reading page 1 from file: f.dat\n" +
                          std::string(kReport)),
              std::string::npos)
        << output;
}

TEST_F(RandomReadTest, FailuresOutsideTheRequests) {
    Script openFails;
    openFails.openFailure = 2;
    Script allocationFails;
    allocationFails.allocationFailures = {0};
    Script closeFails;
    closeFails.closeFailure = 6;
    struct Case {
        const char* name;
        Script script;
        std::vector<std::string> arguments;
        std::string output;
        int closes;
    };
    const std::vector<Case> cases = {
        {"open", openFails, kOnePage,
         std::string(kAnnouncement) + "ERROR: Unable to open file f.dat for random reading.\n"
                                      "ERROR: Return code is: 2.\n",
         0},
        {"allocation", allocationFails, kOnePage,
         std::string(kAnnouncement) + "ERROR: Unable to allocate buffer for random reading.\n", 1},
        {"close", closeFails, kOnePage,
         std::string(kAnnouncement) + "ERROR: An error was detected while closing file: f.dat\n"
                                      "       return code is: 6\n",
         1},
        {"not a multiple", Script{}, {"f.dat", "-r", "-ran", "-filesize", "9000", "-pagesize", "8k", "-debug"},
         "DEBUG: Reading from File: f.dat\n"
         "DEBUG: Filesize is: 9000 or 8 KB\n"
         "DEBUG: Pagesize is: 8192 or 8 KB\n"
         "DEBUG: Number of pages to be read: 1\n"
         "ERROR: File size 9000 is not a multiple of the page size 8192.\n",
         0},
        {"too many pages", Script{}, {"f.dat", "-r", "-ran", "-filesize", "2147483647", "-pagesize", "1"},
         "ERROR: File size 2147483647 holds 2147483647 pages of 1 bytes; this workload takes at most "
         "2147483646 pages.\n",
         0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunScripted(c.script, c.arguments), c.output) << c.name;
        EXPECT_EQ(Fake().closes, c.closes) << c.name;
        ExpectEverythingReleased();
    }
}

}  // namespace
