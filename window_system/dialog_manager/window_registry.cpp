#include "dialog_manager.h"

#include <algorithm>

DialogManager& dialogManager() {
    static DialogManager manager;
    return manager;
}

void setFrontEnd(FrontEnd* frontEnd) { dialogManager().frontEnd = frontEnd; }

HWND__* liveWindow(HWND window) {
    if (window == nullptr) return nullptr;
    for (const auto& record : dialogManager().windows)
        if (record.get() == window) return window;
    return nullptr;
}

std::vector<HWND> openDialogs() {
    std::vector<HWND> dialogs;
    for (const auto& record : dialogManager().windows)
        if (record->kind == WindowKind::Dialog) dialogs.push_back(record.get());
    return dialogs;
}

HWND activeDialog() {
    const std::vector<HWND> dialogs = openDialogs();
    return dialogs.empty() ? nullptr : dialogs.back();
}

HWND createWindowRecord(WindowKind kind, HWND parent) {
    auto record = std::make_unique<HWND__>();
    record->kind = kind;
    record->enabled = true;
    record->parent = parent;
    record->selected = -1;
    HWND window = record.get();
    dialogManager().windows.push_back(std::move(record));
    if (parent != nullptr && kind != WindowKind::Dialog) parent->children.push_back(window);
    return window;
}

void destroyWindowRecord(HWND window) {
    DialogManager& manager = dialogManager();
    const std::vector<HWND> children = window->children;
    for (HWND child : children) destroyWindowRecord(child);
    std::erase_if(manager.timers, [window](const Timer& timer) { return timer.window == window; });
    std::erase_if(manager.queue, [window](const MSG& message) { return message.hwnd == window; });
    std::erase_if(manager.windows, [window](const auto& record) { return record.get() == window; });
}
