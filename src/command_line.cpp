#include "command_line.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "usage_notes.h"
#include "workloads/workloads.h"

namespace {

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = 1024 * 1024;
constexpr int64_t kGiga = 1024 * 1024 * 1024;
constexpr int64_t kDefaultFileSize = kMega;
constexpr int32_t kDefaultPageSize = 8192;

enum class ValueStatus { Valid, InvalidValue, InvalidScale };

bool IsOption(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The leading decimal integer of text: white space skipped, one optional
// sign, digits up to the first other character; 0 without digits; saturated
// at lowest and highest.
int64_t LeadingInteger(const char* text, int64_t lowest, int64_t highest) {
    while (IsSpace(*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    const uint64_t limit = negative ? static_cast<uint64_t>(-(lowest + 1)) + 1
                                    : static_cast<uint64_t>(highest);
    uint64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const uint64_t digit = static_cast<uint64_t>(*text - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (!negative) return static_cast<int64_t>(magnitude);
    return magnitude == limit ? lowest : -static_cast<int64_t>(magnitude);
}

// Reads a value that may end in a scale letter: K and M, and G where
// allowGiga. The number must be at least 1 before it is scaled, and must
// still fit `highest` after.
ValueStatus ReadScaledValue(const char* text, int64_t lowest, int64_t highest, bool allowGiga,
                            int64_t* value) {
    *value = LeadingInteger(text, lowest, highest);
    if (*value < 1) return ValueStatus::InvalidValue;
    const char last = text[std::strlen(text) - 1];
    if (!IsLetter(last)) return ValueStatus::Valid;
    int64_t scale;
    switch (last & ~0x20) {  // upper case
        case 'K': scale = kKilo; break;
        case 'M': scale = kMega; break;
        case 'G':
            if (!allowGiga) return ValueStatus::InvalidScale;
            scale = kGiga;
            break;
        default: return ValueStatus::InvalidScale;
    }
    if (*value > highest / scale) return ValueStatus::InvalidValue;
    *value *= scale;
    return ValueStatus::Valid;
}

// The value of the option at argv[*index], which it consumes; null, with
// the error printed, when the option is the last argument.
const char* OptionValue(int argc, char* argv[], int* index) {
    if (*index + 1 >= argc) {
        printf("*** ERROR: Option %s requires a value.\n\n", argv[*index]);
        return nullptr;
    }
    ++*index;
    return argv[*index];
}

bool ReadFileSize(const char* text, RunSettings* settings) {
    int64_t value;
    switch (ReadScaledValue(text, INT64_MIN, INT64_MAX, true, &value)) {
        case ValueStatus::InvalidValue:
            printf("*** ERROR: Invalid value for filesize option.\n\n");
            return false;
        case ValueStatus::InvalidScale:
            printf("*** ERROR: Invalid scale factor specified for filesize argument.\n\n");
            return false;
        case ValueStatus::Valid: break;
    }
    settings->fileSize = value;
    return true;
}

bool ReadPageSize(const char* text, RunSettings* settings) {
    int64_t value;
    switch (ReadScaledValue(text, INT32_MIN, INT32_MAX, false, &value)) {
        case ValueStatus::InvalidValue:
            printf("*** ERROR: Invalid value for pagesize option.\n\n");
            return false;
        case ValueStatus::InvalidScale:
            printf("*** ERROR: Invalid scale factor specified for pagesize argument.\n\n");
            return false;
        case ValueStatus::Valid: break;
    }
    settings->pageSize = static_cast<int32_t>(value);
    return true;
}

bool ReadNumPages(const char* text, RunSettings* settings) {
    const int64_t value = LeadingInteger(text, INT32_MIN, INT32_MAX);
    if (value < 1) {
        printf("*** ERROR: Invalid value for numpages option.\n\n");
        return false;
    }
    settings->numPages = static_cast<int32_t>(value);
    return true;
}

}  // namespace

RunSettings InitialRunSettings() {
    RunSettings settings = {};
    settings.sequential = true;
    settings.accessHint = FILE_FLAG_SEQUENTIAL_SCAN;
    return settings;
}

bool ReadOptions(int argc, char* argv[], RunSettings* settings) {
    for (int i = 2; i < argc; ++i) {
        const char* option = argv[i];
        if (IsOption(option, "-debug")) {
            settings->debug = true;
        } else if (IsOption(option, "-detailed_debug")) {
            settings->debug = true;
            settings->detailedDebug = true;
        } else if (IsOption(option, "-r")) {
            settings->readMode = true;
        } else if (IsOption(option, "-w")) {
            settings->writeMode = true;
        } else if (IsOption(option, "-rw")) {
            settings->readWriteMode = true;
        } else if (IsOption(option, "-filesize")) {
            const char* value = OptionValue(argc, argv, &i);
            if (value == nullptr || !ReadFileSize(value, settings)) return false;
        } else if (IsOption(option, "-pagesize")) {
            const char* value = OptionValue(argc, argv, &i);
            if (value == nullptr || !ReadPageSize(value, settings)) return false;
        } else if (IsOption(option, "-unbuffered")) {
            settings->unbuffered = true;
        } else if (IsOption(option, "-writethru")) {
            settings->writeThrough = true;
        } else if (IsOption(option, "-sgio")) {
            settings->sgio = true;
        } else if (IsOption(option, "-numpages")) {
            const char* value = OptionValue(argc, argv, &i);
            if (value == nullptr || !ReadNumPages(value, settings)) return false;
        } else if (IsOption(option, "-ran")) {
            settings->accessHint = FILE_FLAG_RANDOM_ACCESS;
            settings->sequential = false;
        } else if (IsOption(option, "-seq")) {
            settings->accessHint = FILE_FLAG_SEQUENTIAL_SCAN;
            settings->sequential = true;
        } else {
            printf("*** ERROR: Option %s is invalid.\n\n", option);
            return false;
        }
    }
    return true;
}

void ApplyDefaults(RunSettings* settings) {
    if (!settings->readMode && !settings->writeMode && !settings->readWriteMode) {
        printf("WARNING: Neither -r, -w, nor -rw options were specified. Defaulting to READ mode.\n");
        settings->readMode = true;
    }
    if (settings->fileSize == 0) {
        printf("WARNING: Filesize option not specified. Defaulting to 1 MB file size.\n");
        settings->fileSize = kDefaultFileSize;
    }
    if (settings->pageSize == 0) {
        printf("WARNING: Pagesize option not specified. Defaulting to 8K page size.\n");
        settings->pageSize = kDefaultPageSize;
    }
}

void PrintSettingsEcho(const RunSettings& settings) {
    if (settings.readMode) {
        printf("DEBUG: Reading from File: %s\n", settings.fileName);
    } else if (settings.writeMode) {
        printf("DEBUG: Writing to File: %s\n", settings.fileName);
    } else {
        printf("DEBUG: Reading/Writing File: %s\n", settings.fileName);
    }
    printf("DEBUG: Filesize is: %" PRId64 " or %" PRId64 " KB\n", settings.fileSize,
           settings.fileSize / kKilo);
    printf("DEBUG: Pagesize is: %d or %d KB\n", settings.pageSize,
           settings.pageSize / static_cast<int32_t>(kKilo));
}

WorkloadKind SelectWorkload(const RunSettings& settings) {
    if (settings.writeMode) {
        return settings.sgio ? WorkloadKind::GatherWrite : WorkloadKind::SequentialWrite;
    }
    if (settings.readMode) {
        if (settings.sgio) return WorkloadKind::ScatterRead;
        return settings.sequential ? WorkloadKind::SequentialRead : WorkloadKind::RandomRead;
    }
    return WorkloadKind::RandomReadWrite;
}

void RunWorkload(WorkloadKind kind, const RunSettings& settings) {
    switch (kind) {
        case WorkloadKind::SequentialRead: RunSequentialRead(settings); break;
        case WorkloadKind::SequentialWrite: RunSequentialWrite(settings); break;
        case WorkloadKind::RandomRead: RunRandomRead(settings); break;
        case WorkloadKind::RandomReadWrite: RunRandomReadWrite(settings); break;
        case WorkloadKind::ScatterRead: RunScatterRead(settings); break;
        case WorkloadKind::GatherWrite: RunGatherWrite(settings); break;
    }
}

bool PrepareRun(int argc, char* argv[], RunSettings* settings) {
    printf("KOV I/O Test Utility: v2.0\n\n");
    if (argc < 2) {
        PrintUsageNotes(false);
        return false;
    }
    const char* first = argv[1];
    if (std::strncmp(first, "-future", 7) == 0) {
        PrintUsageNotes(true);
        return false;
    }
    if (first[0] == '-') {
        printf("*** ERROR: First argument MUST be filename.\n\n");
        return false;
    }
    if (std::strlen(first) > static_cast<size_t>(kMaxFileNameLength)) {
        printf("*** ERROR: Filename is too long (at most 255 characters).\n\n");
        return false;
    }
    *settings = InitialRunSettings();
    lstrcpyA(settings->fileName, first);
    if (!ReadOptions(argc, argv, settings)) return false;
    ApplyDefaults(settings);
    if (settings->debug) PrintSettingsEcho(*settings);
    return true;
}

int RunZuzuzavev(int argc, char* argv[]) {
    RunSettings settings;
    if (PrepareRun(argc, argv, &settings)) RunWorkload(SelectWorkload(settings), settings);
    return 0;
}
