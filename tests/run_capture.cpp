#include "run_capture.h"

#include <cstdio>

#include "command_line.h"
#include "fake_platform.h"
#include "measure/report.h"


std::string RunCaptured(const std::vector<std::string>& arguments) {
    std::vector<std::string> copies;
    copies.push_back("zuzuzavev");
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : copies) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    const int status = RunZuzuzavev(static_cast<int>(copies.size()), argv.data());
    fflush(stdout);
    std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    return output;
}

void FakePlatformTest::SetUp() {
    ResetFakePlatform();
    ForgetCounterFrequency();
}

void ExpectEverythingReleased() {
    EXPECT_TRUE(Fake().openHandles.empty()) << "a handle was left open";
    EXPECT_TRUE(Fake().liveAllocations.empty()) << "an allocation was not released";
}

std::string RunScripted(const Script& script, const std::vector<std::string>& arguments) {
    ResetFakePlatform();
    ForgetCounterFrequency();
    Fake().results = script.results;
    Fake().openFailure = script.openFailure;
    Fake().closeFailure = script.closeFailure;
    Fake().allocationFailures = script.allocationFailures;
    const std::string output = RunCaptured(arguments);
    const std::string banner = kBanner;
    EXPECT_EQ(output.substr(0, banner.size()), banner);
    return output.substr(banner.size());
}

std::vector<std::string> With(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}
