// Runs the program's entry on an argument list against the fake platform and
// returns what it printed.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_platform.h"

std::string RunCaptured(const std::vector<std::string>& arguments);

// arguments followed by more.
std::vector<std::string> With(std::vector<std::string> arguments, const std::vector<std::string>& more);

// The banner every run prints first.
inline constexpr char kBanner[] = "KOV I/O Test Utility: v2.0\n\n";

// A fresh fake platform and counter frequency for every test.
class FakePlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
};

// Every handle the run opened is closed and every allocation released.
void ExpectEverythingReleased();

// A run's script for the fake platform, for tables of cases.
struct Script {
    std::map<size_t, FakeResult> results;
    DWORD openFailure = 0;
    DWORD closeFailure = 0;
    std::set<int> allocationFailures;
};

// Resets the fake platform, applies script and runs the program on
// arguments; returns what it printed after the banner.
std::string RunScripted(const Script& script, const std::vector<std::string>& arguments);
