#include "help_command.h"

#include "app_settings.h"
#include "platform/win32.h"

#include <cstring>

namespace {
constexpr char helpFileName[] = "\\HowToUse.txt";
}

void buildHelpCommand() {
    char* command = appSettings.helpCommand;
    // Room for the directory and its terminator, so the whole path stays within the field.
    const DWORD room = pathRoom - (sizeof helpFileName - 1);
    const DWORD length = GetCurrentDirectoryA(room, command);
    if (length == 0 || length >= room) {
        command[0] = '\0';
        return;
    }
    // A drive's root already ends in a backslash.
    const char* name = command[length - 1] == '\\' ? helpFileName + 1 : helpFileName;
    std::strcpy(command + length, name);
}

void runHelpCommand() {
    // The file is opened directly rather than through a command line, so a folder with blanks
    // or shell characters in its name needs no quoting.
    if (appSettings.helpCommand[0] != '\0')
        ShellExecuteA(nullptr, "open", appSettings.helpCommand, nullptr, nullptr, SW_SHOWNORMAL);
}
