// The program's entry and everything before a workload starts: the banner,
// the usage notes, the options, the defaults, the debug echo and the choice
// of the workload.
#pragma once

#include "run_settings.h"

// Runs the program on its argument list (argv[0] is the program's name) and
// returns its exit status, which is 0 on every path.
int RunZuzuzavev(int argc, char* argv[]);

// Everything before the workload: the banner, the usage notes, the file
// name, the options, the defaults and the echo. Returns true, with settings
// complete, when a workload is to run; false when the run has ended.
bool PrepareRun(int argc, char* argv[], RunSettings* settings);

// The settings before any option is read.
RunSettings InitialRunSettings();

// Reads the options that follow the file name (argv[2] onwards) into
// settings. On an error, prints its message and returns false.
bool ReadOptions(int argc, char* argv[], RunSettings* settings);

// Fills in what the options did not give, with a warning for each default.
void ApplyDefaults(RunSettings* settings);

// The three debug lines that echo the settings.
void PrintSettingsEcho(const RunSettings& settings);

WorkloadKind SelectWorkload(const RunSettings& settings);

void RunWorkload(WorkloadKind kind, const RunSettings& settings);
