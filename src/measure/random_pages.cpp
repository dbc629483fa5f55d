#include "measure/random_pages.h"

#include <cstdio>
#include <ctime>

namespace {

uint32_t generatorState = 0;

constexpr double kRangeMinimum = 1.0;
constexpr double kGeneratorMaximum = 32767.0;

}  // namespace

void SeedRandomGenerator(uint32_t seed) { generatorState = seed; }

void SeedRandomPages(int32_t pageCount, bool detailedDebug) {
    SeedRandomGenerator(static_cast<uint32_t>(static_cast<uint64_t>(time(nullptr))));
    if (detailedDebug) {
        printf("DEBUG: Range Minimum Value %f\n", kRangeMinimum);
        printf("DEBUG: Range Maximum Value %f\n", static_cast<double>(pageCount));
        printf("DEBUG: Random() Maximum Value %f\n", kGeneratorMaximum);
    }
}

int32_t NextRandom() {
    generatorState = generatorState * 214013u + 2531011u;
    return static_cast<int32_t>((generatorState >> 16) & 0x7FFFu);
}

int32_t PickRandomPage(int32_t pageCount, int32_t requestIndex, bool detailedDebug) {
    double x = static_cast<double>(NextRandom()) / kGeneratorMaximum;
    x = x * static_cast<double>(pageCount);
    x = x + kRangeMinimum;
    int32_t page = static_cast<int32_t>(x);
    if (page > pageCount) {
        // Only the draw 32767 lands here, on pageCount + 1.
        if (detailedDebug) printf("DEBUG: Page Number %d TOO large.\n", page);
        page = pageCount / (requestIndex + 1);
        if (detailedDebug) printf("DEBUG: Adjusted Page Number is %d\n", page);
    }
    return page;
}

int64_t PageOffset(int32_t pageNumber, int32_t pageSize) {
    return (static_cast<int64_t>(pageNumber) - 1) * static_cast<int64_t>(pageSize);
}
