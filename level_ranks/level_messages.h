// The messages by which rank 0 hands folder levels to the other ranks and gets them back listed.
// Ranks run the same program on the same kind of machine, so records travel as their bytes; the
// texts travel with their lengths.
#pragma once

#include "engine/folder_level.h"
#include "pair_chunks.h"
#include "ranks/rank_transport.h"

enum LevelTag : int {
    BeginTag = 1,   // rank 0 to each: the tree's rules and the time window of its comparisons
    ListTag,        // rank 0 to one: a level's folders
    ListedTag,      // back to rank 0: the level listed
    EndTag,         // rank 0 to each: no more levels
    EndedTag,       // back to rank 0: nothing more will come from this rank
    RangeTag,       // rank 0 to one: a range of a large pair to compare
    RangeAnsweredTag,  // back to rank 0: how it compared
};

// The rules as a rank other than 0 keeps them: what the pointers of ListingRules point at.
struct ReceivedRules {
    ListingRules rules;
    char pattern[pathRoom];
    OwnFiles own;
    FilterRule* filterRules;  // malloc'd; none without a filter
    EntryFilter filter;
    std::uint64_t timeWindow;  // what the rank compares pairs with
};

// Each writes its message into *out (grown as needed): 0; 1 without the memory for it.
int writeBegin(const ListingRules& rules, std::uint64_t timeWindow, RankMessage* out);
int writeList(const TreeLevel& level, RankMessage* out);
// The level with the entries given (its own, or the same with pairs compared).
int writeListed(const TreeLevel& level, const FolderEntries& entries, RankMessage* out);

// Each reads a message: 0; 1 when it is malformed or there is no memory for it.
int readBegin(const RankMessage& message, ReceivedRules* rules);
void releaseReceivedRules(ReceivedRules* rules);
int readList(const RankMessage& message, char (&sourceFolder)[pathRoom], char (&destinationFolder)[pathRoom]);
// Fills what a lister writes of the level.
int readListed(const RankMessage& message, TreeLevel* level);
int writeRange(const RangeRequest& range, RankMessage* out);
int readRange(const RankMessage& message, RangeRequest* range);
int writeRangeAnswer(const RangeAnswer& answer, RankMessage* out);
int readRangeAnswer(const RankMessage& message, RangeAnswer* answer);
