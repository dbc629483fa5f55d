// The six workloads. Each runs one measured workload against the file that
// the settings name, prints its own lines and failures, and returns.
#pragma once

#include "run_settings.h"

void RunSequentialRead(const RunSettings& settings);
void RunSequentialWrite(const RunSettings& settings);
void RunRandomRead(const RunSettings& settings);
void RunRandomReadWrite(const RunSettings& settings);
void RunScatterRead(const RunSettings& settings);
void RunGatherWrite(const RunSettings& settings);
