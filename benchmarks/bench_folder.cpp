#include "bench_folder.h"

#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A plain array: the removal at exit runs after the static path below is destroyed.
char folder[] = "/tmp/quendle-bench-XXXXXX";

}  // namespace

const fs::path& benchRoot() {
    static const fs::path root = [] {
        if (mkdtemp(folder) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        });
        return fs::path(folder);
    }();
    return root;
}

std::string windowsForm(const fs::path& path) {
    std::string text = "C:" + path.string();
    for (char& c : text)
        if (c == '/') c = '\\';
    return text;
}
