// Runs the program's entry on an argument list against the fake platform and
// returns what it printed.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

std::string RunCaptured(const std::vector<std::string>& arguments);

// The banner every run prints first.
inline constexpr char kBanner[] = "KOV I/O Test Utility: v2.0\n\n";

// A fresh fake platform and counter frequency for every test.
class FakePlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
};
