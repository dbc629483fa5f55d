// The random choice of pages for the random workloads: the program's own
// generator, its seeding from the clock, the page formula with its
// correction, and page offsets.
#pragma once

#include <cstdint>

// Seeds the generator from the calendar time; with detailedDebug, prints the
// range lines for a page count of pageCount.
void SeedRandomPages(int32_t pageCount, bool detailedDebug);

// Seeds the generator with seed.
void SeedRandomGenerator(uint32_t seed);

// The next draw, from 0 to 32767.
int32_t NextRandom();

// The page of request requestIndex (0-based) among pageCount pages, from 1
// to pageCount.
int32_t PickRandomPage(int32_t pageCount, int32_t requestIndex, bool detailedDebug);

// The byte offset of 1-based page pageNumber.
int64_t PageOffset(int32_t pageNumber, int32_t pageSize);
