#include "generated_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path root;

void file(const fs::path& path, const std::string& contents, int age) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(age));
}

std::string windowsText(const fs::path& path, bool folder) {
    std::string text = "C:" + path.string();
    for (char& c : text)
        if (c == '/') c = '\\';
    return folder ? text + "\\" : text;
}

// Nested folders whose text, with its backslash, is length characters.
fs::path folderOfTextLength(const fs::path& from, std::size_t length) {
    fs::path folder = from;
    std::size_t now = windowsText(from, true).size();
    for (char letter = 'p'; now < length; ++letter) {
        const std::size_t name = std::min<std::size_t>(length - now - 1, 100);
        folder /= std::string(name == 0 ? 1 : name, letter);
        now = windowsText(folder, true).size();
    }
    fs::create_directories(folder);
    return folder;
}

void side(const fs::path& top, bool source, std::size_t deepLength) {
    const std::string other = source ? "source side" : "destination";
    file(top / "a.txt", "same on both sides", 48);
    file(top / "b.txt", "differs: " + other, 48);
    file(top / "d.txt", "older here or not", source ? 48 : 24);
    file(top / "e.txt", source ? "short" : "short and longer", 48);
    file(top / "f.txt", source ? "longer on the source" : "longer", 48);
    file(top / (source ? "c.txt" : "only-here.txt"), "one side", 48);
    file(top / (source ? "x?" : "xa"), "matched by a wildcard name", 48);
    file(top / "a\\b.txt", "a backslash in a name", 48);
    file(top / "a" / "b.txt", "a backslash in a name", 48);
    file(top / "we*rd" / "i.txt", "inside an odd folder", 48);
    file(top / "sub" / "g.txt", std::string(70000, source ? 'g' : 'G'), 48);
    file(top / "sub" / "inner" / "h.txt", std::string(40000, 'h'), 48);
    file(top / ".hidden", "never recorded", 48);
    if (source) file(top / "old" / "y.txt", "missing folder", 48);
    fs::create_directories(top / "empty");
    fs::create_directory_symlink(".", top / "loop");
    fs::create_directory_symlink("..", top / "sub" / "up");
    fs::create_symlink("missing-target", top / "gone");
    mkfifo((top / "pipe").c_str(), 0600);
    const fs::path deep = folderOfTextLength(top, deepLength);
    file(deep / "longfile", "fits exactly", 48);
    file(deep / "longfile.differs.txt", other, 48);
    fs::create_directories(deep / "deepest1");
}

}  // namespace

const std::vector<std::string>& generatedTreeBases() {
    static const std::vector<std::string> bases = [] {
        char pattern[] = "/tmp/quendle-fuzz-XXXXXX";
        root = mkdtemp(pattern);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(root, ignored);
        });
        const std::size_t deep = 251;
        side(root / "src", true, deep);
        side(root / "dst", false, deep);
        side(root / "dst-longer", false, deep + 7);
        std::vector<std::string> texts;
        for (const char* top : {"src", "dst", "dst-longer"}) {
            texts.push_back(windowsText(root / top, true));
            texts.push_back(windowsText(root / top / "sub", true));
            texts.push_back(windowsText(folderOfTextLength(root / top, top == std::string("dst-longer") ? deep + 7 : deep), true));
        }
        texts.push_back(windowsText(root / "src" / "a.txt", false));
        texts.push_back(windowsText(root / "dst" / "a.txt", false));
        texts.push_back(windowsText(root, true));
        return texts;
    }();
    return bases;
}
