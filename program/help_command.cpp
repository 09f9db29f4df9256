#include "help_command.h"

#include "app_settings.h"
#include "engine/find_record.h"
#include "window_system/win32_windows.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr char helpFileName[] = "HowToUse.txt";

// The folder (its first length characters), then below, then the help file's name; false when
// that does not fit the command.
bool composeHelpPath(const char* folder, std::size_t length, const char* below, char* command) {
    const bool root = length > 0 && folder[length - 1] == '\\';
    if (length == 0 || length + 1 + std::strlen(below) + sizeof helpFileName > pathRoom) return false;
    std::memcpy(command, folder, length);
    command[length] = '\0';
    if (!root) std::strcat(command, "\\");
    std::strcat(command, below);
    std::strcat(command, helpFileName);
    return true;
}

bool exists(const char* path) {
    FindRecord found;
    return lookUp(path, &found) == Presence::Found;
}

}  // namespace

// The help file of the current folder at start-up; else the one beside the program, or where an
// installation puts it (share/doc/quendle beside the program's bin folder). When none is there,
// the current folder's, which Help then finds missing.
void buildHelpCommand() {
    char* command = appSettings.helpCommand;
    char current[pathRoom];
    const DWORD currentLength = GetCurrentDirectoryA(pathRoom, current);
    const bool currentFits = currentLength != 0 && currentLength < pathRoom;
    if (currentFits && composeHelpPath(current, currentLength, "", command) && exists(command)) return;
    char program[pathRoom];
    const DWORD programLength = GetModuleFileNameA(nullptr, program, pathRoom);
    const char* folderEnd =
        programLength != 0 && programLength < pathRoom ? std::strrchr(program, '\\') : nullptr;
    if (folderEnd != nullptr) {
        const auto length = static_cast<std::size_t>(folderEnd - program);
        for (const char* below : {"", "..\\share\\doc\\quendle\\"})
            if (composeHelpPath(program, length, below, command) && exists(command)) return;
    }
    if (!currentFits || !composeHelpPath(current, currentLength, "", command)) command[0] = '\0';
}

void runHelpCommand() {
    // The file is opened directly rather than through a command line, so a folder with blanks
    // or shell characters in its name needs no quoting.
    if (appSettings.helpCommand[0] != '\0')
        ShellExecuteA(nullptr, "open", appSettings.helpCommand, nullptr, nullptr, SW_SHOWNORMAL);
}
