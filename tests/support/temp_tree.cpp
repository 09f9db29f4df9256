#include "temp_tree.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// Starts a Unix program under Wine in a folder and waits until done() holds (Wine gives no handle
// to wait on for a Unix process); false on Windows itself, where there is none, or after a minute.
template <typename Done>
bool runUnix(const char* program, std::string commandLine, const fs::path& folder, Done done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.string().c_str(), &startup, &process) == 0)
        return false;
    for (int wait = 0; wait < 6000; ++wait) {
        if (done()) return true;
        Sleep(10);
    }
    return false;
}

bool present(const fs::path& path) {
    return GetFileAttributesA(path.string().c_str()) != INVALID_FILE_ATTRIBUTES;
}
#endif

}  // namespace

std::string windowsPath(const fs::path& path) {
    std::string text = fs::absolute(path).string();
    for (char& c : text)
        if (c == '/') c = '\\';
#ifdef _WIN32
    return text;
#else
    return "C:" + text;
#endif
}

TempTree::TempTree() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        root = fs::temp_directory_path() / ("quendle-test-" + std::to_string(random()));
        if (fs::create_directory(root)) break;
    }
    fixedTime = fs::last_write_time(root) - std::chrono::hours(24);
}

TempTree::~TempTree() {
#ifdef _WIN32
    // Windows calls see a POSIX link to a folder above as a folder, and stop at MAX_PATH: under
    // Wine the Unix rm removes the tree.
    if (runUnix("Z:\\bin\\rm", "rm -rf " + root.filename().string(), root.parent_path(),
                [&] { return !present(root); }))
        return;
#endif
    // Folders a test made unwritable, or too deep for the platform's iterator, must not stop it.
    std::error_code ignored;
    for (fs::recursive_directory_iterator entry(root, ignored), end; !ignored && entry != end;
         entry.increment(ignored))
        fs::permissions(entry->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(root, ignored);
}

fs::path TempTree::path(const std::string& relative) const {
    return relative.empty() ? root : root / fs::path(relative).make_preferred();
}

std::string TempTree::win(const std::string& relative) const {
    std::string text = windowsPath(path(relative));
    if (!relative.empty() && relative.back() == '/' && text.back() != '\\') text += '\\';
    return text;
}

void TempTree::folder(const std::string& relative) const {
    fs::create_directories(path(relative));
}

void TempTree::file(const std::string& relative, const std::string& contents) const {
    fs::create_directories(path(relative).parent_path());
    std::ofstream out(path(relative), std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + relative);
    fs::last_write_time(path(relative), fixedTime);
}

void TempTree::sparseFile(const std::string& relative, std::uint64_t size) const {
    { std::ofstream create(path(relative), std::ios::binary | std::ios::trunc); }
    fs::resize_file(path(relative), size);
    fs::last_write_time(path(relative), fixedTime);
}

void TempTree::touch(const std::string& relative, int secondsLater) const {
    fs::last_write_time(path(relative), fixedTime + std::chrono::seconds(secondsLater));
}

void TempTree::readOnly(const std::string& relative) const {
    fs::permissions(path(relative), fs::perms::owner_write | fs::perms::group_write |
                                        fs::perms::others_write, fs::perm_options::remove);
}

std::string patternBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::minstd_rand generator(seed);
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool TempTree::link(const std::string& target, const std::string& relative) const {
#ifdef _WIN32
    const fs::path link = path(relative);
    return runUnix("Z:\\bin\\ln", "ln -s " + target + " " + link.filename().string(),
                   link.parent_path(), [&] { return present(link); });
#else
    return symlink(target.c_str(), path(relative).c_str()) == 0;
#endif
}
