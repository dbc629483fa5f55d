#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command_line.h"
#include "fake_platform.h"
#include "platform/platform.h"
#include "run_capture.h"

namespace {

using CommandLineTest = FakePlatformTest;

// Reads the options after a file name; returns whether they were accepted,
// with what was printed in *output.
bool Read(std::vector<std::string> options, RunSettings* settings, std::string* output) {
    options.insert(options.begin(), {"zuzuzavev", "file.dat"});
    std::vector<char*> argv;
    for (std::string& option : options) argv.push_back(&option[0]);
    *settings = InitialRunSettings();
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    const bool accepted = ReadOptions(static_cast<int>(argv.size()), argv.data(), settings);
    fflush(stdout);
    *output = ::testing::internal::GetCapturedStdout();
    return accepted;
}

const char kUsageEnd[] =
    "   3. The file size MUST be a multiple of the product of the page size and the\n"
    "      number of pages.\n\n";
const char kFutureLines[] =
    "Undocumented option(s):\n"
    "   -debug - prints debug info.\n"
    "   -flags N - Value to use for the flags in the CreateFile API call\n\n"
    "Future:\n"
    "-sgiobest - find best (most efficent) values of page size, page number for given\n"
    "            file size.\n";

TEST_F(CommandLineTest, WithoutArgumentsPrintsBannerAndUsageNotesOnly) {
    const std::string output = RunCaptured({});
    EXPECT_EQ(output.rfind(std::string(kBanner) + "***** KOV I/O Test Utility Usage Notes *****\n\n", 0), 0u);
    ASSERT_GE(output.size(), sizeof(kUsageEnd) - 1);
    EXPECT_EQ(output.substr(output.size() - (sizeof(kUsageEnd) - 1)), kUsageEnd);
    EXPECT_EQ(output.find("Undocumented"), std::string::npos);
    EXPECT_TRUE(Fake().opens.empty());
}

TEST_F(CommandLineTest, FutureArgumentAddsTheExtraLines) {
    const std::string plain = RunCaptured({});
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"-future"}, {"-futurex", "-r", "-bogus"}}) {
        EXPECT_EQ(RunCaptured(arguments), plain + kFutureLines) << arguments[0];
    }
    EXPECT_TRUE(Fake().opens.empty());
}

TEST_F(CommandLineTest, RunEndingErrors) {
    const std::string longName(256, 'a');
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-r"}, "*** ERROR: First argument MUST be filename.\n\n"},
        {{"-help", "file.dat"}, "*** ERROR: First argument MUST be filename.\n\n"},
        {{"-futur"}, "*** ERROR: First argument MUST be filename.\n\n"},
        {{longName, "-r"}, "*** ERROR: Filename is too long (at most 255 characters).\n\n"},
        {{"f", "-flags", "3"}, "*** ERROR: Option -flags is invalid.\n\n"},
        {{"f", "-sgiobest"}, "*** ERROR: Option -sgiobest is invalid.\n\n"},
        {{"f", "-R"}, "*** ERROR: Option -R is invalid.\n\n"},
        {{"f", "-Debug"}, "*** ERROR: Option -Debug is invalid.\n\n"},
        {{"f", "-future"}, "*** ERROR: Option -future is invalid.\n\n"},
        {{"f", "second.dat"}, "*** ERROR: Option second.dat is invalid.\n\n"},
        {{"f", "-pagesize", "4096", "-bogus"}, "*** ERROR: Option -bogus is invalid.\n\n"},
        {{"f", "-bogus", "-pagesize", "0"}, "*** ERROR: Option -bogus is invalid.\n\n"},
        {{"f", "-pagesize", "0"}, "*** ERROR: Invalid value for pagesize option.\n\n"},
        {{"f", "-pagesize", "-4K"}, "*** ERROR: Invalid value for pagesize option.\n\n"},
        {{"f", "-pagesize", "K"}, "*** ERROR: Invalid value for pagesize option.\n\n"},
        {{"f", "-pagesize", "-r"}, "*** ERROR: Invalid value for pagesize option.\n\n"},
        {{"f", "-pagesize", ""}, "*** ERROR: Invalid value for pagesize option.\n\n"},
        {{"f", "-pagesize", "2048M"}, "*** ERROR: Invalid value for pagesize option.\n\n"},
        {{"f", "-pagesize", "2097152K"}, "*** ERROR: Invalid value for pagesize option.\n\n"},
        {{"f", "-pagesize", "1G"}, "*** ERROR: Invalid scale factor specified for pagesize argument.\n\n"},
        {{"f", "-pagesize", "8KB"}, "*** ERROR: Invalid scale factor specified for pagesize argument.\n\n"},
        {{"f", "-filesize", "0K"}, "*** ERROR: Invalid value for filesize option.\n\n"},
        {{"f", "-filesize", "-1"}, "*** ERROR: Invalid value for filesize option.\n\n"},
        {{"f", "-filesize", "8589934592G"}, "*** ERROR: Invalid value for filesize option.\n\n"},
        {{"f", "-filesize", "99999999999999999999K"}, "*** ERROR: Invalid value for filesize option.\n\n"},
        {{"f", "-filesize", "10T"}, "*** ERROR: Invalid scale factor specified for filesize argument.\n\n"},
        {{"f", "-numpages", "0"}, "*** ERROR: Invalid value for numpages option.\n\n"},
        {{"f", "-numpages", "-5"}, "*** ERROR: Invalid value for numpages option.\n\n"},
        {{"f", "-filesize"}, "*** ERROR: Option -filesize requires a value.\n\n"},
        {{"f", "-r", "-pagesize"}, "*** ERROR: Option -pagesize requires a value.\n\n"},
        {{"f", "-numpages"}, "*** ERROR: Option -numpages requires a value.\n\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunCaptured(c.arguments), kBanner + c.message) << c.arguments.back();
    }
    EXPECT_TRUE(Fake().opens.empty());
}

