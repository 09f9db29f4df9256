#include "check_options.h"

#include "check_output.h"
#include "engine/job_stepper.h"
#include "quendle_version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>

namespace {

const char usage[] =
    "Usage: qdlcheck [options] SOURCE DESTINATION\n"
    "Checks that DESTINATION is a faithful copy of SOURCE, entry by entry.\n"
    "\n"
    "  SOURCE            a folder (its whole tree), a file, or a pattern such as\n"
    "                    data/*.txt (its folder's matching files) or data/*/*.txt\n"
    "                    (the matching entries of the whole tree); DESTINATION is\n"
    "                    the folder or file it is compared with\n"
    "  -t, --top         a folder means only its own files, not the folders below\n"
    "  -x, --extra       also list what only DESTINATION holds: DOF for a file, DOD\n"
    "                    for a folder (exit status 32)\n"
    "  -s, --stop LEVEL  stop at the first notice, error or fatal error:\n"
    "                    notices, errors, fatal or never (the default)\n"
    "  -a, --all         also list the entries found identical\n"
    "  -q, --quiet       print nothing; the exit status tells\n"
    "      --format FORMAT\n"
    "                    text (the default) or json: one JSON object a line, with\n"
    "                    both sides' sizes and times, the first differing byte of\n"
    "                    NEC, and a last object with the summary\n"
    "  -0, --null        end lines with NUL and write names as stored, for xargs -0\n"
    "  -e, --exclude PATTERN\n"
    "                    leave out the entries that match PATTERN: a name at any\n"
    "                    level (\"*.o\"), or with a / a path from the starting\n"
    "                    folder (\"build/*\", \"/notes.txt\"); a / at its end matches\n"
    "                    folders only; counted in the summary\n"
    "  -i, --include PATTERN\n"
    "                    take the entries that match PATTERN, whatever a later\n"
    "                    --exclude says: the first rule that matches decides\n"
    "      --exclude-from FILE\n"
    "                    --exclude for each line of FILE (# begins a comment)\n"
    "  -l, --links       compare links as links (their target texts), entering no\n"
    "                    linked folder: for copies made by rsync -a or cp -a; by\n"
    "                    default a link is compared as what it leads to\n"
    "      --log FILE    write the log file, as Quendle's Save Log does\n"
    "  -p, --progress    show the progress line even when standard error is no\n"
    "                    terminal\n"
    "      --list-first  list the whole tree before comparing, so that the progress\n"
    "                    line knows the total from the start; memory then grows\n"
    "                    with the tree\n"
    "  -j, --jobs N      compare up to N file pairs at once, 1 to 64 (default 8);\n"
    "                    the answer is the same for any N\n"
    "  -w, --time-window SECONDS\n"
    "                    last-write times at most that far apart count as equal,\n"
    "                    0 to 3600 (default 0); 2 for FAT and exFAT copies\n"
    "  -h, --help        this text\n"
    "  -V, --version     the version\n"
    "\n"
    "Standard output lists every entry that is not identical, as CODE : path.\n"
    "Exit status, added up: 1 notices (NEA NET), 2 errors (DIS NEC SOD SOF),\n"
    "4 fatal errors (SID DOE SOE DRE SRE), 8 not every entry was compared (stopped,\n"
    "interrupted or the output lost), 16 nothing could be compared as asked (or the\n"
    "log or the output could not be written), 32 extras (DOF DOD, with --extra).\n"
    "0 means every entry was compared and found identical.\n";

// The short options, then the long ones; --format, --list-first and --log have no short form.
constexpr char shortOptions[] = ":0ae:hi:j:lpqs:tVw:x";
constexpr option longOptions[] = {
    {"all", no_argument, nullptr, 'a'},
    {"exclude", required_argument, nullptr, 'e'},
    {"exclude-from", required_argument, nullptr, 'E'},
    {"include", required_argument, nullptr, 'i'},
    {"extra", no_argument, nullptr, 'x'},
    {"format", required_argument, nullptr, 'f'},
    {"help", no_argument, nullptr, 'h'},
    {"jobs", required_argument, nullptr, 'j'},
    {"links", no_argument, nullptr, 'l'},
    {"list-first", no_argument, nullptr, 'L'},
    {"log", required_argument, nullptr, 'g'},
    {"null", no_argument, nullptr, '0'},
    {"progress", no_argument, nullptr, 'p'},
    {"quiet", no_argument, nullptr, 'q'},
    {"stop", required_argument, nullptr, 's'},
    {"time-window", required_argument, nullptr, 'w'},
    {"top", no_argument, nullptr, 't'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};
// The usage text and the messages name these limits. Eight pairs at once, measured: a cold tree
// keeps eight reads in flight, a cached one is compared as fast as with four.
constexpr int maxTimeWindowSeconds = 3600;
constexpr int defaultJobs = 8;
static_assert(maxPairsAtOnce == 64 && maxTimeWindowSeconds == 3600 && defaultJobs == 8);

int usageError(const char* message, const char* detail) {
    printMessage(message, detail, " (see qdlcheck --help)");
    return 1;
}

int stopLevelOf(const char* name, StopLevel* level) {
    constexpr struct {
        const char* name;
        StopLevel level;
    } levels[] = {{"notices", StopByNotices}, {"errors", StopByErrors},
                  {"fatal", StopByFatalErrors}, {"never", IgnoreAnyErrors}};
    for (const auto& known : levels) {
        if (std::strcmp(name, known.name) == 0) {
            *level = known.level;
            return 0;
        }
    }
    return 1;
}

// A whole number from lowest to highest, nothing around it: 0, or 1.
int numberOf(const char* text, long lowest, long highest, int* number) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < lowest || value > highest) return 1;
    *number = static_cast<int>(value);
    return 0;
}

