// Where the folders of a tree are listed ahead of the run: on threads of this process
// (FolderListers) or by other processes (ListingElsewhere). The planning thread requests a level
// and later awaits it; a level is the lister's from its request until its await returns.
#pragma once

#include "folder_level.h"

#include <cstdint>

class LevelListing {
public:
    virtual ~LevelListing() = default;
    // How many levels it lists at once: the run requests a few per lister ahead of it.
    virtual int listerCount() const = 0;
    // Queues a level made by newLevel.
    virtual void request(TreeLevel* level) = 0;
    // Returns once the level is listed.
    virtual void await(TreeLevel* level) = 0;
    // No listing holds a descriptor of this process from the return of pause until resume.
    virtual void pause() = 0;
    virtual void resume() = 0;
};

// Listing by other processes: every folder below the starting one goes to them, also those the
// run reaches before they were requested ahead, so that the link-loop check of each folder is made
// where the folders above it were identified. The caller keeps it; the run only borrows it.
class ListingElsewhere : public LevelListing {
public:
    // Hands over the tree's rules, and the time window its file pairs are compared with, before
    // the first request: 0; 1 when the others cannot be reached (the run then lists every folder
    // itself). The others may compare file pairs of the levels they list (PairState::Compared).
    virtual int begin(const ListingRules& rules, std::uint64_t timeWindow) = 0;
    // Whether the level is back: await would return at once.
    virtual bool listed(TreeLevel* level) = 0;
    // A level requested and no longer to be awaited (the run ends before it): returns at once,
    // whatever the others still do with it; what they send back for it is dropped.
    virtual void withdraw(TreeLevel* level) = 0;
};
