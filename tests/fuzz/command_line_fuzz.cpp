// Fuzz target for the command-line front end: the input is an argument list,
// arguments separated by NUL bytes. Every accepted command line must leave
// settings that the workloads can rely on, and the scatter/gather sizing must
// agree with them.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "platform/platform.h"
#include "workloads/segment_array.h"

namespace {

constexpr size_t kMaxArguments = 64;

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckSettings(const RunSettings& settings) {
    Require(settings.readMode || settings.writeMode || settings.readWriteMode);
    Require(settings.fileSize >= 1 && settings.pageSize >= 1 && settings.numPages >= 0);
    Require(settings.sequential ? settings.accessHint == FILE_FLAG_SEQUENTIAL_SCAN
                                : settings.accessHint == FILE_FLAG_RANDOM_ACCESS);
    Require(!settings.detailedDebug || settings.debug);
    Require(settings.fileName[kMaxFileNameLength] == '\0');

    const WorkloadKind kind = SelectWorkload(settings);
    if (kind == WorkloadKind::ScatterRead || kind == WorkloadKind::GatherWrite) {
        SgioPlan plan;
        if (PlanSgioRequests(settings, kind, &plan)) {
            Require(plan.numPages >= 1 && plan.bytesPerRequest >= 1 && plan.iterations >= 1);
            Require(static_cast<int64_t>(plan.bytesPerRequest) * plan.iterations == settings.fileSize);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The program's lines are not what is being checked.
    if (freopen("/dev/null", "w", stdout) == nullptr) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments = {"zuzuzavev"};
    if (size > 0) arguments.emplace_back();
    for (size_t i = 0; i < size && arguments.size() <= kMaxArguments; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<char>(data[i]);
        }
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);

    RunSettings settings;
    if (PrepareRun(static_cast<int>(arguments.size()), argv.data(), &settings)) CheckSettings(settings);
    return 0;
}
