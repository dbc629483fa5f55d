#include "temp_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <stdlib.h>

void TempDirTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zuzuzavev-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(mkdtemp(buffer.data()), nullptr);
    dir = buffer.data();
}

void TempDirTest::TearDown() {
    std::error_code ignored;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(dir, ignored);
}

std::string TempDirTest::PathOf(const std::string& name) const { return dir + "/" + name; }

void WritePatternFile(const std::string& path, int64_t size, int seed) {
    std::string bytes(static_cast<size_t>(size), '\0');
    for (int64_t i = 0; i < size; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((i * 7 + seed) & 0xFF);
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsZeroFile(const std::string& path, int64_t size) {
    const std::string content = ReadWholeFile(path);
    return content.size() == static_cast<size_t>(size) &&
           content.find_first_not_of('\0') == std::string::npos;
}
