#include "temp_dir.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

void TempDirTest::SetUp() {
    std::mt19937_64 random(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("zuzuzavev-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) {
            dir = path.string();
            return;
        }
    }
    FAIL() << "no temporary directory could be made";
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
