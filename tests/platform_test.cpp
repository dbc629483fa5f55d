// The POSIX stand-in on real files: what the program relies on.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/posix_internal.h"
#include "temp_dir.h"

namespace {

class PlatformTest : public TempDirTest {
protected:
    HANDLE Open(const std::string& name, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
        return CreateFileA(PathOf(name).c_str(), access, share, nullptr, disposition, flags, nullptr);
    }
    HANDLE OpenForReading(const std::string& name, DWORD flags = 0) {
        return Open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, flags);
    }
};

OVERLAPPED At(int64_t offset) {
    OVERLAPPED request = {};
    request.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    request.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return request;
}

const size_t kPage = 4096;

// A request under the issue-and-wait rule: waits when it is pending.
BOOL Finish(HANDLE file, BOOL issued, OVERLAPPED* request, DWORD* bytes) {
    if (issued || GetLastError() != ERROR_IO_PENDING) return issued;
    return GetOverlappedResult(file, request, bytes, TRUE);
}

struct Pages {
    explicit Pages(size_t count) : size(count * kPage) {
        memory = static_cast<char*>(VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~Pages() { VirtualFree(memory, size, MEM_DECOMMIT); }
    size_t size;
    char* memory;
};

TEST_F(PlatformTest, OpenFailuresCarryTheirCodes) {
    std::filesystem::create_directory(PathOf("sub"));
    struct Case {
        std::string name;
        DWORD access;
        DWORD disposition;
        DWORD code;
    };
    const Case cases[] = {
        {"missing.dat", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"nodir/file.dat", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"nodir/file.dat", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"sub/missing.dat", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"sub", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"sub", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(Open(c.name, c.access, 0, c.disposition, 0), INVALID_HANDLE_VALUE) << c.name;
        EXPECT_EQ(GetLastError(), c.code) << c.name;
    }
    EXPECT_EQ(CreateFileA("", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing.dat")));
}

TEST_F(PlatformTest, OpenWithoutPermissionIsAccessDenied) {
    WritePatternFile(PathOf("locked.dat"), 10);
    std::filesystem::permissions(PathOf("locked.dat"), std::filesystem::perms::none);
    std::filesystem::permissions(dir, std::filesystem::perms::all);
    // Root reads every file: try as an unprivileged user in a child.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        const bool refused = OpenForReading("locked.dat") == INVALID_HANDLE_VALUE &&
                             GetLastError() == ERROR_ACCESS_DENIED;
        _exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(PlatformTest, CreateAlwaysCreatesAndTruncates) {
    WritePatternFile(PathOf("old.dat"), 10000);
    for (const char* name : {"old.dat", "new.dat"}) {
        HANDLE file = Open(name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(std::filesystem::file_size(PathOf(name)), 0u) << name;
        EXPECT_TRUE(CloseHandle(file));
    }
}

TEST_F(PlatformTest, ReadsTransferInFullAndStopAtTheEnd) {
    WritePatternFile(PathOf("data.dat"), 10000);
    const std::string content = ReadWholeFile(PathOf("data.dat"));
    for (DWORD flags : {FILE_FLAG_SEQUENTIAL_SCAN, FILE_FLAG_RANDOM_ACCESS | FILE_FLAG_OVERLAPPED}) {
        const bool overlapped = (flags & FILE_FLAG_OVERLAPPED) != 0;
        HANDLE file = OpenForReading("data.dat", flags);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        std::vector<char> buffer(8192);
        DWORD bytes = 0;

        OVERLAPPED first = At(0);
        const BOOL issued = ReadFile(file, buffer.data(), 8192, &bytes, &first);
        if (overlapped) {
            // Requests on an overlapped handle report pending; the wait gives the outcome.
            EXPECT_FALSE(issued);
            EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
            EXPECT_EQ(bytes, 0u);
        }
        ASSERT_TRUE(Finish(file, issued, &first, &bytes));
        EXPECT_EQ(bytes, 8192u);
        EXPECT_EQ(std::string(buffer.data(), 8192), content.substr(0, 8192));

        OVERLAPPED crossing = At(8192);  // crosses the end: the bytes there are
        ASSERT_TRUE(Finish(file, ReadFile(file, buffer.data(), 8192, &bytes, &crossing), &crossing, &bytes));
        EXPECT_EQ(bytes, 10000u - 8192u);
        EXPECT_EQ(std::string(buffer.data(), bytes), content.substr(8192));

        for (int64_t offset : {int64_t{10000}, int64_t{16384}, int64_t{5} << 32}) {
            OVERLAPPED past = At(offset);  // starts at or past the end
            SetLastError(0);
            EXPECT_FALSE(Finish(file, ReadFile(file, buffer.data(), 8192, &bytes, &past), &past, &bytes))
                << offset;
            EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
            EXPECT_EQ(bytes, 0u);
        }
        EXPECT_TRUE(CloseHandle(file));
    }
}

TEST_F(PlatformTest, WritesArePositionedAndComplete) {
    HANDLE file = Open("out.dat", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string page(4096, 'x');
    DWORD bytes = 0;
    OVERLAPPED second = At(4096);
    ASSERT_TRUE(WriteFile(file, page.data(), 4096, &bytes, &second));
    EXPECT_EQ(bytes, 4096u);
    OVERLAPPED first = At(0);
    ASSERT_TRUE(WriteFile(file, "ab", 2, &bytes, &first));
    EXPECT_TRUE(CloseHandle(file));
    const std::string content = ReadWholeFile(PathOf("out.dat"));
    EXPECT_EQ(content.size(), 8192u);
    EXPECT_EQ(content.substr(0, 2), "ab");
    EXPECT_EQ(content.substr(4096), page);
}

TEST_F(PlatformTest, HandlesAndAccess) {
    WritePatternFile(PathOf("data.dat"), 100);
    char buffer[100];
    DWORD bytes;
    OVERLAPPED request = At(0);
    HANDLE reader = OpenForReading("data.dat");
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFile(reader, buffer, 10, &bytes, &request));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseHandle(reader));

    for (HANDLE bad : {reader, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE,
                       reinterpret_cast<HANDLE>(uintptr_t{0x12345})}) {
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(ReadFile(bad, buffer, 10, &bytes, &request));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }

    HANDLE overlapped = OpenForReading("data.dat", FILE_FLAG_OVERLAPPED);
    EXPECT_FALSE(ReadFile(overlapped, buffer, 10, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(CloseHandle(overlapped));
}

TEST_F(PlatformTest, ShareModesLockTheFile) {
    WritePatternFile(PathOf("shared.dat"), 4096);
    HANDLE reader = OpenForReading("shared.dat");
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE secondReader = OpenForReading("shared.dat");
    EXPECT_NE(secondReader, INVALID_HANDLE_VALUE) << "readers share the file";
    EXPECT_EQ(Open("shared.dat", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Open("shared.dat", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, 0),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(std::filesystem::file_size(PathOf("shared.dat")), 4096u) << "a refused open truncates nothing";
    CloseHandle(reader);
    CloseHandle(secondReader);

    HANDLE writer = Open("shared.dat", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenForReading("shared.dat"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(CloseHandle(writer));
    HANDLE again = OpenForReading("shared.dat");
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "closing releases the lock";
    CloseHandle(again);
}

TEST_F(PlatformTest, DirectTransfersNeedAlignment) {
    WritePatternFile(PathOf("direct.dat"), 3 * kPage);
    HANDLE file = OpenForReading("direct.dat", FILE_FLAG_NO_BUFFERING | FILE_FLAG_OVERLAPPED);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Pages pages(2);
    DWORD bytes;
    struct Case {
        size_t bufferOffset;
        DWORD count;
        int64_t fileOffset;
        bool succeeds;
    };
    const Case cases[] = {
        {0, kPage, 0, true},        {0, 2 * kPage, kPage, true}, {0, 100, 0, false},
        {1, kPage, 0, false},       {0, kPage, 100, false},      {0, 2 * kPage, 2 * kPage, true},
    };
    for (const Case& c : cases) {
        OVERLAPPED request = At(c.fileOffset);
        SetLastError(0);
        const BOOL issued = ReadFile(file, pages.memory + c.bufferOffset, c.count, &bytes, &request);
        EXPECT_EQ(Finish(file, issued, &request, &bytes) != FALSE, c.succeeds)
            << c.bufferOffset << " " << c.count << " " << c.fileOffset;
        if (!c.succeeds) {
            EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        }
    }
    CloseHandle(file);
}

TEST_F(PlatformTest, DirectReadOfAFileThatEndsMidPage) {
    WritePatternFile(PathOf("odd.dat"), kPage + 1000);
    HANDLE file = OpenForReading("odd.dat", FILE_FLAG_NO_BUFFERING | FILE_FLAG_OVERLAPPED);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Pages pages(2);
    DWORD bytes = 0;
    OVERLAPPED request = At(0);
    EXPECT_TRUE(Finish(file, ReadFile(file, pages.memory, 2 * kPage, &bytes, &request), &request, &bytes));
    EXPECT_EQ(bytes, kPage + 1000);
    CloseHandle(file);
}

TEST_F(PlatformTest, MemoryIsZeroFilledAlignedAndDecommittedByPages) {
    char* memory = static_cast<char*>(VirtualAlloc(nullptr, 3 * kPage, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(memory) % kPage, 0u);
    for (size_t i = 0; i < 3 * kPage; ++i) ASSERT_EQ(memory[i], 0);
    std::memset(memory, 1, 3 * kPage);
    // Pages of a block can be decommitted on their own; the rest stays.
    EXPECT_TRUE(VirtualFree(memory + kPage, kPage, MEM_DECOMMIT));
    EXPECT_EQ(memory[0], 1);
    EXPECT_EQ(memory[2 * kPage], 1);
    EXPECT_TRUE(VirtualFree(memory, 3 * kPage, MEM_DECOMMIT));
    EXPECT_TRUE(VirtualFree(memory, 3 * kPage, MEM_DECOMMIT)) << "the addresses stay reserved";
    EXPECT_FALSE(VirtualFree(memory, 4 * kPage, MEM_DECOMMIT));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    EXPECT_FALSE(VirtualFree(nullptr, 4096, MEM_DECOMMIT));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    char local = 7;
    EXPECT_FALSE(VirtualFree(&local, 1, MEM_DECOMMIT));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
    EXPECT_EQ(local, 7) << "a refused release touches nothing";
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    EXPECT_EQ(info.dwPageSize, static_cast<DWORD>(sysconf(_SC_PAGESIZE)));
}

TEST_F(PlatformTest, CounterIsMonotonicNanoseconds) {
    LARGE_INTEGER frequency, first, second;
    EXPECT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    QueryPerformanceCounter(&first);
    QueryPerformanceCounter(&second);
    EXPECT_LE(first.QuadPart, second.QuadPart);
    EXPECT_EQ(first.QuadPart, (static_cast<LONGLONG>(first.HighPart) << 32) | first.LowPart);
}

TEST(PlatformErrorTable, ErrnoBecomesTheExpectedCode) {
    struct Case {
        int errnoValue;
        DWORD code;
    };
    const Case cases[] = {
        {ENOENT, 2},  {ENOTDIR, 3}, {EACCES, 5},   {EISDIR, 5},  {EBADF, 6},   {ENOMEM, 8},
        {EINVAL, 87}, {ENOSPC, 112}, {EFBIG, 223}, {EWOULDBLOCK, 32}, {EFAULT, 487},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorCodeFromErrno(c.errnoValue), c.code) << c.errnoValue;
}

TEST_F(PlatformTest, WritePastTheFileSizeLimitFailsInsteadOfKillingTheProcess) {
    const std::string path = PathOf("limited.dat");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit = {8192, 8192};
        setrlimit(RLIMIT_FSIZE, &limit);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        static char page[8192];
        DWORD bytes;
        OVERLAPPED first = At(0);
        OVERLAPPED second = At(8192);
        const bool firstWritten = WriteFile(file, page, 8192, &bytes, &first) != FALSE;
        const bool secondRefused = WriteFile(file, page, 8192, &bytes, &second) == FALSE &&
                                   GetLastError() == ERROR_FILE_TOO_LARGE;
        _exit(firstWritten && secondRefused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

class SegmentTransferTest : public PlatformTest {};

TEST_F(SegmentTransferTest, GatherThenScatterMoreThanOneSystemCallOfPages) {
    const size_t count = 1100;  // more pages than one vectored call takes
    Pages source(count);
    for (size_t i = 0; i < source.size; ++i) source.memory[i] = static_cast<char>(i / kPage + i);
    // Gather the pages in reverse order, so the file shows the order of the entries.
    std::vector<FILE_SEGMENT_ELEMENT> segments(count + 1);
    for (size_t k = 0; k < count; ++k) segments[k].Buffer = source.memory + (count - 1 - k) * kPage;
    segments[count].Alignment = 0;

    HANDLE writer = Open("sg.dat", GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_FLAG_NO_BUFFERING | FILE_FLAG_OVERLAPPED);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    OVERLAPPED request = At(kPage);
    DWORD bytes = 0;
    ASSERT_TRUE(Finish(writer, WriteFileGather(writer, segments.data(), static_cast<DWORD>(count * kPage), nullptr,
                                               &request),
                       &request, &bytes));
    EXPECT_EQ(bytes, count * kPage);
    CloseHandle(writer);
    const std::string content = ReadWholeFile(PathOf("sg.dat"));
    ASSERT_EQ(content.size(), (count + 1) * kPage);
    for (size_t k = 0; k < count; ++k) {
        ASSERT_EQ(std::memcmp(content.data() + (k + 1) * kPage, segments[k].Buffer, kPage), 0) << k;
    }

    Pages target(count);
    for (size_t k = 0; k < count; ++k) segments[k].Buffer = target.memory + k * kPage;
    HANDLE reader = Open("sg.dat", GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_OVERLAPPED);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(Finish(reader,
                       ReadFileScatter(reader, segments.data(), static_cast<DWORD>(count * kPage), nullptr, &request),
                       &request, &bytes));
    EXPECT_EQ(std::memcmp(target.memory, content.data() + kPage, count * kPage), 0);

    OVERLAPPED nearEnd = At(static_cast<int64_t>(count * kPage));  // one page left
    ASSERT_TRUE(Finish(reader, ReadFileScatter(reader, segments.data(), 4 * kPage, nullptr, &nearEnd), &nearEnd,
                       &bytes));
    EXPECT_EQ(bytes, kPage);
    OVERLAPPED atEnd = At(static_cast<int64_t>((count + 1) * kPage));
    EXPECT_FALSE(Finish(reader, ReadFileScatter(reader, segments.data(), 4 * kPage, nullptr, &atEnd), &atEnd, &bytes));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    CloseHandle(reader);
}

TEST_F(SegmentTransferTest, EntriesAndHandleAreCheckedBeforeAnythingMoves) {
    WritePatternFile(PathOf("sg.dat"), 4 * kPage, 3);
    Pages pages(3);
    FILE_SEGMENT_ELEMENT segments[4] = {};
    OVERLAPPED request = At(0);

    HANDLE plain = OpenForReading("sg.dat", FILE_FLAG_OVERLAPPED);
    segments[0].Buffer = pages.memory;
    EXPECT_FALSE(ReadFileScatter(plain, segments, static_cast<DWORD>(kPage), nullptr, &request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "needs an unbuffered, overlapped handle";
    CloseHandle(plain);

    HANDLE file = Open("sg.dat", GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING | FILE_FLAG_OVERLAPPED);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    segments[0].Buffer = pages.memory;
    segments[1].Buffer = pages.memory + kPage;
    segments[2].Buffer = nullptr;
    EXPECT_FALSE(ReadFileScatter(file, segments, static_cast<DWORD>(3 * kPage), nullptr, &request));
    EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
    EXPECT_EQ(pages.memory[1], 0) << "nothing was read";

    segments[2].Buffer = pages.memory + 2 * kPage + 2048;
    EXPECT_FALSE(ReadFileScatter(file, segments, static_cast<DWORD>(3 * kPage), nullptr, &request));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(pages.memory[1], 0) << "nothing was read";

    DWORD bytes;
    EXPECT_TRUE(Finish(file, ReadFileScatter(file, segments, static_cast<DWORD>(2 * kPage), nullptr, &request),
                       &request, &bytes))
        << "entries past the count are not looked at";
    EXPECT_NE(pages.memory[1], 0);
    CloseHandle(file);
}

}  // namespace
