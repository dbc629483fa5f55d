#pragma once

// Prints the usage notes; with futureNotes, also the lines on the
// undocumented and future options.
void PrintUsageNotes(bool futureNotes);
