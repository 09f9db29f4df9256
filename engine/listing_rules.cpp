#include "listing_rules.h"

#include "find_record.h"

bool passedOver(const ListingRules& rules, ListingTotals& totals, ListedSide side, const char* folder,
                int folderLength, const FindRecord& entry, DWORD notRecorded) {
    if (isDotEntry(entry.name)) return true;
    if ((entry.attributes & skippedAttributes) != 0) {
        if (side == ListedSide::Source) ++totals.temporaryPassedOver;
        return true;
    }
    if ((entry.attributes & notRecorded) != 0) return true;
    if (!isDirectory(entry) && isOwnFile(rules.ownFiles, folder, folderLength, entry.name)) {
        ++totals.ownFilesPassedOver;
        return true;
    }
    return false;
}
