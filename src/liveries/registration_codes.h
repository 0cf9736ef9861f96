#pragma once
// Filling the registration-code tables (registration_tables.h) once the livery catalogue exists, from three
// sources in rising priority: the in-line registrations of the scanned liveries, the sealed AIG file
// "input/AIG-regcodes.enc" and the user's lists in "input/my_regcodes". Also the don't-use titles that the
// livery scan drops. Worker thread only.
#include "liveries/livery_data.h"
#include "liveries/regcode_lists.h"

#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// The registration-code step of the start-up processing (gf_processScannedLiveries): the in-line
// registrations of the scanned list, then the offline sources.
void gf_buildRegistrationCodes();

// Registrations and titles of the scanned liveries into the tables; the first livery in list order keeps a
// registration (and a title its registration). Clashes go to "output/errors/InlineRegcodes.txt". Throws the
// file-system error when that folder cannot be created.
void gf_checkInlineRegcodes(const ScannedLiveryList& liveries);

// The registered titles of every list the matching searches by registration prefix
// (RegistrationTables::registeredTitleLists), once the in-line registrations and the catalogue by model exist.
void gf_buildRegisteredTitleLists();

// Merges the entries (titles that no scanned livery has are passed over): a registration of an entry replaces
// an earlier mapping, reported as a "   regcode" line in messages; special entries are remembered, and a special
// entry with one registration makes that registration unique. Ends with the summary line of the merge.
void gf_mergeRegcodes(const std::vector<RegcodeEntry>& entries, std::vector<std::string>& messages);

// The AIG file and then the user's lists, merged in that order, with the report "output/info/OfflineRegcodes.txt".
// Without a decryptable AIG file nothing is merged and the report stays as it is. Never throws.
void gf_processOfflineRegcodes();

// At the start of a scan: the don't-use titles of the AIG file and the user's lists (gf_dontUseTitles()).
// Never throws.
void gf_readDontUseTitles();

// True when the title belongs to a special livery, one chosen only by its registration. Exact text.
bool gf_isSpecialTitle(std::string_view title);

} // namespace hlw
