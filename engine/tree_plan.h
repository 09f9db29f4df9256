// A tree planned a folder at a time, depth first. Each folder is listed in full (its entries looked
// up on the destination side) before anything of it is recorded, so that a folder that cannot be
// listed to its end is recorded once with its verdict and nothing inside it; each listed folder ends
// with a directory exit marker. Only the folders on the way down to the one being planned are held,
// and those listed ahead: the memory follows the depth and the widest folder, not the tree.
#pragma once

#include "listing_rules.h"

class QdlCore;

// Lists the starting folder; planTreeMore records its entries and those below it.
void startTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
               const char* pattern);
// Records the next entry of the tree (a folder entered is listed first, or given its verdict), or
// the marker of a folder that ends: 0, or 1 once the tree is planned to its end. Told not to wait,
// planWaits, with nothing recorded, when the entry is a folder other processes have not sent back
// yet (requested now if it was not before).
constexpr int planWaits = 2;
int planTreeMore(QdlCore& job, bool mayWait = true);
// Lists the folders the run reaches next on up to `threads` threads of their own, a few folders
// ahead of it: 0, or 1 when none could be started (each folder is then listed when it comes due).
int listTreeAhead(QdlCore& job, int threads);
// The descriptors a run may hold with that many pairs in flight and the folders listed ahead of
// them. Below it a listing could run short of descriptors while pairs are open and find a folder
// unreachable: such a run plans the whole tree first.
int descriptorsListingAhead(int pairsAtOnce);
// While a pair is compared alone for want of descriptors, no folder is listed ahead.
void pauseTreeListing(QdlCore& job);
void resumeTreeListing(QdlCore& job);
// Whether planning so far holds no source entry, only markers and extras. Right after the start
// of a plan it tells for the whole run: every entry planned later lies inside a folder entry
// planned before it.
bool recordsNoSourceEntry(const QdlCore& job);
// The starting folder's text (ending in a backslash) and the rules of the tree being planned: 0, or
// 1 when the job plans no tree (any more).
int treeBeingPlanned(const QdlCore& job, char* sourceFolder, ListingRules* rules);
// Drops what is left of the plan: the folders being planned, those listed ahead, their threads.
void endTree(QdlCore& job);
