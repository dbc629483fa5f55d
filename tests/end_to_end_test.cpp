// The built program on real files in a temporary directory. The two numbers
// of the report vary from run to run and are matched by pattern.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

const char kBanner[] = "KOV I/O Test Utility: v2.0\n\n";

#ifdef _WIN32
// Arguments for cmd.exe. The tests' arguments hold no double quotes.
std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The build's path of the program, as Windows sees it under Wine (the
// Linux root is drive Z:).
std::string ProgramPath() {
    std::string path = ZUZUZAVEV_PROGRAM;
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::string ChangeDirectory(const std::string& dir) { return "cd /d " + Quoted(dir); }
FILE* OpenPipe(const std::string& command) { return _popen(command.c_str(), "rb"); }
int ClosePipe(FILE* pipe) { return _pclose(pipe); }
#else
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string ProgramPath() { return ZUZUZAVEV_PROGRAM; }
std::string ChangeDirectory(const std::string& dir) { return "cd " + Quoted(dir); }
FILE* OpenPipe(const std::string& command) { return popen(command.c_str(), "r"); }
int ClosePipe(FILE* pipe) { return pclose(pipe); }
#endif

// The report's numbers become '#', and page numbers of random runs '#'
// too, after they are collected into pages.
std::string Normalized(const std::string& output, std::vector<int>* pages = nullptr) {
    std::string text = std::regex_replace(output, std::regex("\r\n"), "\n");
    text = std::regex_replace(text, std::regex("Throughput: [0-9]+\\.[0-9]{6} MB/Sec\\."),
                              "Throughput: # MB/Sec.");
    text = std::regex_replace(text, std::regex("Elapsed time: [0-9]+\\.[0-9]{6} Secs"),
                              "Elapsed time: # Secs");
    if (pages != nullptr) {
        const std::regex pageLine("Page Number ([0-9]+) will be read\\.");
        for (std::sregex_iterator it(text.begin(), text.end(), pageLine), end; it != end; ++it) {
            pages->push_back(std::stoi((*it)[1]));
        }
        text = std::regex_replace(text, std::regex("Page Number [0-9]+ will"), "Page Number # will");
    }
    return text;
}

class EndToEndTest : public TempDirTest {
protected:
    // Runs the program in the test's directory; returns its standard output
    // after the banner, and checks the banner, the exit status and that
    // nothing went to standard error.
    std::string Run(const std::vector<std::string>& arguments, const std::string& prefix = "") {
        std::string command = ChangeDirectory(dir) + " && " + prefix + Quoted(ProgramPath());
        for (const std::string& argument : arguments) command += " " + Quoted(argument);
        command += " 2>" + Quoted(PathOf(".stderr"));
        FILE* pipe = OpenPipe(command);
        EXPECT_NE(pipe, nullptr);
        std::string output;
        char chunk[4096];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
        const int status = ClosePipe(pipe);
        EXPECT_EQ(status, 0) << command;
        EXPECT_EQ(ReadWholeFile(PathOf(".stderr")), "");
        std::filesystem::remove(PathOf(".stderr"));
        output = std::regex_replace(output, std::regex("\r\n"), "\n");
        EXPECT_EQ(output.substr(0, sizeof(kBanner) - 1), kBanner);
        return output.substr(std::min(output.size(), sizeof(kBanner) - 1));
    }
};

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

const char kReport[] = "Read Throughput: # MB/Sec.\nElapsed time: # Secs\n";
const char kWriteReport[] = "Write Throughput: # MB/Sec.\nElapsed time: # Secs\n";

TEST_F(EndToEndTest, UsageNotes) {
    const std::string plain = Run({});
    EXPECT_EQ(plain.rfind("***** KOV I/O Test Utility Usage Notes *****\n\n", 0), 0u);
    EXPECT_NE(plain.find("            -seq or -ran - (-seq) koviotest will read sequentially from the specified file or\n"),
              std::string::npos);
    EXPECT_TRUE(EndsWith(plain, "      number of pages.\n\n"));
    const std::string future = Run({"-futures", "x"});
    EXPECT_EQ(future.substr(0, plain.size()), plain);
    EXPECT_EQ(future.substr(plain.size()),
              "Undocumented option(s):\n"
              "   -debug - prints debug info.\n"
              "   -flags N - Value to use for the flags in the CreateFile API call\n\n"
              "Future:\n"
              "-sgiobest - find best (most efficent) values of page size, page number for given\n"
              "            file size.\n");
    EXPECT_EQ(Run({"-r"}), "*** ERROR: First argument MUST be filename.\n\n");
    EXPECT_EQ(Run({"f.dat", "-Debug"}), "*** ERROR: Option -Debug is invalid.\n\n");
}

TEST_F(EndToEndTest, SequentialReadOfTheDefaultFile) {
    WritePatternFile(PathOf("test.dat"), 1048576);
    EXPECT_EQ(Normalized(Run({"test.dat"})),
              "WARNING: Neither -r, -w, nor -rw options were specified. Defaulting to READ mode.\n"
              "WARNING: Filesize option not specified. Defaulting to 1 MB file size.\n"
              "WARNING: Pagesize option not specified. Defaulting to 8K page size.\n"
              "Sequentially reading 1048576 bytes from file: test.dat with a 8192 page size.\n" +
                  std::string(kReport));
}

TEST_F(EndToEndTest, SequentialReadWithDebugLines) {
    WritePatternFile(PathOf("r.dat"), 32768);
    EXPECT_EQ(Normalized(Run({"r.dat", "-r", "-filesize", "16k", "-pagesize", "4k", "-detailed_debug"})),
              "DEBUG: Reading from File: r.dat\n"
              "DEBUG: Filesize is: 16384 or 16 KB\n"
              "DEBUG: Pagesize is: 4096 or 4 KB\n"
              "DEBUG: Number of pages to be read: 4\n"
              "Sequentially reading 16384 bytes from file: r.dat with a 4096 page size.\n"
              "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n"
              "DEBUG: Sequentially Reading 4096 bytes beginning with offset 0.\n"
              "DEBUG: Sequentially Reading 4096 bytes beginning with offset 4096.\n"
              "DEBUG: Sequentially Reading 4096 bytes beginning with offset 8192.\n"
              "DEBUG: Sequentially Reading 4096 bytes beginning with offset 12288.\n" +
                  std::string(kReport));
}

TEST_F(EndToEndTest, UnbufferedSequentialReadWaitsForEveryPage) {
    WritePatternFile(PathOf("u.dat"), 65536);
    struct Case {
        const char* pageSize;
        int pages;
    };
    for (const Case& c : {Case{"4k", 16}, Case{"64k", 1}}) {
        const std::string output =
            Normalized(Run({"u.dat", "-unbuffered", "-filesize", "64k", "-pagesize", c.pageSize, "-debug"}));
        std::string expected =
            "DEBUG: flag: FILE_FLAG_OVERLAPPED present:\n"
            "DEBUG: flag: FILE_FLAG_NO_BUFFERING present:\n";
        for (int i = 0; i < c.pages; ++i) expected += "DEBUG: Pending I/O while sequentially reading file: u.dat\n";
        EXPECT_TRUE(EndsWith(output, expected + kReport)) << output;
    }
}

TEST_F(EndToEndTest, ReadFailuresEndWithTheirLines) {
    std::filesystem::create_directory(PathOf("folder"));
    WritePatternFile(PathOf("short.dat"), 8192 + 100);
    struct Case {
        std::vector<std::string> arguments;
        std::string output;
    };
    const std::vector<Case> cases = {
        {{"missing.dat", "-r", "-filesize", "8k"},
         "Sequentially reading 8192 bytes from file: missing.dat with a 8192 page size.\n"
         "ERROR: Unable to open file missing.dat for sequential reading.\n"
         "ERROR: Return code is: 2.\n"},
        {{"folder", "-r", "-filesize", "8k"},
         "Sequentially reading 8192 bytes from file: folder with a 8192 page size.\n"
         "ERROR: Unable to open file folder for sequential reading.\n"
         "ERROR: Return code is: 5.\n"},
        {{"short.dat", "-r", "-filesize", "32k"},  // the third page starts past the end
         "Sequentially reading 32768 bytes from file: short.dat with a 8192 page size.\n"
         "ERROR: An error was detected while sequentially reading 8192 bytes from file: short.dat\n"
         "       return code is: 38\n"},
        {{"missing.dat", "-r", "-ran", "-filesize", "8k"},
         "Random Reads: Reading 1 pages from file: missing.dat with a 8192 page size.\n"
         "ERROR: Unable to open file missing.dat for random reading.\n"
         "ERROR: Return code is: 2.\n"},
        {{"missing.dat", "-rw", "-filesize", "8k"},
         "Random Reads and Writes: Reading and Writing 1 pages to file: missing.dat with a 8192 page size.\n"
         "ERROR: Unable to open file missing.dat for random reading/writing.\n"
         "ERROR: Return code is: 2.\n"},
        {{"missing.dat", "-r", "-sgio", "-filesize", "64k", "-numpages", "2"},
         "Scatter Reading 2 pages - 4 iterations from file: missing.dat with a 8192 page size.\n"
         "ERROR: Unable to open file missing.dat for Scatter Reads.\n"
         "ERROR: Return code is: 2.\n"},
        {{"nodir/out.dat", "-w", "-filesize", "8k"},
         "Sequentially writing 8192 bytes to file: nodir/out.dat with a 8192 page size.\n"
         "ERROR: An error was detected while trying to open file: nodir/out.dat.\n"
         "       return code is: 3\n"},
        {{"nodir/out.dat", "-w", "-sgio", "-filesize", "64k", "-numpages", "2"},
         "Gather Writing 2 pages - 4 iterations to file: nodir/out.dat with a 8192 page size.\n"
         "ERROR: Unable to open file nodir/out.dat for Gather Writes.\n"
         "ERROR: Return code is: 3.\n"},
    };
    for (Case c : cases) {
        c.arguments.insert(c.arguments.end(), {"-pagesize", "8k"});
        EXPECT_EQ(Run(c.arguments), c.output) << c.arguments[0];
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing.dat")));
    EXPECT_EQ(std::filesystem::file_size(PathOf("short.dat")), 8192u + 100u);
}

TEST_F(EndToEndTest, SequentialWriteLeavesZeroPages) {
    WritePatternFile(PathOf("w.dat"), 3 * 1048576);  // longer than the run: truncated
    EXPECT_EQ(Normalized(Run({"w.dat", "-w", "-debug"})),
              "WARNING: Filesize option not specified. Defaulting to 1 MB file size.\n"
              "WARNING: Pagesize option not specified. Defaulting to 8K page size.\n"
              "DEBUG: Writing to File: w.dat\n"
              "DEBUG: Filesize is: 1048576 or 1024 KB\n"
              "DEBUG: Pagesize is: 8192 or 8 KB\n"
              "DEBUG: Number of pages to be written: 128\n"
              "Sequentially writing 1048576 bytes to file: w.dat with a 8192 page size.\n"
              "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n" +
                  std::string(kWriteReport));
    EXPECT_TRUE(IsZeroFile(PathOf("w.dat"), 1048576));
}

TEST_F(EndToEndTest, SequentialWriteFlagVariants) {
    struct Case {
        std::vector<std::string> options;
        std::string flagLine;
    };
    const std::vector<Case> cases = {
        {{"-writethru"}, "DEBUG: flag: FILE_FLAG_WRITE_THROUGH present:\n"},
        {{"-unbuffered"}, "DEBUG: flag: FILE_FLAG_NO_BUFFERING present:\n"},
        {{"-unbuffered", "-writethru"}, "DEBUG: flag: FILE_FLAG_NO_BUFFERING present:\n"},
        {{"-ran", "-numpages", "4"}, "DEBUG: flag: FILE_FLAG_SEQUENTIAL_SCAN present:\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"v.dat", "-w", "-filesize", "64k", "-pagesize", "4k", "-debug"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const std::string output = Normalized(Run(arguments));
        EXPECT_TRUE(EndsWith(output, "Sequentially writing 65536 bytes to file: v.dat with a 4096 page size.\n" +
                                         c.flagLine + kWriteReport))
            << output;
        EXPECT_TRUE(IsZeroFile(PathOf("v.dat"), 65536));
    }
}

TEST_F(EndToEndTest, RandomReadVisitsAsManyPagesAsTheFileHas) {
    WritePatternFile(PathOf("r.dat"), 65536);
    for (bool unbuffered : {false, true}) {
        std::vector<std::string> arguments = {"r.dat", "-r", "-ran", "-filesize", "64k", "-pagesize", "4k", "-debug"};
        if (unbuffered) arguments.push_back("-unbuffered");
        std::vector<int> pages;
        const std::string output = Normalized(Run(arguments), &pages);
        std::string expected =
            "DEBUG: Reading from File: r.dat\n"
            "DEBUG: Filesize is: 65536 or 64 KB\n"
            "DEBUG: Pagesize is: 4096 or 4 KB\n"
            "DEBUG: Number of pages to be read: 16\n";
        expected += unbuffered ? "Read with History: Reading 16 pages from file: r.dat with a 4096 page size.\n"
                               : "Random Reads: Reading 16 pages from file: r.dat with a 4096 page size.\n";
        for (size_t i = 0; i < 16 && i < pages.size(); ++i) {
            expected += "DEBUG: Page Number # will be read.\n";
            expected += "DEBUG: Pending I/O while randomly reading page " + std::to_string(pages[i]) + " from file: r.dat\n";
        }
        EXPECT_EQ(output, expected + kReport);
        ASSERT_EQ(pages.size(), 16u);
        for (int page : pages) {
            EXPECT_GE(page, 1);
            EXPECT_LE(page, 16);
        }
    }
}

TEST_F(EndToEndTest, RandomReadDetailedDebug) {
    WritePatternFile(PathOf("r.dat"), 8192);
    EXPECT_EQ(Normalized(Run({"r.dat", "-ran", "-filesize", "8k", "-pagesize", "8k", "-detailed_debug", "-r"})),
              "DEBUG: Reading from File: r.dat\n"
              "DEBUG: Filesize is: 8192 or 8 KB\n"
              "DEBUG: Pagesize is: 8192 or 8 KB\n"
              "DEBUG: Number of pages to be read: 1\n"
              "DEBUG: Range Minimum Value 1.000000\n"
              "DEBUG: Range Maximum Value 1.000000\n"
              "DEBUG: Random() Maximum Value 32767.000000\n"
              "Random Reads: Reading 1 pages from file: r.dat with a 8192 page size.\n"
              "DEBUG: Page Number 1 will be read.\n"
              "DEBUG: Randomly reading page 1 from file: r.dat\n"
              "DEBUG: Pending I/O while randomly reading page 1 from file: r.dat\n" +
                  std::string(kReport));
}

TEST_F(EndToEndTest, RandomReadWriteLeavesTheFileAsItWas) {
    struct Case {
        const char* name;
        int64_t length;
        std::vector<std::string> options;
    };
    const std::vector<Case> cases = {
        {"whole pages", 65536, {"-filesize", "64k", "-pagesize", "4k"}},
        {"a short last page", 12288 + 100, {"-filesize", "16k", "-pagesize", "4k"}},
        {"shorter than the run", 4096, {"-filesize", "64k", "-pagesize", "4k"}},
        {"one short page", 100, {"-filesize", "4k", "-pagesize", "4k", "-ran"}},
    };
    for (const Case& c : cases) {
        WritePatternFile(PathOf("rw.dat"), c.length, 5);
        const std::string before = ReadWholeFile(PathOf("rw.dat"));
        std::vector<std::string> arguments = {"rw.dat", "-rw"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const std::string output = Normalized(Run(arguments));
        EXPECT_EQ(ReadWholeFile(PathOf("rw.dat")), before) << c.name;
        if (output.find("ERROR") != std::string::npos) {
            // Only a page that starts past the end can fail, with the end-of-file code.
            EXPECT_TRUE(EndsWith(output, "       return code is: 38\n")) << c.name << "\n" << output;
        } else {
            EXPECT_TRUE(EndsWith(output, "Read/Write Throughput: # MB/Sec.\nElapsed time: # Secs\n")) << output;
        }
    }
}

TEST_F(EndToEndTest, RandomReadWriteDebugLines) {
    WritePatternFile(PathOf("rw.dat"), 4096);
    EXPECT_EQ(Normalized(Run({"rw.dat", "-rw", "-filesize", "4k", "-pagesize", "4k", "-detailed_debug",
                              "-sgio", "-numpages", "3", "-unbuffered", "-writethru"})),
              "DEBUG: Reading/Writing File: rw.dat\n"
              "DEBUG: Filesize is: 4096 or 4 KB\n"
              "DEBUG: Pagesize is: 4096 or 4 KB\n"
              "DEBUG: Number of pages to be read and written: 1\n"
              "Random Reads and Writes: Reading and Writing 1 pages to file: rw.dat with a 4096 page size.\n"
              "DEBUG: Range Minimum Value 1.000000\n"
              "DEBUG: Range Maximum Value 1.000000\n"
              "DEBUG: Random() Maximum Value 32767.000000\n"
              "DEBUG: Page Number 1 will be read.\n"
              "DEBUG: Updating page 1\n"
              "DEBUG: Randomly reading page 1 from file: rw.dat\n"
              "DEBUG: Pending I/O while randomly reading page 1 from file: rw.dat\n"
              "DEBUG: Page Number 1 will be written.\n"
              "DEBUG: Pending I/O for file: rw.dat\n"
              "Read/Write Throughput: # MB/Sec.\n"
              "Elapsed time: # Secs\n");
}

TEST_F(EndToEndTest, ScatterReadWithDebugLines) {
    WritePatternFile(PathOf("s.dat"), 122880 + 5000);  // longer than the run
    EXPECT_EQ(Normalized(Run({"s.dat", "-r", "-sgio", "-filesize", "120k", "-pagesize", "8k", "-numpages", "5",
                              "-detailed_debug", "-unbuffered", "-ran"})),
              "DEBUG: Reading from File: s.dat\n"
              "DEBUG: Filesize is: 122880 or 120 KB\n"
              "DEBUG: Pagesize is: 8192 or 8 KB\n"
              "DEBUG: Number of pages per Scatter Read call: 5\n"
              "DEBUG: Page size: 8192\n"
              "DEBUG: File size: 122880\n"
              "DEBUG: Bytes to read: 40960\n"
              "DEBUG: Number of iterations: 3\n"
              "DEBUG: System page size: 4096\n"
              "DEBUG: Number of SGIO buffers: 10\n"
              "DEBUG: Number of system pages: 2\n"
              "Scatter Reading 5 pages - 3 iterations from file: s.dat with a 8192 page size.\n"
              "DEBUG: Scatter Reading 5 pages beginning with offset 0.\n"
              "DEBUG: Scatter Reading 5 pages beginning with offset 40960.\n"
              "DEBUG: Scatter Reading 5 pages beginning with offset 81920.\n" +
                  std::string(kReport));
}

TEST_F(EndToEndTest, ScatterAndGatherOfMoreThanOneSystemCallOfPages) {
    // 500 pages of 16 KiB: 2,000 system pages per request.
    const std::vector<std::string> sizes = {"-filesize", "16000k", "-pagesize", "16k", "-numpages", "500"};
    std::vector<std::string> write = {"big.dat", "-w", "-sgio"};
    write.insert(write.end(), sizes.begin(), sizes.end());
    WritePatternFile(PathOf("big.dat"), 20000000);
    EXPECT_EQ(Normalized(Run(write)),
              "Gather Writing 500 pages - 2 iterations to file: big.dat with a 16384 page size.\n" +
                  std::string(kWriteReport));
    EXPECT_TRUE(IsZeroFile(PathOf("big.dat"), 16384000));

    std::vector<std::string> read = {"big.dat", "-sgio"};
    read.insert(read.end(), sizes.begin(), sizes.end());
    EXPECT_EQ(Normalized(Run(read)),
              "WARNING: Neither -r, -w, nor -rw options were specified. Defaulting to READ mode.\n"
              "Scatter Reading 500 pages - 2 iterations from file: big.dat with a 16384 page size.\n" +
                  std::string(kReport));
}

TEST_F(EndToEndTest, GatherWriteWithDebugLines) {
    EXPECT_EQ(Normalized(Run({"g.dat", "-w", "-r", "-sgio", "-filesize", "24k", "-pagesize", "12k", "-numpages",
                              "1", "-debug", "-writethru"})),
              "DEBUG: Reading from File: g.dat\n"
              "DEBUG: Filesize is: 24576 or 24 KB\n"
              "DEBUG: Pagesize is: 12288 or 12 KB\n"
              "DEBUG: Number of pages per Gather Write call: 1\n"
              "DEBUG: Page size: 12288\n"
              "DEBUG: File size: 24576\n"
              "DEBUG: Bytes to write: 12288\n"
              "DEBUG: Number of iterations: 2\n"
              "DEBUG: System page size: 4096\n"
              "DEBUG: Number of SGIO buffers: 3\n"
              "DEBUG: Number of system pages: 3\n"
              "Gather Writing 1 pages - 2 iterations to file: g.dat with a 12288 page size.\n" +
                  std::string(kWriteReport));
    EXPECT_TRUE(IsZeroFile(PathOf("g.dat"), 24576));
}

// A request that needs more system pages than the array lists fails with
// the platform's code; the buffers that only the array knew of are released
// at the null address, which the platform refuses (87).
TEST_F(EndToEndTest, PageSizesTheSegmentArrayCannotCoverFailTheRequest) {
    WritePatternFile(PathOf("s.dat"), 65536);
    const std::string code = "ERROR: Return code is: [0-9]+\\.\n";
    const std::string readFailed = "ERROR: An error occurred while reading pages for scatter reads\\.\n" + code;
    const std::string writeFailed = "ERROR: An error occurred while writing pages for gather writes\\.\n" + code;
    const std::string scatterNull = "ERROR: Unable to free a scatter read buffers?\\.\nERROR: Return code is: 87\\.\n";
    const std::string gatherNull = "ERROR: Unable to free a gather writes buffers\\.\nERROR: Return code is: 87\\.\n";
    struct Case {
        std::vector<std::string> arguments;
        std::string pattern;
    };
    const std::vector<Case> cases = {
        {{"s.dat", "-sgio", "-r", "-pagesize", "2048", "-numpages", "2", "-filesize", "8k"},
         "Scatter Reading 2 pages - 2 iterations from file: s\\.dat with a 2048 page size\\.\n" + readFailed +
             scatterNull + scatterNull},
        {{"s.dat", "-sgio", "-r", "-pagesize", "6144", "-numpages", "2", "-filesize", "12k"},
         "Scatter Reading 2 pages - 1 iterations from file: s\\.dat with a 6144 page size\\.\n" + readFailed},
        {{"g.dat", "-sgio", "-w", "-pagesize", "2048", "-numpages", "2", "-filesize", "8k"},
         "Gather Writing 2 pages - 2 iterations to file: g\\.dat with a 2048 page size\\.\n" + writeFailed +
             gatherNull + gatherNull},
        {{"g.dat", "-sgio", "-w", "-pagesize", "6144", "-numpages", "2", "-filesize", "12k"},
         "Gather Writing 2 pages - 1 iterations to file: g\\.dat with a 6144 page size\\.\n" + writeFailed},
    };
    for (const Case& c : cases) {
        const std::string output = Run(c.arguments);
        EXPECT_TRUE(std::regex_match(output, std::regex(c.pattern))) << output;
    }
    EXPECT_EQ(ReadWholeFile(PathOf("s.dat")).size(), 65536u);
}

#ifndef _WIN32
// The codes our platform layer gives: the request is refused before it
// starts, for the null entry that the byte count needs.
TEST_F(EndToEndTest, UncoveredSystemPagesAreRefusedWithNoAccess) {
    WritePatternFile(PathOf("s.dat"), 65536);
    EXPECT_EQ(Run({"s.dat", "-sgio", "-r", "-pagesize", "2048", "-numpages", "2", "-filesize", "8k"}),
              "Scatter Reading 2 pages - 2 iterations from file: s.dat with a 2048 page size.\n"
              "ERROR: An error occurred while reading pages for scatter reads.\n"
              "ERROR: Return code is: 998.\n"
              "ERROR: Unable to free a scatter read buffers.\n"
              "ERROR: Return code is: 87.\n"
              "ERROR: Unable to free a scatter read buffers.\n"
              "ERROR: Return code is: 87.\n");
    EXPECT_EQ(Run({"g.dat", "-sgio", "-w", "-pagesize", "6144", "-numpages", "2", "-filesize", "12k"}),
              "Gather Writing 2 pages - 1 iterations to file: g.dat with a 6144 page size.\n"
              "ERROR: An error occurred while writing pages for gather writes.\n"
              "ERROR: Return code is: 998.\n");
}
#endif

TEST_F(EndToEndTest, ScatterGatherSizingRefusals) {
    EXPECT_EQ(Run({"s.dat", "-sgio"}),
              "WARNING: Neither -r, -w, nor -rw options were specified. Defaulting to READ mode.\n"
              "WARNING: Filesize option not specified. Defaulting to 1 MB file size.\n"
              "WARNING: Pagesize option not specified. Defaulting to 8K page size.\n"
              "WARNING: SGIO option specified but numpages option was not specified. Defaulting to 500 pages.\n"
              "ERROR: The product of the page size and number of pages is greater than the file size specified.\n");
    EXPECT_EQ(Run({"s.dat", "-w", "-sgio", "-filesize", "1000000", "-pagesize", "8k", "-numpages", "5"}),
              "ERROR: The file size is NOT a multiple of the product of the page size and the number of pages.\n");
    EXPECT_FALSE(std::filesystem::exists(PathOf("s.dat")));
}

TEST_F(EndToEndTest, ReadsOfAnEmptyFileEndAtTheFirstRequest) {
    WritePatternFile(PathOf("empty.dat"), 0);
    struct Case {
        std::vector<std::string> arguments;
        std::string output;
    };
    const std::vector<Case> cases = {
        {{"empty.dat", "-r", "-filesize", "8k", "-pagesize", "4k"},
         "Sequentially reading 8192 bytes from file: empty.dat with a 4096 page size.\n"
         "ERROR: An error was detected while sequentially reading 4096 bytes from file: empty.dat\n"
         "       return code is: 38\n"},
        {{"empty.dat", "-r", "-unbuffered", "-filesize", "8k", "-pagesize", "4k"},
         "Sequentially reading 8192 bytes from file: empty.dat with a 4096 page size.\n"
         "ERROR: An error was detected while sequentially reading 4096 bytes from file: empty.dat\n"
         "       return code is: 38\n"},
        {{"empty.dat", "-r", "-ran", "-filesize", "4k", "-pagesize", "4k"},
         "Random Reads: Reading 1 pages from file: empty.dat with a 4096 page size.\n"
         "ERROR: An error was detected while randomly reading page 1 from file: empty.dat\n"
         "       return code is: 38\n"},
        {{"empty.dat", "-rw", "-filesize", "4k", "-pagesize", "4k"},
         "Random Reads and Writes: Reading and Writing 1 pages to file: empty.dat with a 4096 page size.\n"
         "ERROR: An error was detected while randomly reading page 1 from file: empty.dat\n"
         "       return code is: 38\n"},
        {{"empty.dat", "-r", "-sgio", "-filesize", "8k", "-pagesize", "4k", "-numpages", "2"},
         "Scatter Reading 2 pages - 1 iterations from file: empty.dat with a 4096 page size.\n"
         "ERROR: An error occurred while reading pages for scatter reads.\n"
         "ERROR: Return code is: 38.\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Run(c.arguments), c.output) << c.arguments[1];
    EXPECT_EQ(ReadWholeFile(PathOf("empty.dat")), "") << "nothing was written";
}

TEST_F(EndToEndTest, ADirectoryIsNoFile) {
    std::filesystem::create_directory(PathOf("folder"));
    EXPECT_EQ(Run({"folder", "-rw", "-filesize", "4k", "-pagesize", "4k"}),
              "Random Reads and Writes: Reading and Writing 1 pages to file: folder with a 4096 page size.\n"
              "ERROR: Unable to open file folder for random reading/writing.\n"
              "ERROR: Return code is: 5.\n");
    EXPECT_EQ(Run({"folder", "-w", "-filesize", "4k", "-pagesize", "4k"}),
              "Sequentially writing 4096 bytes to file: folder with a 4096 page size.\n"
              "ERROR: An error was detected while trying to open file: folder.\n"
              "       return code is: 5\n");
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("folder")));
}

#ifndef _WIN32
TEST_F(EndToEndTest, WritePastTheFileSizeLimitEndsWithTheWriteFailure) {
    // 32 blocks of the shell's ulimit unit: at most 32 KiB, less than the run.
    EXPECT_EQ(Run({"limited.dat", "-w", "-filesize", "64k", "-pagesize", "4k"}, "ulimit -f 32 && "),
              "Sequentially writing 65536 bytes to file: limited.dat with a 4096 page size.\n"
              "ERROR: An error was detected while writing 4096 bytes to file: limited.dat\n"
              "       return code is: 223\n");
    EXPECT_LT(std::filesystem::file_size(PathOf("limited.dat")), 65536u);
}

TEST_F(EndToEndTest, ASecondRunCannotOpenAFileThatAWriteHolds) {
    // A slow write (every page written through to the disk) runs in the
    // background while the other runs try the same file.
    const std::string command = ChangeDirectory(dir) + " && exec " + Quoted(ProgramPath()) +
                                " held.dat -w -writethru -filesize 1g -pagesize 512 >/dev/null 2>&1 & echo $!";
    FILE* pipe = OpenPipe(command);
    ASSERT_NE(pipe, nullptr);
    char line[64] = {};
    ASSERT_NE(fgets(line, sizeof line, pipe), nullptr);
    ClosePipe(pipe);
    // The writer is stopped however the test ends.
    struct StopWriter {
        std::string pid;
        ~StopWriter() {
            std::system(("kill " + pid + " 2>/dev/null; while kill -0 " + pid + " 2>/dev/null; do sleep 0.01; done")
                            .c_str());
        }
    } writer{std::string(line).substr(0, std::string(line).find('\n'))};
    for (int i = 0; i < 500 && !std::filesystem::exists(PathOf("held.dat")); ++i) {
        std::system("sleep 0.01");
    }
    std::system("sleep 0.2");
    const uintmax_t before = std::filesystem::file_size(PathOf("held.dat"));

    EXPECT_EQ(Run({"held.dat", "-r", "-filesize", "4k", "-pagesize", "4k"}),
              "Sequentially reading 4096 bytes from file: held.dat with a 4096 page size.\n"
              "ERROR: Unable to open file held.dat for sequential reading.\n"
              "ERROR: Return code is: 32.\n");
    EXPECT_EQ(Run({"held.dat", "-w", "-filesize", "4k", "-pagesize", "4k"}),
              "Sequentially writing 4096 bytes to file: held.dat with a 4096 page size.\n"
              "ERROR: An error was detected while trying to open file: held.dat.\n"
              "       return code is: 32\n");
    EXPECT_EQ(Run({"held.dat", "-w", "-sgio", "-filesize", "8k", "-pagesize", "4k", "-numpages", "2"}),
              "Gather Writing 2 pages - 1 iterations to file: held.dat with a 4096 page size.\n"
              "ERROR: Unable to open file held.dat for Gather Writes.\n"
              "ERROR: Return code is: 32.\n");
    EXPECT_GE(std::filesystem::file_size(PathOf("held.dat")), before) << "the refused runs truncated nothing";
}

TEST_F(EndToEndTest, AFileWithoutReadPermission) {
    WritePatternFile(PathOf("secret.dat"), 4096);
    std::filesystem::permissions(PathOf("secret.dat"), std::filesystem::perms::none);
    std::filesystem::permissions(dir, std::filesystem::perms::all);
    // Root may read anything: run as an unprivileged user where we can.
    std::string prefix;
    if (geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "no setpriv to drop root";
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    EXPECT_EQ(Run({"secret.dat", "-r", "-filesize", "4k", "-pagesize", "4k"}, prefix),
              "Sequentially reading 4096 bytes from file: secret.dat with a 4096 page size.\n"
              "ERROR: Unable to open file secret.dat for sequential reading.\n"
              "ERROR: Return code is: 5.\n");
}
#endif

}  // namespace
