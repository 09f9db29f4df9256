// Small files read whole, many at a time, beyond Win32: where the system offers a way to open,
// read and close many files in a handful of calls (Linux's io_uring), a worker hands it a batch of
// the files it has just listed as plain files. Each file is opened as CreateFileA opens such a file
// for reading (sharing reading, following no link, its access time left alone where allowed), read
// from its start once, as one ReadFile call that comes short at its end, and closed; what each step
// answered comes back as the Windows error and the system's error number, so that the caller
// judges the file exactly as if it had made the plain calls. Where nothing is offered (Windows, a
// system that refuses the ring, a tight descriptor limit, QUENDLE_IO=plain in the environment), the
// caller makes the plain calls itself.
#pragma once

#include "win32.h"

// One file of a batch.
struct WholeFileRead {
    const char* path;  // as CreateFileA takes it
    unsigned char* buffer;
    DWORD asked;  // bytes to read from the start
    // What came of it. Each step's Windows error (0 when it went through) and the system's own
    // number for it; got is what the read delivered.
    DWORD openError;
    DWORD readError;
    DWORD closeError;
    int openSystemError;
    int readSystemError;
    int closeSystemError;
    DWORD got;
    // The batch could not settle this file (a call it made was interrupted, or the access time
    // could not be left alone): the caller reads it with the plain calls. Nothing of it is open.
    bool readPlainly;
};

// The most files one call takes.
constexpr int wholeFileReadsMost = 64;

// The next chunk of an open file, read with the other side's in flight at the same time.
struct ChunkRead {
    HANDLE file;
    unsigned char* buffer;
    DWORD asked;
    // What came of it, as ReadFile would answer (a read that comes short has met the end of the
    // file): the Windows error (0 when it went through), the system's own number, the bytes got.
    DWORD error;
    int systemError;
    DWORD got;
    // Nothing of the file was read (an interrupted call): the caller reads it with ReadFile.
    bool readPlainly;
};

// The most chunks one call takes: both sides of a pair.
constexpr int chunkReadsMost = 2;

#ifdef _WIN32
inline bool wholeFileReadsLikely() {
    return false;
}
inline bool wholeFileReadsOffered() {
    return false;
}
inline int readWholeFiles(WholeFileRead*, int) {
    return 1;
}
inline int readChunksAtOnce(ChunkRead*, int) {
    return 1;
}
#else
// Whether the threads of this process will likely read files in batches, asked once without
// keeping a ring: for a thread that reads none itself.
bool wholeFileReadsLikely();
// Whether this thread can read files in batches; decided on the thread's first ask and kept.
bool wholeFileReadsOffered();
// Reads count files (at most wholeFileReadsMost), each with its own outcome: 0; or 1 when no batch
// could be made at all (the caller reads them plainly).
int readWholeFiles(WholeFileRead* files, int count);
// Reads each file's next chunk from where the file stands, all in flight together, each with its
// own outcome: 0; or 1 when this thread reads no batches (the caller reads them plainly).
int readChunksAtOnce(ChunkRead* reads, int count);
#endif
