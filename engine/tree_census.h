// A count of the source tree taken beside a run that plans its tree as it goes, so that the
// progress line can show a share and the time left long before planning enters the last folder.
// Counts and bytes only, a folder at a time, depth first: it holds the folders on the way down, one
// open listing each, never the entries. Where a listing of names reads less than one of whole
// records (POSIX, where a record costs a status read), it counts the entries by names first, then
// walks again for the bytes. It follows the run's listing rules (pattern, filter, own
// files) but enters no folder reached through a link, and counts a file whether or not it has a
// copy: an estimate for the progress line, which the lines, the summary and the exit status never
// read.
#pragma once

#include "listing_rules.h"

#include <atomic>
#include <cstdint>
#include <thread>

class QdlCore;

struct TreeCensus {
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<std::uint64_t> entries{0};  // the files, as the run counts the entries of a copied tree
    std::atomic<bool> entriesComplete{false};  // entries is the whole tree's
    std::atomic<bool> complete{false};  // bytes is the whole tree's too
    std::atomic<bool> stop{false};
    std::thread thread;
};

// Starts counting the tree the job is planning, on a thread of its own below the comparison's
// priority: 0, or 1 when the job plans no tree or no thread could be started. The job's rules must
// outlive the census: end it before them.
int startTreeCensus(const QdlCore& job, TreeCensus& census);
// Stops the count where it is and waits for its thread.
void endTreeCensus(TreeCensus& census);
