#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "run_capture.h"

namespace {

using ScatterGatherTest = FakePlatformTest;

// Five pages of 8 KiB per request, three requests.
const std::vector<std::string> kSizes = {"-filesize", "120k", "-pagesize", "8k", "-numpages", "5"};

std::vector<std::string> Arguments(const char* mode) {
    std::vector<std::string> arguments = {"s.dat", mode, "-sgio"};
    arguments.insert(arguments.end(), kSizes.begin(), kSizes.end());
    return arguments;
}

struct Case {
    const char* name;
    Script script;
    std::string lines;  // after the announcement
    std::string calls;  // after the allocations and the counter reading
};

// The first buffer's release fails, so the output shows which message each
// path releases with.
void RunCases(const char* mode, const std::string& announcement, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        ResetFakePlatform();
        Fake().results = c.script.results;
        Fake().openFailure = c.script.openFailure;
        Fake().closeFailure = c.script.closeFailure;
        Fake().freeFailures = {{0, 487}};
        const std::string full = RunCaptured(Arguments(mode));
        EXPECT_EQ(full, kBanner + announcement + c.lines) << c.name;
        EXPECT_EQ(Fake().calls.substr(0, 7), "AAAAAAQ") << c.name;
        EXPECT_EQ(Fake().calls.substr(7), c.calls) << c.name;
        EXPECT_EQ(Fake().openHandles.size(), 0u) << c.name;
    }
}

TEST_F(ScatterGatherTest, ScatterReadPathsAndTheirReleaseMessages) {
    const std::string buffer = "ERROR: Unable to free a scatter read buffer.\nERROR: Return code is: 487.\n";
    const std::string buffers = "ERROR: Unable to free a scatter read buffers.\nERROR: Return code is: 487.\n";
    const std::string failed = "ERROR: An error occurred while reading pages for scatter reads.\n";
    const std::string report = "Read Throughput: 0.234375 MB/Sec.\nElapsed time: 0.500000 Secs\n";
    Script openFails;
    openFails.openFailure = 2;
    Script requestFails;
    requestFails.results[1] = {FakeOutcome::Fail, 0, 87};
    Script waitFails;
    waitFails.results[1] = {FakeOutcome::PendingFail, 0, 38};
    Script waitCompletes;
    waitCompletes.results[1] = {FakeOutcome::PendingComplete, 0, 0};
    Script closeFails;
    closeFails.closeFailure = 6;
    const std::vector<Case> cases = {
        {"complete", Script{}, report + buffers, "OSSSCQFFFFFF"},
        {"open fails", openFails,
         "ERROR: Unable to open file s.dat for Scatter Reads.\nERROR: Return code is: 2.\n" + buffer, "OFFFFFF"},
        {"request fails", requestFails, failed + "ERROR: Return code is: 87.\n" + buffers, "OSSFFFFFFC"},
        {"wait fails", waitFails, failed + "ERROR: Return code is: 38.\n" + buffer, "OSSPFFFFFFC"},
        {"wait completes", waitCompletes, report + buffers, "OSSPSCQFFFFFF"},
        {"close fails", closeFails,
         "ERROR: An error occurred while closing file s.dat for scatter reads.\nERROR: Return code is: 6.\n" + buffer,
         "OSSSCFFFFFF"},
    };
    RunCases("-r", "Scatter Reading 5 pages - 3 iterations from file: s.dat with a 8192 page size.\n", cases);
}

TEST_F(ScatterGatherTest, GatherWritePathsReleaseWithOneMessage) {
    const std::string buffers = "ERROR: Unable to free a gather writes buffers.\nERROR: Return code is: 487.\n";
    const std::string failed = "ERROR: An error occurred while writing pages for gather writes.\n";
    const std::string report = "Write Throughput: 0.234375 MB/Sec.\nElapsed time: 0.500000 Secs\n";
    Script openFails;
    openFails.openFailure = 3;
    Script requestFails;
    requestFails.results[2] = {FakeOutcome::Fail, 0, 112};
    Script waitFails;
    waitFails.results[0] = {FakeOutcome::PendingFail, 0, 223};
    Script closeFails;
    closeFails.closeFailure = 5;
    const std::vector<Case> cases = {
        {"complete", Script{}, report + buffers, "OGGGCQFFFFFF"},
        {"open fails", openFails,
         "ERROR: Unable to open file s.dat for Gather Writes.\nERROR: Return code is: 3.\n" + buffers, "OFFFFFF"},
        {"request fails", requestFails, failed + "ERROR: Return code is: 112.\n" + buffers, "OGGGFFFFFFC"},
        {"wait fails", waitFails, failed + "ERROR: Return code is: 223.\n" + buffers, "OGPFFFFFFC"},
        {"close fails", closeFails,
         "ERROR: An error occurred while closing file s.dat for gather writes.\nERROR: Return code is: 5.\n" + buffers,
         "OGGGCFFFFFF"},
    };
    RunCases("-w", "Gather Writing 5 pages - 3 iterations to file: s.dat with a 8192 page size.\n", cases);
}

TEST_F(ScatterGatherTest, EveryRequestPassesTheSameArrayAndByteCount) {
    std::vector<std::string> arguments = Arguments("-w");
    arguments.insert(arguments.end(), {"-detailed_debug", "-unbuffered", "-writethru", "-ran"});
    const std::string output = RunScripted(Script{}, arguments);
    EXPECT_NE(output.find("Gather Writing 5 pages - 3 iterations to file: s.dat with a 8192 page size.\n"
                          "DEBUG: Gather Writing 5 pages beginning with offset 0.\n"
                          "DEBUG: Gather Writing 5 pages beginning with offset 40960.\n"
                          "DEBUG: Gather Writing 5 pages beginning with offset 81920.\n"
                          "Write Throughput"),
              std::string::npos)
        << output;
    ASSERT_EQ(Fake().requests.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Fake().requests[i].kind, 'G');
        EXPECT_EQ(Fake().requests[i].offset, static_cast<int64_t>(i) * 40960);
        EXPECT_EQ(Fake().requests[i].bytes, 40960u);
        EXPECT_EQ(Fake().requests[i].buffer, Fake().requests[0].buffer);
    }
    ASSERT_EQ(Fake().opens.size(), 1u);
    EXPECT_EQ(Fake().opens[0].access, GENERIC_WRITE);
    EXPECT_EQ(Fake().opens[0].shareMode, 0u);
    EXPECT_EQ(Fake().opens[0].disposition, CREATE_ALWAYS);
    EXPECT_EQ(Fake().opens[0].flags, 0x60000000u);
    ExpectEverythingReleased();

    RunScripted(Script{}, Arguments("-r"));
    ASSERT_EQ(Fake().opens.size(), 1u);
    EXPECT_EQ(Fake().opens[0].access, GENERIC_READ);
    EXPECT_EQ(Fake().opens[0].shareMode, 0u);
    EXPECT_EQ(Fake().opens[0].disposition, OPEN_EXISTING);
    EXPECT_EQ(Fake().opens[0].flags, 0x60000000u);
    ExpectEverythingReleased();
}

}  // namespace
