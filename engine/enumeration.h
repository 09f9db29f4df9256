// Listing the source side of folder-pattern and tree comparisons into the job's pair list.
#pragma once

#include "listing_rules.h"

class QdlCore;

// The rules a listing of the job follows; pattern is a tree's, none for a folder pattern; paths
// from the starting folder begin behind rootLength characters of a source folder's text.
ListingRules listingRules(const QdlCore& job, const char* pattern, int rootLength);

// Every file matching the source pattern, each looked up in the destination folder. An entry that
// cannot be named, or whose path would not fit, is recorded with planning's verdict instead.
void enumerateFolder(QdlCore& job);

// The destination folder of folder-pattern mode followed by name, in one buffer each call reuses;
// none when it would not fit.
const char* buildDestinationPath(const QdlCore& job, const char* name);