TEST_F(CommandLineTest, ValuesAndScaleLetters) {
    struct Case {
        std::vector<std::string> options;
        int64_t fileSize;
        int32_t pageSize;
        int32_t numPages;
    };
    const std::vector<Case> cases = {
        {{"-pagesize", "8k"}, 0, 8192, 0},
        {{"-pagesize", "8K"}, 0, 8192, 0},
        {{"-pagesize", "2m"}, 0, 2097152, 0},
        {{"-pagesize", "1.5M"}, 0, 1048576, 0},
        {{"-pagesize", "8K2"}, 0, 8, 0},
        {{"-pagesize", " +4096"}, 0, 4096, 0},
        {{"-pagesize", "99999999999"}, 0, 2147483647, 0},
        {{"-pagesize", "2047M"}, 0, 2146435072, 0},
        {{"-filesize", "800k"}, 800 * 1024, 0, 0},
        {{"-filesize", "10g"}, 10LL * 1073741824, 0, 0},
        {{"-filesize", "5m"}, 5 * 1048576, 0, 0},
        {{"-filesize", "12345"}, 12345, 0, 0},
        {{"-filesize", "99999999999999999999"}, INT64_MAX, 0, 0},
        {{"-filesize", "8589934591G"}, 8589934591LL * 1073741824, 0, 0},
        {{"-numpages", "5K"}, 0, 0, 5},
        {{"-numpages", "3", "-numpages", "7"}, 0, 0, 7},
        {{"-filesize", "1k", "-filesize", "2k"}, 2048, 0, 0},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        std::string output;
        ASSERT_TRUE(Read(c.options, &settings, &output)) << c.options[1] << ": " << output;
        EXPECT_EQ(output, "");
        EXPECT_EQ(settings.fileSize, c.fileSize) << c.options[1];
        EXPECT_EQ(settings.pageSize, c.pageSize) << c.options[1];
        EXPECT_EQ(settings.numPages, c.numPages) << c.options[1];
    }
    // The last character decides the scale, even after digits.
    RunSettings settings;
    std::string output;
    EXPECT_FALSE(Read({"-pagesize", "4096x"}, &settings, &output));
    EXPECT_EQ(output, "*** ERROR: Invalid scale factor specified for pagesize argument.\n\n");
}

TEST_F(CommandLineTest, FlagsAndAccessPattern) {
    RunSettings s;
    std::string output;
    ASSERT_TRUE(Read({"-debug"}, &s, &output));
    EXPECT_TRUE(s.debug);
    EXPECT_FALSE(s.detailedDebug);
    ASSERT_TRUE(Read({"-detailed_debug"}, &s, &output));
    EXPECT_TRUE(s.debug && s.detailedDebug);
    ASSERT_TRUE(Read({"-r", "-w", "-rw", "-unbuffered", "-writethru", "-sgio"}, &s, &output));
    EXPECT_TRUE(s.readMode && s.writeMode && s.readWriteMode && s.unbuffered && s.writeThrough && s.sgio);
    ASSERT_TRUE(Read({}, &s, &output));
    EXPECT_TRUE(s.sequential);
    EXPECT_EQ(s.accessHint, FILE_FLAG_SEQUENTIAL_SCAN);
    ASSERT_TRUE(Read({"-seq", "-ran"}, &s, &output));
    EXPECT_FALSE(s.sequential);
    EXPECT_EQ(s.accessHint, FILE_FLAG_RANDOM_ACCESS);
    ASSERT_TRUE(Read({"-ran", "-seq"}, &s, &output));
    EXPECT_TRUE(s.sequential);
    EXPECT_EQ(s.accessHint, FILE_FLAG_SEQUENTIAL_SCAN);
}

TEST_F(CommandLineTest, DefaultsWarnInOrder) {
    RunSettings s = InitialRunSettings();
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    ApplyDefaults(&s);
    fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "WARNING: Neither -r, -w, nor -rw options were specified. Defaulting to READ mode.\n"
              "WARNING: Filesize option not specified. Defaulting to 1 MB file size.\n"
              "WARNING: Pagesize option not specified. Defaulting to 8K page size.\n");
    EXPECT_TRUE(s.readMode);
    EXPECT_EQ(s.fileSize, 1048576);
    EXPECT_EQ(s.pageSize, 8192);
    EXPECT_EQ(s.numPages, 0);

    s = InitialRunSettings();
    s.readWriteMode = true;
    s.fileSize = 5;
    s.pageSize = 1;
    ::testing::internal::CaptureStdout();
    ApplyDefaults(&s);
    fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(s.readMode);
}

