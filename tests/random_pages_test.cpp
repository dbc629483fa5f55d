#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "measure/random_pages.h"

namespace {

std::string Captured(int32_t pageCount, int32_t index, bool detailed, int32_t* page) {
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    *page = PickRandomPage(pageCount, index, detailed);
    fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

// A seed whose next draw is `draw`: the draw is bits 16 to 30 of the next
// state, so search the seeds whose next state has those bits.
uint32_t SeedForDraw(int32_t draw) {
    for (uint32_t seed = 0;; ++seed) {
        SeedRandomGenerator(seed);
        if (NextRandom() == draw) return seed;
    }
}

TEST(RandomPagesTest, GeneratorCheckValues) {
    SeedRandomGenerator(1);
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169};
    for (int32_t value : expected) EXPECT_EQ(NextRandom(), value);
}

TEST(RandomPagesTest, PageFormula) {
    struct Case {
        int32_t draw;
        int32_t pageCount;
        int32_t page;
    };
    const Case cases[] = {
        {0, 128, 1},       {0, 1, 1},          {32766, 128, 128}, {16383, 128, 64},
        {16384, 128, 65},  {32766, 1, 1},      {1, 32767, 2},     {32766, 32767, 32767},
        {32766, 2147483646, 2147418109},
    };
    for (const Case& c : cases) {
        SeedRandomGenerator(SeedForDraw(c.draw));
        int32_t page;
        EXPECT_EQ(Captured(c.pageCount, 0, true, &page), "");
        EXPECT_EQ(page, c.page) << c.draw << " of " << c.pageCount;
    }
}

TEST(RandomPagesTest, TopDrawIsCorrectedByTheRequestIndex) {
    const uint32_t seed = SeedForDraw(32767);
    struct Case {
        int32_t pageCount;
        int32_t index;
        bool detailed;
        int32_t page;
        std::string lines;
    };
    const Case cases[] = {
        {128, 2, true, 42, "DEBUG: Page Number 129 TOO large.\nDEBUG: Adjusted Page Number is 42\n"},
        {128, 0, true, 128, "DEBUG: Page Number 129 TOO large.\nDEBUG: Adjusted Page Number is 128\n"},
        {1, 0, true, 1, "DEBUG: Page Number 2 TOO large.\nDEBUG: Adjusted Page Number is 1\n"},
        {128, 127, false, 1, ""},
        {2147483646, 0, false, 2147483646, ""},
    };
    for (const Case& c : cases) {
        SeedRandomGenerator(seed);
        int32_t page;
        EXPECT_EQ(Captured(c.pageCount, c.index, c.detailed, &page), c.lines);
        EXPECT_EQ(page, c.page);
    }
}

TEST(RandomPagesTest, EveryPageOfASmallFileCanComeOut) {
    SeedRandomGenerator(12345);
    bool seen[101] = {};
    for (int i = 0; i < 100000; ++i) {
        int32_t page = PickRandomPage(100, 0, false);
        ASSERT_GE(page, 1);
        ASSERT_LE(page, 100);
        seen[page] = true;
    }
    for (int page = 1; page <= 100; ++page) EXPECT_TRUE(seen[page]) << page;
}

TEST(RandomPagesTest, SeedingPrintsTheRangeLines) {
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    SeedRandomPages(128, true);
    SeedRandomPages(128, false);
    fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "DEBUG: Range Minimum Value 1.000000\n"
              "DEBUG: Range Maximum Value 128.000000\n"
              "DEBUG: Random() Maximum Value 32767.000000\n");
}

TEST(RandomPagesTest, PageOffsetsBeyondFourGigabytes) {
    EXPECT_EQ(PageOffset(1, 8192), 0);
    EXPECT_EQ(PageOffset(128, 8192), 127 * 8192);
    EXPECT_EQ(PageOffset(2147483646, 2147483647), 2147483645LL * 2147483647LL);
}

}  // namespace

