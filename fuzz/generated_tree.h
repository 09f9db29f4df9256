// The tree the engine fuzzer compares: a source and destination side with every kind of entry the
// engine must report rather than pass over.
#pragma once

#include <string>
#include <vector>

// Creates the tree once, under a fresh temporary folder removed at exit; returns the Windows-style
// folder texts (each ending in a backslash) and file paths that specifications start from.
const std::vector<std::string>& generatedTreeBases();
