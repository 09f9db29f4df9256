// Whether a file is still open somewhere: a comparison must close what it opened, also when it
// ends early. POSIX readers take no lock, so on POSIX the open descriptors of every process are
// looked at; on Windows an exclusive open fails while anyone holds the file.
#pragma once

#include <filesystem>

bool heldOpen(const std::filesystem::path& file);
