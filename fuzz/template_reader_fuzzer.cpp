// Any text as a resource script: the reader reads it or refuses it, never reads or writes past a
// buffer, and every template it returns holds terminated texts within its rooms.
#include "window_system/dialog_manager/dialog_template.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> script(data, data + size);
    script.push_back('\0');
    static DialogTemplate templates[8];
    const int count = parseDialogScript(script.data(), templates, 8);
    if (count < -1 || count > 8) std::abort();
    for (int i = 0; i < count; ++i) {
        const DialogTemplate& dialog = templates[i];
        if (dialog.controlCount < 0 || dialog.controlCount > templateControlRoom) std::abort();
        if (std::memchr(dialog.caption, '\0', templateTextRoom) == nullptr) std::abort();
        for (int c = 0; c < dialog.controlCount; ++c) {
            if (std::memchr(dialog.controls[c].text, '\0', templateTextRoom) == nullptr ||
                std::memchr(dialog.controls[c].className, '\0', templateClassRoom) == nullptr)
                std::abort();
        }
    }
    return 0;
}
