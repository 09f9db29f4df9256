#include "listing_rules.h"

bool passedOver(const ListingRules& rules, ListingTotals& totals, ListedSide side,
                const EntryPlace& place, const FindRecord& entry, DWORD notRecorded) {
    if (isDotEntry(entry.name)) return true;
    if ((entry.attributes & skippedAttributes) != 0) {
        if (side == ListedSide::Source) ++totals.temporaryPassedOver;
        return true;
    }
    if ((entry.attributes & notRecorded) != 0) return true;
    if (!isDirectory(entry) && isOwnFile(rules.ownFiles, place.folder, place.folderLength, entry.name)) {
        ++totals.ownFilesPassedOver;
        return true;
    }
    if (filteredOut(rules.filter, place.sourceFolder + rules.rootLength,
                    place.sourceLength - rules.rootLength, entry.name, isDirectory(entry))) {
        ++totals.filteredOut;
        return true;
    }
    return false;
}
