// readWholeFiles and readChunksAtOnce over Linux's io_uring (liburing): each thread that asks keeps a ring; each file of
// a batch goes as an open -> read -> close chain on a direct descriptor (a slot of the ring's own
// table, never one of the process's), the whole batch in one submission. The open links to the
// read, so that a file that did not open is not read; the read links hard to the close, as a read
// that comes short at the end of the file (the usual case: one byte more than listed is asked)
// would otherwise cancel the close.
#include "platform/whole_file_reads.h"

#include "fault_injection.h"
#include "folder_cache.h"
#include "handles.h"
#include "interruption.h"
#include "last_error.h"
#include "linux_calls.h"
#include "path_map.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <liburing.h>
#include <new>
#include <sys/resource.h>

namespace {

enum Step : unsigned { OpenStep, ReadStep, CloseStep };
constexpr unsigned stepsPerFile = 3;
constexpr std::uint64_t cancelMarker = ~std::uint64_t{0};
// The chains of a full batch, and a cancel.
constexpr unsigned ringEntries = 256;
static_assert(stepsPerFile * wholeFileReadsMost + 1 <= ringEntries);
// A ring holds a descriptor for its thread's life: under a limit this tight (a run that counts its
// descriptors), the plain calls keep every descriptor for the files.
constexpr rlim_t descriptorsForRings = 1024;
// The folders a batch may name at once: the folder cache keeps this many open, so the folder of
// one file is never closed while another's chain still needs it.
constexpr int foldersAtOnce = 4;

struct FileNames {
    char posix[wholeFileReadsMost][PATH_MAX];
};

struct ThreadRing {
    io_uring ring{};
    FileNames* names = nullptr;
    bool asked = false;
    bool ready = false;
    ThreadRing() = default;
    ThreadRing(const ThreadRing&) = delete;
    ThreadRing& operator=(const ThreadRing&) = delete;
    ~ThreadRing() { giveUp(); }
    void giveUp() {
        if (ready) io_uring_queue_exit(&ring);
        delete names;
        names = nullptr;
        ready = false;
    }
};

thread_local ThreadRing here;

bool plainForced() {
    const char* io = std::getenv("QUENDLE_IO");
    return io != nullptr && std::strcmp(io, "plain") == 0;
}

// Not where the plain calls are asked for, nor under a tight descriptor limit.
bool ringsAllowed() {
    rlimit limit{};
    return !plainForced() && getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur >= descriptorsForRings;
}

bool setUp(ThreadRing& thread) {
    if (!ringsAllowed()) return false;
    thread.names = new (std::nothrow) FileNames;
    if (thread.names == nullptr) return false;
    // Completions are reaped by the thread that submits, when it waits for them: no other thread
    // of the kernel's runs for them. Older kernels refuse those flags; a plain ring serves there.
    io_uring_params wanted{};
    wanted.flags = IORING_SETUP_SINGLE_ISSUER | IORING_SETUP_DEFER_TASKRUN;
    if (io_uring_queue_init_params(ringEntries, &thread.ring, &wanted) != 0 &&
        io_uring_queue_init(ringEntries, &thread.ring, 0) != 0)
        return false;
    thread.ready = true;
    if (io_uring_register_files_sparse(&thread.ring, wholeFileReadsMost) != 0) return false;
    return true;
}

std::uint64_t tagOf(int file, Step step) {
    return static_cast<std::uint64_t>(file) * stepsPerFile + step;
}

// Chains the files from first on into the ring until the batch ends or a file would need a fifth
// folder; a file whose path cannot be mapped is settled at once. The end of what was chained.
int chain(WholeFileRead* files, int first, int count, unsigned* steps) {
    int folders[foldersAtOnce];
    int folderCount = 0;
    int file = first;
    *steps = 0;
    for (; file < count; ++file) {
        WholeFileRead& read = files[file];
        read = {read.path, read.buffer, read.asked, 0, 0, 0, 0, 0, 0, 0, false};
        char* posixPath = here.names->posix[file];
        if (toPosixPath(read.path, posixPath, PATH_MAX) != 0) {
            read.openError = ERROR_FILENAME_EXCED_RANGE;
            continue;
        }
        if (folderCount == foldersAtOnce) break;
        const FolderRelative at = relativeToFolder(posixPath);
        bool known = at.folder == AT_FDCWD;
        for (int i = 0; i < folderCount && !known; ++i) known = folders[i] == at.folder;
        if (!known) folders[folderCount++] = at.folder;
        // CreateFileA's flags for a file listed as plain, but O_CLOEXEC, which a direct descriptor
        // refuses (it is no descriptor of the process).
        const int flags = O_RDONLY | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW | accessTimeFlag();
        const unsigned slot = static_cast<unsigned>(file - first);
        io_uring_sqe* open = io_uring_get_sqe(&here.ring);
        io_uring_prep_openat_direct(open, at.folder, at.name, flags, 0, slot);
        open->flags |= IOSQE_IO_LINK;
        io_uring_sqe_set_data64(open, tagOf(file, OpenStep));
        io_uring_sqe* take = io_uring_get_sqe(&here.ring);
        io_uring_prep_read(take, static_cast<int>(slot), read.buffer, read.asked, 0);
        take->flags |= IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
        io_uring_sqe_set_data64(take, tagOf(file, ReadStep));
        io_uring_sqe* close = io_uring_get_sqe(&here.ring);
        io_uring_prep_close_direct(close, slot);
        io_uring_sqe_set_data64(close, tagOf(file, CloseStep));
        *steps += stepsPerFile;
    }
    return file;
}

// Submits the steps chained and waits for them; on Ctrl-C what is still in flight (a slow file
// system) is cancelled, so the wait ends soon. The steps' results land in results. 0; or 1 when
// the ring failed, once nothing of the batch is in flight any more.
int awaitSteps(unsigned steps, int* results, int first) {
    // The kernel takes what it can; short of memory it takes nothing for a while.
    unsigned submitted = 0;
    bool failed = false;
    for (int attempts = 0; submitted < steps && !failed; ++attempts) {
        const int taken = io_uring_submit(&here.ring);
        if (taken > 0) submitted += static_cast<unsigned>(taken);
        failed = taken < 0 && ((taken != -EINTR && taken != -EAGAIN) || attempts > 1000);
    }
    unsigned left = submitted;
    unsigned cancels = 0;
    bool cancelled = false;
    while (left + cancels > 0) {
        io_uring_cqe* done = nullptr;
        const int waited = io_uring_wait_cqe(&here.ring, &done);
        if (waited == -EINTR || waited == -EAGAIN) {
            if (interruptionRequested() && !cancelled) {
                io_uring_sqe* cancel = io_uring_get_sqe(&here.ring);
                io_uring_prep_cancel64(cancel, 0, IORING_ASYNC_CANCEL_ANY);
                io_uring_sqe_set_data64(cancel, cancelMarker);
                cancels = io_uring_submit(&here.ring) == 1 ? 1 : 0;
                cancelled = true;
            }
            continue;
        }
        // Nothing the ring could fail with here but an interruption: the buffers stay the
        // kernel's until every step has come back.
        if (waited < 0) continue;
        const std::uint64_t tag = io_uring_cqe_get_data64(done);
        if (tag == cancelMarker) {
            --cancels;
        } else {
            results[tag - static_cast<std::uint64_t>(first) * stepsPerFile] = done->res;
            --left;
        }
        io_uring_cqe_seen(&here.ring, done);
    }
    return failed ? 1 : 0;
}

// A step that failed: its Windows error and errno, or the file left to the plain calls when the
// failure is one they would have made good (an interrupted call made again, an access time that
// cannot be left alone).
void failStep(WholeFileRead& read, DWORD& error, int& systemError, int failure, bool keptAccessTime) {
    if (failure == EINTR || failure == ECANCELED) {
        if (interruptionRequested()) {
            error = ERROR_OPERATION_ABORTED;
        } else {
            read.readPlainly = true;
        }
        return;
    }
    if (failure == EPERM && keptAccessTime) {
        accessTimeRefused();
        read.readPlainly = true;
        return;
    }
    error = windowsErrorOf(failure);
    systemError = failure;
}

// What each file's steps answered, with the faults a test asked for injected into them in the
// order the plain calls would meet them: the open, the read, the close.
void settle(WholeFileRead& read, const int* result, bool keptAccessTime) {
    if (result[OpenStep] < 0) {
        failStep(read, read.openError, read.openSystemError, -result[OpenStep], keptAccessTime);
        return;
    }
    if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0) {
        failStep(read, read.openError, read.openSystemError, errno, false);
        return;
    }
    std::size_t got = result[ReadStep] < 0 ? 0 : static_cast<std::size_t>(result[ReadStep]);
    if (result[ReadStep] < 0)
        failStep(read, read.readError, read.readSystemError, -result[ReadStep], false);
    else if (QUENDLE_INJECT_FAULT(CallKind::Read, &got) != 0)
        failStep(read, read.readError, read.readSystemError, errno, false);
    read.got = static_cast<DWORD>(got);
    if (result[CloseStep] < 0)
        failStep(read, read.closeError, read.closeSystemError, -result[CloseStep], false);
    else if (QUENDLE_INJECT_FAULT(CallKind::Other) != 0)
        failStep(read, read.closeError, read.closeSystemError, errno, false);
}

}  // namespace

