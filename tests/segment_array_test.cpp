#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "command_line.h"
#include "fake_platform.h"
#include "run_capture.h"
#include "workloads/segment_array.h"

namespace {

class SegmentArrayTest : public FakePlatformTest {
protected:
    RunSettings Settings(int64_t fileSize, int32_t pageSize, int32_t numPages, bool debug = false) {
        RunSettings settings = InitialRunSettings();
        lstrcpyA(settings.fileName, "s.dat");
        settings.fileSize = fileSize;
        settings.pageSize = pageSize;
        settings.numPages = numPages;
        settings.debug = debug;
        return settings;
    }
};

// Plans and returns what was printed; *accepted tells whether it went on.
std::string Plan(const RunSettings& settings, WorkloadKind kind, SgioPlan* plan, bool* accepted) {
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    *accepted = PlanSgioRequests(settings, kind, plan);
    fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

std::string Build(const RunSettings& settings, const SgioPlan& plan, WorkloadKind kind, SegmentArray* segments,
                  bool* built) {
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    *built = BuildSegmentArray(settings, plan, kind, segments);
    fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

std::string Release(const SegmentArray& segments, const char* bufferMessage, const char* arrayMessage) {
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    ReleaseSegmentArray(segments, bufferMessage, arrayMessage);
    fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

TEST_F(SegmentArrayTest, PlanningAndItsRefusalsInOrder) {
    const std::string greater =
        "ERROR: The product of the page size and number of pages is greater than the file size specified.\n";
    const std::string defaulted =
        "WARNING: SGIO option specified but numpages option was not specified. Defaulting to 500 pages.\n";
    struct Case {
        int64_t fileSize;
        int32_t pageSize;
        int32_t numPages;
        WorkloadKind kind;
        std::string output;
        bool accepted;
        SgioPlan plan;
    };
    const std::vector<Case> cases = {
        {40 << 20, 8192, 5, WorkloadKind::ScatterRead, "", true, {5, 40960, 1024}},
        {40960, 8192, 5, WorkloadKind::GatherWrite, "", true, {5, 40960, 1}},
        {1 << 20, 8192, 0, WorkloadKind::ScatterRead, defaulted + greater, false, {}},
        {8192 * 1000, 8192, 0, WorkloadKind::GatherWrite, defaulted, true, {500, 4096000, 2}},
        {1000000, 8192, 5, WorkloadKind::ScatterRead,
         "ERROR: The file size is NOT a multiple of the product of the page size and number of pages.\n", false, {}},
        {1000000, 8192, 5, WorkloadKind::GatherWrite,
         "ERROR: The file size is NOT a multiple of the product of the page size and the number of pages.\n", false,
         {}},
        {40959, 8192, 5, WorkloadKind::ScatterRead, greater, false, {}},  // greater is tested first
        {1LL << 40, 1 << 20, 4096, WorkloadKind::ScatterRead,
         "ERROR: The product of the page size 1048576 and number of pages 4096 is more than 2147483647 bytes per "
         "request.\n",
         false, {}},
        {1LL << 40, 1, 1, WorkloadKind::GatherWrite,
         "ERROR: The file size 1099511627776 takes 1099511627776 requests; at most 2147483647 are supported.\n", false,
         {}},
    };
    for (const Case& c : cases) {
        SgioPlan plan = {};
        bool accepted;
        EXPECT_EQ(Plan(Settings(c.fileSize, c.pageSize, c.numPages), c.kind, &plan, &accepted), c.output);
        EXPECT_EQ(accepted, c.accepted) << c.fileSize;
        if (accepted) {
            EXPECT_EQ(plan.numPages, c.plan.numPages);
            EXPECT_EQ(plan.bytesPerRequest, c.plan.bytesPerRequest);
            EXPECT_EQ(plan.iterations, c.plan.iterations);
        }
    }
    EXPECT_TRUE(Fake().allocationSizes.empty()) << "planning allocates nothing";
}

TEST_F(SegmentArrayTest, EntriesListEverySystemPageOfEveryBufferInOrder) {
    struct Case {
        int32_t pageSize;
        int32_t numPages;
        int32_t segmentCount;
        size_t arrayBytes;
        int32_t systemPagesPerPage;
    };
    const Case cases[] = {
        {8192, 5, 10, 88, 2},   // the 40m/8k/5 example
        {12288, 2, 6, 56, 3},   // three system pages per buffer
        {4096, 3, 3, 32, 1},
        {6144, 2, 3, 32, 1},    // not a multiple of the system page
        {2048, 4, 2, 24, 0},    // below the system page: nothing is entered
    };
    for (const Case& c : cases) {
        ResetFakePlatform();
        const RunSettings settings = Settings(static_cast<int64_t>(c.pageSize) * c.numPages, c.pageSize, c.numPages);
        SgioPlan plan;
        bool ok;
        Plan(settings, WorkloadKind::ScatterRead, &plan, &ok);
        ASSERT_TRUE(ok);
        SegmentArray segments;
        EXPECT_EQ(Build(settings, plan, WorkloadKind::ScatterRead, &segments, &ok), "");
        ASSERT_TRUE(ok);
        EXPECT_EQ(segments.systemPageSize, 4096);
        EXPECT_EQ(segments.segmentCount, c.segmentCount);
        EXPECT_EQ(segments.arrayBytes, c.arrayBytes);
        EXPECT_EQ(segments.systemPagesPerPage, c.systemPagesPerPage);
        // The array first, then one buffer per page.
        std::vector<size_t> sizes = {c.arrayBytes};
        sizes.insert(sizes.end(), static_cast<size_t>(c.numPages), static_cast<size_t>(c.pageSize));
        EXPECT_EQ(Fake().allocationSizes, sizes);
        std::vector<char*> buffers;
        for (auto& live : Fake().liveAllocations) {
            if (live.first != segments.aSegment) buffers.push_back(static_cast<char*>(live.first));
        }
        const int32_t entered = c.numPages * c.systemPagesPerPage;
        for (int32_t i = 0; i < c.numPages && c.systemPagesPerPage > 0; ++i) {
            char* start = static_cast<char*>(segments.aSegment[i * c.systemPagesPerPage].Buffer);
            for (int32_t k = 0; k < c.systemPagesPerPage; ++k) {
                EXPECT_EQ(segments.aSegment[i * c.systemPagesPerPage + k].Buffer, start + k * 4096)
                    << c.pageSize << " buffer " << i << " page " << k;
            }
        }
        for (int32_t e = entered; e <= c.segmentCount; ++e) {
            EXPECT_EQ(segments.aSegment[e].Alignment, 0u) << c.pageSize << " entry " << e;
        }
        Release(segments, "buffer\n", "array\n");
        if (c.systemPagesPerPage > 0) ExpectEverythingReleased();
    }
}

TEST_F(SegmentArrayTest, DebugLinesByKind) {
    const RunSettings settings = Settings(40 << 20, 8192, 5, true);
    SgioPlan plan;
    bool ok;
    Plan(settings, WorkloadKind::GatherWrite, &plan, &ok);
    SegmentArray segments;
    EXPECT_EQ(Build(settings, plan, WorkloadKind::GatherWrite, &segments, &ok),
              "DEBUG: Number of pages per Gather Write call: 5\n"
              "DEBUG: Page size: 8192\n"
              "DEBUG: File size: 41943040\n"
              "DEBUG: Bytes to write: 40960\n"
              "DEBUG: Number of iterations: 1024\n"
              "DEBUG: System page size: 4096\n"
              "DEBUG: Number of SGIO buffers: 10\n"
              "DEBUG: Number of system pages: 2\n");
    Release(segments, "", "");
    const std::string scatter = Build(settings, plan, WorkloadKind::ScatterRead, &segments, &ok);
    EXPECT_EQ(scatter.substr(0, scatter.find("DEBUG: Page size")), "DEBUG: Number of pages per Scatter Read call: 5\n");
    EXPECT_NE(scatter.find("DEBUG: Bytes to read: 40960\n"), std::string::npos);
    Release(segments, "", "");
    ExpectEverythingReleased();
}

TEST_F(SegmentArrayTest, AllocationFailuresReleaseNothing) {
    const RunSettings settings = Settings(40 << 20, 8192, 5);
    SgioPlan plan;
    bool ok;
    Plan(settings, WorkloadKind::ScatterRead, &plan, &ok);
    SegmentArray segments;
    Fake().allocationFailures = {0};
    EXPECT_EQ(Build(settings, plan, WorkloadKind::ScatterRead, &segments, &ok),
              "ERROR: Unable to allocate segment array.\n");
    EXPECT_FALSE(ok);

    ResetFakePlatform();
    Fake().allocationFailures = {3};  // the third buffer
    EXPECT_EQ(Build(settings, plan, WorkloadKind::GatherWrite, &segments, &ok),
              "ERROR: Unable to allocate buffers for Gather Write processes.\n");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Fake().liveAllocations.size(), 3u) << "the array and two buffers stay";
    EXPECT_TRUE(Fake().frees.empty());

    ResetFakePlatform();
    Fake().allocationFailures = {1};
    EXPECT_EQ(Build(settings, plan, WorkloadKind::ScatterRead, &segments, &ok),
              "ERROR: Unable to allocate buffers for Scatter Read processes.\n");
}

TEST_F(SegmentArrayTest, ReleaseReportsEachFailureAndGoesOn) {
    const RunSettings settings = Settings(40960, 8192, 5);
    SgioPlan plan;
    bool ok;
    Plan(settings, WorkloadKind::ScatterRead, &plan, &ok);
    SegmentArray segments;
    Build(settings, plan, WorkloadKind::ScatterRead, &segments, &ok);
    Fake().freeFailures = {{1, 87}, {5, 487}};  // the second buffer and the array
    EXPECT_EQ(Release(segments, "ERROR: buffer\n", "ERROR: array\n"),
              "ERROR: buffer\nERROR: Return code is: 87.\nERROR: array\nERROR: Return code is: 487.\n");
    ASSERT_EQ(Fake().frees.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Fake().frees[static_cast<size_t>(i)].first, segments.aSegment[i * 2].Buffer);
        EXPECT_EQ(Fake().frees[static_cast<size_t>(i)].second, 8192u);
    }
    EXPECT_EQ(Fake().frees[5].first, static_cast<void*>(segments.aSegment));
    EXPECT_EQ(Fake().frees[5].second, 88u);
}

}  // namespace
