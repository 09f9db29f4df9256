#include "quendle_session.h"

#include <cstdlib>
#include <cstring>

std::string programFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\'));
}

QuendleSession::QuendleSession(const std::string& folder, const char* program)
    : mainDialog(nullptr), process() {
    std::string command = "\"" + folder + "\\" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        return;
    mainDialog = waitForDialog("Quendle");
}

QuendleSession::~QuendleSession() {
    if (process.hProcess == nullptr) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

namespace {
struct Search {
    DWORD processId;
    const char* caption;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char caption[256];
    GetWindowTextA(window, caption, sizeof caption);
    if (owner != search->processId || !IsWindowVisible(window) || strcmp(caption, search->caption) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND QuendleSession::waitForDialog(const char* caption) const {
    Search search = {process.dwProcessId, caption, nullptr};
    waitUntil([&] {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    // QUENDLE_E2E_PAUSE_MS holds each dialog on screen a while, for screenshots.
    if (const char* pause = getenv("QUENDLE_E2E_PAUSE_MS")) Sleep(static_cast<DWORD>(atoi(pause)));
    return search.found;
}

int QuendleSession::quit() {
    press(mainDialog, IDCANCEL);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

void setText(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string textOf(HWND dialog, int id) {
    char text[1024] = "";
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != 0;
}

void press(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::vector<std::string> listLines(HWND dialog, int id) {
    // Wide, because Wine hands list box texts between processes as UTF-16.
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring wide(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
        std::string line(wide.size() * 4, '\0');
        const int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, line.data(),
                                               static_cast<int>(line.size()), nullptr, nullptr);
        line.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
        lines.push_back(line);
    }
    return lines;
}