bool wholeFileReadsLikely() {
    static const bool likely = [] {
        io_uring probe{};
        if (!ringsAllowed() || io_uring_queue_init(2, &probe, 0) != 0) return false;
        io_uring_queue_exit(&probe);
        return true;
    }();
    return likely;
}

bool wholeFileReadsOffered() {
    if (!here.asked) {
        here.asked = true;
        if (!setUp(here)) here.giveUp();
    }
    return here.ready;
}

int readWholeFiles(WholeFileRead* files, int count) {
    if (count > wholeFileReadsMost || !wholeFileReadsOffered()) return 1;
    int results[stepsPerFile * wholeFileReadsMost];
    for (int first = 0; first < count;) {
        const bool keptAccessTime = accessTimeFlag() != 0;
        unsigned steps = 0;
        const int end = chain(files, first, count, &steps);
        if (steps > 0 && awaitSteps(steps, results, first) != 0) {
            // A ring that failed is let go for good: the plain calls read what is left.
            here.giveUp();
            for (int file = first; file < count; ++file) files[file].readPlainly = true;
            return 0;
        }
        for (int file = first; file < end; ++file) {
            if (files[file].openError == 0)
                settle(files[file], &results[(file - first) * stepsPerFile], keptAccessTime);
        }
        first = end;
    }
    return 0;
}

