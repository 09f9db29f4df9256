// A folder of real files for one test, removed again afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// The Windows-style form of a path, as the engine takes it ("C:\..." on POSIX too).
std::string windowsPath(const fs::path& path);

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    fs::path path(const std::string& relative) const;
    // The Windows-style path of relative ("a/b.txt"); a trailing "/" gives a trailing backslash.
    std::string win(const std::string& relative = "") const;

    void folder(const std::string& relative) const;
    // Writes the file (and the folders above it) and gives it the tree's fixed last-write time, so copies compare equal.
    void file(const std::string& relative, const std::string& contents) const;
    // A file of size bytes that takes no room on disk (sizes past 4 GiB stay cheap).
    void sparseFile(const std::string& relative, std::uint64_t size) const;
    void touch(const std::string& relative, int secondsLater) const;
    void readOnly(const std::string& relative) const;
    // A symbolic link; false where none can be made. Under Wine a POSIX link beneath the Windows
    // path, made by the Unix ln, which Wine starts as it is.
    bool link(const std::string& target, const std::string& relative) const;

    fs::path root;
    fs::file_time_type fixedTime;
};

// The whole contents of a file, byte for byte; empty when it cannot be read.
std::string contentsOf(const fs::path& path);

// Contents of a given size with a pattern that differs from chunk to chunk.
std::string patternBytes(std::size_t size, unsigned seed = 1);
