// A fresh directory for a test's files, removed with everything in it when
// the test ends.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The path of name inside the directory.
    std::string PathOf(const std::string& name) const;

    std::string dir;
};

// Writes size bytes to path, byte i holding (i * 7 + seed) & 0xFF.
void WritePatternFile(const std::string& path, int64_t size, int seed = 0);

// The whole content of path; empty if it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Whether the file at path holds exactly size bytes, all zero.
bool IsZeroFile(const std::string& path, int64_t size);
