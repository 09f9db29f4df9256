#include "entry_output.h"

#include "json_text.h"
#include "platform/win32.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

// A last-write time as UTC in ISO 8601, to the 100 ns Windows keeps; false for none (0).
bool isoTime(const FILETIME& time, char (&text)[40]) {
    using namespace std::chrono;
    constexpr auto ticksPerSecond = static_cast<std::int64_t>(fileTimeTicksPerSecond);
    constexpr std::int64_t ticksTo1970 = 116444736000000000;  // from 1601-01-01
    const std::uint64_t ticks = ticksOf(time);
    if (ticks == 0) return false;
    const std::int64_t since1970 = static_cast<std::int64_t>(ticks) - ticksTo1970;
    std::int64_t wholeSeconds = since1970 / ticksPerSecond;
    if (since1970 % ticksPerSecond < 0) --wholeSeconds;  // times before 1970 round down too
    const sys_seconds when{seconds(wholeSeconds)};
    const sys_days day = floor<days>(when);
    const year_month_day date(day);
    const hh_mm_ss clock(when - day);
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    // The fraction, when there is one, before the "Z".
    const std::int64_t fraction = since1970 - wholeSeconds * ticksPerSecond;
    if (fraction != 0) std::snprintf(text + 19, sizeof text - 19, ".%07dZ", static_cast<int>(fraction));
    return true;
}

const char* kindOf(const FindRecord& record) {
    return isLinkAsItself(record) ? "link" : isDirectory(record) ? "folder" : "file";
}

// One side's kind, size (files) and last-write time, as far as they are known; a link holds its
// target text, neither size nor time of its own that a copy keeps.
void appendSide(JsonText& json, const char* key, const FindRecord& record) {
    beginMember(json, key);
    if (isLinkAsItself(record)) {
        appendText(json, "kind", "link");
        endObject(json);
        return;
    }
    if (!isDirectory(record)) appendNumber(json, "size", fileSize(record));
    char time[40];
    if (isoTime(record.lastWriteTime, time)) appendText(json, "time", time);
    endObject(json);
}

int printJson(const JsonText& json) {
    return writeOutput(json.text, static_cast<std::size_t>(json.length)) != 0 ||
                   writeOutput("\n", 1) != 0
               ? 1
               : 0;
}

// Why a fatal entry was not compared, as people read it: the cause, and the system's own words for
// its error; none when the cause is not known.
const char* whyText(const Fault& fault, char (&text)[320]) {
    const char* cause = causeText(fault.cause);
    if (cause == nullptr) return nullptr;
    char system[256] = "";
    if (fault.error != 0) systemErrorText(fault.error, system, sizeof system);
    std::snprintf(text, sizeof text, fault.error != 0 ? "%s (%s)" : "%s", cause, system);
    return text;
}

}  // namespace

int printEntry(const char* line, const LogEntry& entry, OutputFormat format) {
    char text[320];
    const char* why = whyText(entry.fault, text);
    if (format == OutputFormat::Text) {
        const int printed = printResultLine(line);
        if (why != nullptr) printCause(line, why);
        return printed;
    }
    if (format == OutputFormat::NullEnded) {
        if (why != nullptr) printCause(line, why);
        // The names as stored, between the platform's own separators.
        char text[sizeof LogLine::codeText + sizeof LogLine::separator + storedPathRoom];
        std::snprintf(text, sizeof text, "%.6s%s", line, entry.storedPath);
        for (char* c = text + 6; *c != '\0'; ++c)
            if (*c == '/') *c = QUENDLE_PATH_SEPARATOR;
        return writeOutput(text, std::strlen(text) + 1);
    }
    JsonText json{};
    beginObject(json);
    char code[4] = {line[0], line[1], line[2], '\0'};
    appendText(json, "code", code);
    appendText(json, "class", rowOf(entry.code).jsonClass);
    appendText(json, "path", entry.storedPath);
    appendText(json, "kind", kindOf(entry.source));
    // An extra's one record is the destination's.
    if (!isExtraCode(entry.code)) appendSide(json, "source", entry.source);
    if (entry.destination.name[0] != '\0') appendSide(json, "destination", entry.destination);
    if (entry.code == CodeNEC && !isLinkAsItself(entry.source) && !isLinkAsItself(entry.destination))
        appendNumber(json, "first_difference", entry.firstDifference);
    if (const char* reason = causeKey(entry.fault.cause)) appendText(json, "reason", reason);
    if (entry.fault.error != 0) appendNumber(json, "error", static_cast<std::uint64_t>(entry.fault.error));
    endObject(json);
    return printJson(json);
}

int printJsonSummary(const QdlCore& job, RunEnd end, double seconds, int status, bool totalTold) {
    const CompareStats& s = job.stats;
    JsonText json{};
    beginObject(json);
    beginMember(json, "summary");
    appendNumber(json, "no_difference", static_cast<std::uint64_t>(s.noDifference));
    appendNumber(json, "notices", static_cast<std::uint64_t>(s.notices));
    appendNumber(json, "errors", static_cast<std::uint64_t>(s.errors));
    appendNumber(json, "fatal_errors", static_cast<std::uint64_t>(s.fatalErrors));
    appendNumber(json, "total", static_cast<std::uint64_t>(s.total));
    appendNumber(json, "extras", static_cast<std::uint64_t>(job.extras));
    appendNumber(json, "temporary_passed_over", static_cast<std::uint64_t>(job.temporaryPassedOver));
    appendNumber(json, "own_files_passed_over", static_cast<std::uint64_t>(job.ownFilesPassedOver));
    appendNumber(json, "excluded", static_cast<std::uint64_t>(job.filteredOut));
    appendNumber(json, "bytes_read", job.readBytes);
    appendNumber(json, "bytes_settled_unread", job.comparedBytes - job.readBytes);
    if (totalTold)
        appendNumber(json, "bytes_total", job.totalBytes);
    else
        appendNull(json, "bytes_total");
    appendSeconds(json, "seconds", seconds);
    appendNumber(json, "exit_status", static_cast<std::uint64_t>(status));
    appendBoolean(json, "every_entry_compared", everyEntryCompared(job, end));
    endObject(json);
    endObject(json);
    return printJson(json);
}