// The option getopt stopped at, as typed: a long one (without its value), or one letter of a
// group of short ones ("-rq" is "-r"). getopt leaves optopt 0 for an unknown long option; an option
// without its value was the last word.
const char* optionNamed(bool missingValue, const char* lastWord) {
    static char named[64];
    const bool isLong = missingValue ? std::strncmp(lastWord, "--", 2) == 0 : optopt == 0;
    if (isLong)
        std::snprintf(named, sizeof named, "%.*s", static_cast<int>(std::strcspn(lastWord, "=")), lastWord);
    else
        std::snprintf(named, sizeof named, "-%c", optopt);
    return named;
}

}  // namespace

int parseCheckOptions(int argc, char** argv, CheckOptions* options) {
    *options = CheckOptions{IgnoreAnyErrors, Listing::Differences, OutputFormat::Text, false, false,
                            false, false, false, nullptr, defaultJobs, 0, nullptr, nullptr,
                            FilterRules{nullptr, 0, 0}};
    bool all = false;
    bool quiet = false;
    bool json = false;
    bool nullEnded = false;
    opterr = 0;  // every usage error gets one line of our own
    optind = 1;
    for (int option; (option = getopt_long(argc, argv, shortOptions, longOptions, nullptr)) != -1;) {
        switch (option) {
        case 'a': all = true; break;
        case '0': nullEnded = true; break;
        case 'f':
            if (std::strcmp(optarg, "json") != 0 && std::strcmp(optarg, "text") != 0)
                return usageError("--format takes text or json, not ", optarg);
            json = std::strcmp(optarg, "json") == 0;
            break;
        case 'q': quiet = true; break;
        case 't': options->topOnly = true; break;
        case 'x': options->extras = true; break;
        case 'p': options->progressAlways = true; break;
        case 'L': options->listFirst = true; break;
        case 'l': options->links = true; break;
        case 'g':
            if (optarg[0] == '\0') return usageError("--log takes a file name, not an empty one", "");
            options->logFile = optarg;
            break;
        case 'e':
        case 'i':
            if (addFilterRule(options->filters, option == 'i', optarg) != 0) return 1;
            break;
        case 'E':
            if (addExcludeFile(options->filters, optarg) != 0) return 1;
            break;
        case 's':
            if (stopLevelOf(optarg, &options->stopLevel) != 0)
                return usageError("--stop takes notices, errors, fatal or never, not ", optarg);
            break;
        case 'j':
            if (numberOf(optarg, 1, maxPairsAtOnce, &options->jobs) != 0)
                return usageError("--jobs takes a number from 1 to 64, not ", optarg);
            break;
        case 'w':
            if (numberOf(optarg, 0, maxTimeWindowSeconds, &options->timeWindow) != 0)
                return usageError("--time-window takes seconds from 0 to 3600, not ", optarg);
            break;
        case 'h': (void)writeOutput(usage, sizeof usage - 1); return 2;
        case 'V': {
            char version[64];
            const int length = std::snprintf(version, sizeof version, "qdlcheck %s (Quendle)\n", QUENDLE_VERSION);
            (void)writeOutput(version, static_cast<std::size_t>(length));
            return 2;
        }
        case ':': return usageError("this option needs a value: ", optionNamed(true, argv[optind - 1]));
        default: return usageError("unknown option ", optionNamed(false, argv[optind - 1]));
        }
    }
    if (all && quiet) return usageError("--all and --quiet do not go together", "");
    if (quiet && (json || nullEnded))
        return usageError(json ? "--format json" : "--null", " and --quiet do not go together");
    if (json && nullEnded) return usageError("--format json and --null do not go together", "");
    options->listing = quiet ? Listing::Nothing : all ? Listing::All : Listing::Differences;
    options->format = json ? OutputFormat::Json : nullEnded ? OutputFormat::NullEnded : OutputFormat::Text;
    if (argc - optind != 2)
        return usageError(argc - optind < 2 ? "SOURCE and DESTINATION are both needed"
                                            : "only SOURCE and DESTINATION, nothing more",
                          "");
    options->source = argv[optind];
    options->destination = argv[optind + 1];
    return 0;
}

void releaseCheckOptions(CheckOptions& options) {
    releaseFilterRules(options.filters);
}
