#include "console_streams.h"

#include "platform/win32.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

UINT consoleCodePage;

struct OutputStream {
    char bytes[65536];
    std::size_t used;
    DWORD error;  // the first failure; ERROR_SUCCESS while every write went through
    int systemError;
};

OutputStream output{};
bool errorFailed = false;

int writeAll(DWORD which, const char* bytes, std::size_t length, DWORD* error, int* systemError) {
    DWORD written = 0;
    if (WriteFile(GetStdHandle(which), bytes, static_cast<DWORD>(length), &written, nullptr) != 0 &&
        written == length)
        return 0;
    *error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_HANDLE_DISK_FULL;
    *systemError = lastSystemError();
    return 1;
}

bool readerGone(DWORD error) {
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE;
}

}  // namespace

void beginConsoleOutput() {
    consoleCodePage = GetConsoleOutputCP();
    SetConsoleOutputCP(GetACP());
    output.used = 0;
    output.error = ERROR_SUCCESS;
    errorFailed = false;
}

int endConsoleOutput() {
    // Output that gave way to Ctrl-C is told by the run's own status.
    const bool failed = (flushOutput() != 0 && !outputInterrupted()) || errorFailed;
    SetConsoleOutputCP(consoleCodePage);
    return failed ? 1 : 0;
}

int flushOutput() {
    if (output.error != ERROR_SUCCESS) return 1;
    const std::size_t used = output.used;
    output.used = 0;
    return used == 0 ? 0 : writeAll(STD_OUTPUT_HANDLE, output.bytes, used, &output.error, &output.systemError);
}

int writeOutput(const char* bytes, std::size_t length) {
    if (output.error != ERROR_SUCCESS) return 1;
    if (output.used + length > sizeof output.bytes && flushOutput() != 0) return 1;
    if (length > sizeof output.bytes)
        return writeAll(STD_OUTPUT_HANDLE, bytes, length, &output.error, &output.systemError);
    std::memcpy(output.bytes + output.used, bytes, length);
    output.used += length;
    return 0;
}

bool outputInterrupted() {
    return output.error == ERROR_OPERATION_ABORTED;
}

int reportOutputFailure() {
    if (flushOutput() == 0) return 0;
    if (outputInterrupted()) return 0;
    if (!readerGone(output.error)) {
        char text[256] = "a write came short";
        if (output.systemError != 0) systemErrorText(output.systemError, text, sizeof text);
        printError("qdlcheck: standard output could not be written: %s\n", text);
    }
    return 1;
}

void printError(const char* format, ...) {
    char text[8192];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length <= 0) return;
    const std::size_t written = static_cast<std::size_t>(length) < sizeof text ? static_cast<std::size_t>(length)
                                                                                : sizeof text - 1;
    DWORD error = ERROR_SUCCESS;
    int systemError = 0;
    // A message cut short by Ctrl-C is no failure of the run's: the run says it was interrupted.
    if (writeAll(STD_ERROR_HANDLE, text, written, &error, &systemError) != 0 &&
        error != ERROR_OPERATION_ABORTED)
        errorFailed = true;
}