int readChunksAtOnce(ChunkRead* reads, int count) {
    if (count > chunkReadsMost || !here.ready) return 1;
    for (int i = 0; i < count; ++i) {
        io_uring_sqe* read = io_uring_get_sqe(&here.ring);
        // From the file's own position, which the read moves as read() would.
        io_uring_prep_read(read, descriptorOf(reads[i].file), reads[i].buffer, reads[i].asked, -1);
        io_uring_sqe_set_data64(read, tagOf(i, OpenStep));
        reads[i].error = 0;
        reads[i].systemError = 0;
        reads[i].got = 0;
        reads[i].readPlainly = false;
    }
    // A read the ring never took stays as it was, for the plain calls.
    constexpr int notTaken = INT_MIN;
    int results[stepsPerFile * chunkReadsMost];
    for (int& result : results) result = notTaken;
    // A ring that failed is let go for good.
    if (awaitSteps(static_cast<unsigned>(count), results, 0) != 0) here.giveUp();
    for (int i = 0; i < count; ++i) {
        ChunkRead& read = reads[i];
        const int result = results[i * stepsPerFile];
        if (result == notTaken) {
            read.readPlainly = true;
            continue;
        }
        std::size_t got = result < 0 ? 0 : static_cast<std::size_t>(result);
        int failure = result < 0 ? -result : 0;
        // A fault a test asked for falls where the plain read would meet it; an interruption
        // there is one the plain read would have made good by reading again, unless the user
        // asked the run to stop.
        if (failure == 0 && QUENDLE_INJECT_FAULT(CallKind::Read, &got) != 0 &&
            (errno != EINTR || interruptionRequested()))
            failure = errno;
        read.got = static_cast<DWORD>(got);
        if (failure == 0) continue;
        if ((failure == EINTR || failure == ECANCELED) && interruptionRequested()) {
            read.error = ERROR_OPERATION_ABORTED;
        } else if (result < 0 && (failure == EINTR || failure == ECANCELED || failure == EAGAIN)) {
            read.readPlainly = true;  // nothing of the file was taken
        } else {
            read.error = windowsErrorOf(failure);
            read.systemError = failure;
        }
    }
    return 0;
}
