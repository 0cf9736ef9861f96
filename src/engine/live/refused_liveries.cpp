#include "engine/live/refused_liveries.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/user_error.h"
#include "engine/base/run_state.h"
#include "records/not_created_liveries.h"
#include "records/refused_titles.h"
#include "refdata/code_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

namespace hlw {

void gf_liveryNotCreated(const FlightRecord& flight)
{
    if (!stopRequested.load() && !userClosing.load()) {
        gf_setMessage(fmt::format("{} '{}' could not be created by your Sim!", flight.callsign, flight.title), true);
    }
    gf_refusedTitles().add(std::string(flight.title));
    gf_notCreatedLiveries().add(fmt::format("{} {}", gf_modelText(flight.model), gf_airlineText(flight.airline)),
                                std::string(flight.title));
    if (gf_refusedTitles().size() >= maxRefusedTitles) {
        const std::string text = "There are too many liveries that could not be created!";
        gf_log(fmt::format("\n{}Error 81, {}\n", "===> ", text));
        throw UserErrorException(81, fmt::format("{}, see Log.txt", text));
    }
}

void gf_logNoMatch(const std::unordered_set<std::string>& unmatchedNames)
{
    if (unmatchedNames.empty()) {
        return;
    }
    // Sorted, so that two summaries of the same names read alike.
    std::vector<std::string> names(unmatchedNames.begin(), unmatchedNames.end());
    std::ranges::sort(names);
    std::string text = "\nNo match found for:";
    for (const std::string& name : names) {
        text += '\n';
        text += name;
    }
    text += '\n';
    gf_log(text);
}

} // namespace hlw
