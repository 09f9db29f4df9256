// Files read in batches answer what the plain calls answer for the same files, whatever stands
// at the name: the batch is only a faster way to make the same calls.
#include "platform/whole_file_reads.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <linux/io_uring.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

struct Answer {
    DWORD openError;
    DWORD readError;
    DWORD got;
    std::string bytes;
};

// CreateFileA, ReadFile and CloseHandle as the comparison makes them for a listed plain file.
Answer plainly(const std::string& path, DWORD asked) {
    Answer answer{0, 0, 0, {}};
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        answer.openError = GetLastError();
        return answer;
    }
    std::string buffer(asked, '\0');
    if (ReadFile(file, buffer.data(), asked, &answer.got, nullptr) == 0) answer.readError = GetLastError();
    answer.bytes = buffer.substr(0, answer.got);
    CloseHandle(file);
    return answer;
}

// Whether this process may make a ring at all: a sysctl or a container's seccomp profile may
// refuse it, and then the plain calls are the right answer.
bool ringAllowed() {
    io_uring_params params{};
    const long ring = syscall(SYS_io_uring_setup, 1, &params);
    if (ring < 0) return false;
    close(static_cast<int>(ring));
    return true;
}

TEST(WholeFileReads, EveryFileAnswersAsThePlainCallsDo) {
    const char* io = std::getenv("QUENDLE_IO");
    const bool plainForced = io != nullptr && std::string(io) == "plain";
    if (!ringAllowed() || plainForced) {
        EXPECT_FALSE(plainForced && wholeFileReadsOffered()) << "QUENDLE_IO=plain is not heeded";
        GTEST_SKIP() << "this system offers no ring, or the plain calls are asked for";
    }
    ASSERT_TRUE(wholeFileReadsOffered()) << "a system that allows io_uring, but the batch is not offered";

    TempTree tree;
    std::vector<std::string> names;
    // Files in more folders than the folder cache holds, so that a batch cannot name them all at
    // once; sizes on both sides of what is asked.
    for (int folder = 0; folder < 7; ++folder) {
        for (int file = 0; file < 5; ++file) {
            const std::string name = "f" + std::to_string(folder) + "/" + std::to_string(file);
            tree.file(name, patternBytes(static_cast<std::size_t>(file * 700), folder));
            names.push_back(name);
        }
    }
    tree.folder("a folder");
    names.push_back("a folder");
    tree.file("target", "linked");
    if (tree.link("target", "a link")) names.push_back("a link");
    ASSERT_EQ(mkfifo(tree.path("a pipe").c_str(), 0600), 0);
    names.push_back("a pipe");
    names.push_back("missing");
    names.push_back("missing folder/x");
    names.push_back(std::string(300, 'n'));

    std::vector<std::string> paths;
    for (const auto& name : names) paths.push_back(tree.win(name));
    std::vector<WholeFileRead> reads(paths.size());
    std::vector<std::string> buffers(paths.size(), std::string(4000, '\0'));
    constexpr DWORD asked = 2101;  // more than some files hold, less than others
    for (std::size_t i = 0; i < paths.size(); ++i)
        reads[i] = {paths[i].c_str(), reinterpret_cast<unsigned char*>(buffers[i].data()), asked, 0, 0, 0, 0, 0, 0, 0, false};
    ASSERT_LE(reads.size(), static_cast<std::size_t>(wholeFileReadsMost));
    ASSERT_EQ(readWholeFiles(reads.data(), static_cast<int>(reads.size())), 0);

    for (std::size_t i = 0; i < paths.size(); ++i) {
        const Answer plain = plainly(paths[i], asked);
        const WholeFileRead& batch = reads[i];
        EXPECT_FALSE(batch.readPlainly) << names[i];
        EXPECT_EQ(batch.openError, plain.openError) << names[i];
        EXPECT_EQ(batch.openError != 0, batch.openSystemError != 0 || batch.openError == ERROR_FILENAME_EXCED_RANGE)
            << names[i];
        if (plain.openError != 0) continue;
        EXPECT_EQ(batch.readError, plain.readError) << names[i];
        EXPECT_EQ(batch.got, plain.got) << names[i];
        EXPECT_EQ(buffers[i].substr(0, batch.got), plain.bytes) << names[i];
        EXPECT_EQ(batch.closeError, 0u) << names[i];
    }
}

}  // namespace