TEST_F(CommandLineTest, EchoNamesReadingFirst) {
    struct Case {
        std::vector<std::string> arguments;
        std::string echo;
    };
    const std::vector<Case> cases = {
        {{"t.dat", "-r", "-w", "-debug", "-filesize", "1025", "-pagesize", "1025", "-numpages", "9"},
         "DEBUG: Reading from File: t.dat\nDEBUG: Filesize is: 1025 or 1 KB\nDEBUG: Pagesize is: 1025 or 1 KB\n"},
        {{"t.dat", "-w", "-debug", "-filesize", "1023", "-pagesize", "1023"},
         "DEBUG: Writing to File: t.dat\nDEBUG: Filesize is: 1023 or 0 KB\nDEBUG: Pagesize is: 1023 or 0 KB\n"},
        {{"t.dat", "-rw", "-detailed_debug", "-filesize", "10g", "-pagesize", "8k"},
         "DEBUG: Reading/Writing File: t.dat\nDEBUG: Filesize is: 10737418240 or 10485760 KB\n"
         "DEBUG: Pagesize is: 8192 or 8 KB\n"},
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        Fake().openFailure = ERROR_FILE_NOT_FOUND;  // end each workload at its open
        const std::string output = RunCaptured(c.arguments);
        EXPECT_EQ(output.substr(0, sizeof(kBanner) - 1 + c.echo.size()), kBanner + c.echo);
    }
    EXPECT_EQ(RunCaptured({"t.dat", "-filesize", "8k"}).find("DEBUG"), std::string::npos);
}

TEST_F(CommandLineTest, SelectionTable) {
    struct Case {
        std::vector<std::string> options;
        WorkloadKind kind;
    };
    const std::vector<Case> cases = {
        {{}, WorkloadKind::SequentialRead},
        {{"-r"}, WorkloadKind::SequentialRead},
        {{"-ran", "-seq"}, WorkloadKind::SequentialRead},
        {{"-seq", "-ran"}, WorkloadKind::RandomRead},
        {{"-r", "-ran"}, WorkloadKind::RandomRead},
        {{"-w"}, WorkloadKind::SequentialWrite},
        {{"-r", "-w"}, WorkloadKind::SequentialWrite},
        {{"-w", "-ran", "-rw"}, WorkloadKind::SequentialWrite},
        {{"-w", "-sgio"}, WorkloadKind::GatherWrite},
        {{"-w", "-r", "-sgio"}, WorkloadKind::GatherWrite},
        {{"-w", "-rw", "-sgio"}, WorkloadKind::GatherWrite},
        {{"-sgio"}, WorkloadKind::ScatterRead},
        {{"-r", "-sgio", "-ran"}, WorkloadKind::ScatterRead},
        {{"-r", "-rw", "-sgio"}, WorkloadKind::ScatterRead},
        {{"-rw"}, WorkloadKind::RandomReadWrite},
        {{"-rw", "-sgio"}, WorkloadKind::RandomReadWrite},
        {{"-r", "-rw"}, WorkloadKind::SequentialRead},
    };
    for (const Case& c : cases) {
        RunSettings settings;
        std::string output;
        ASSERT_TRUE(Read(c.options, &settings, &output));
        fflush(stdout);
        ::testing::internal::CaptureStdout();
        ApplyDefaults(&settings);
        fflush(stdout);
        ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(SelectWorkload(settings), c.kind) << ::testing::PrintToString(c.options);
    }
}

TEST_F(CommandLineTest, FileNameAloneReadsTheDefaultFile) {
    const std::string output = RunCaptured({"test.dat"});
    EXPECT_EQ(output,
              std::string(kBanner) +
                  "WARNING: Neither -r, -w, nor -rw options were specified. Defaulting to READ mode.\n"
                  "WARNING: Filesize option not specified. Defaulting to 1 MB file size.\n"
                  "WARNING: Pagesize option not specified. Defaulting to 8K page size.\n"
                  "Sequentially reading 1048576 bytes from file: test.dat with a 8192 page size.\n"
                  "Read Throughput: 2.000000 MB/Sec.\n"
                  "Elapsed time: 0.500000 Secs\n");
    EXPECT_EQ(Fake().requests.size(), 128u);
}

TEST_F(CommandLineTest, LongestFileNameAndEmptyNameAreTakenAsGiven) {
    const std::string name(255, 'n');
    Fake().openFailure = ERROR_FILE_NOT_FOUND;
    RunCaptured({name, "-filesize", "8k"});
    ASSERT_EQ(Fake().opens.size(), 1u);
    EXPECT_EQ(Fake().opens[0].fileName, name);
    RunCaptured({"", "-filesize", "8k"});
    ASSERT_EQ(Fake().opens.size(), 2u);
    EXPECT_EQ(Fake().opens[1].fileName, "");
}

}  // namespace
