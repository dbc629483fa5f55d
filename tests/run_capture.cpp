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
