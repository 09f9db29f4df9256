// What the benchmark programs share: the private temporary folder their trees live in, and a
// path in the Windows form the engine takes.
#pragma once

#include <filesystem>
#include <string>

// Made on first use, removed with everything in it when the program ends.
const std::filesystem::path& benchRoot();

// "C:" and the path with backslashes, as the engine takes a POSIX path.
std::string windowsForm(const std::filesystem::path& path);
