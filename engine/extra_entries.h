// Entries that only the destination holds: a destination folder listed beside its source folder,
// each of its entries paired with the source entry of that name, and the others recorded as
// extras where they fall in the listing order.
#pragma once

#include "find_record.h"

class QdlCore;

struct DestinationListing {
    FindRecord* entries;  // in listing order; none when extras are not asked for
    bool* paired;
    int count;
    int next;  // the first entry not yet recorded or passed
};

// Lists the entries of the destination search path (a folder and the source's pattern), folders
// only when withFolders: 0, or 1 when it could not be listed to its end or kept (the last error
// says why). A folder that is not there holds no extras.
int listDestination(const char* searchPath, bool withFolders, DestinationListing* listing);
// The destination entry of that exact name has a source entry.
void pairDestination(DestinationListing& listing, const char* name);
// Records as extras the entries without a source entry that come before name in the listing
// order, or all that are left when name is none. An entry no source entry has paired is looked up
// in the source folder (sourcePath, its first sourceLength characters; the name is put behind
// them): one found there is no extra, whatever order the source was listed in and whatever
// letter case the platform's lookups ignore.
void addExtrasBefore(QdlCore& job, DestinationListing& listing, const char* name, char* sourcePath,
                     int sourceLength);
void releaseDestination(DestinationListing& listing);
