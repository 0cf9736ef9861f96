#include "parking/apf_reader.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/string_helpers.h"
#include "core/user_error.h"
#include "core/version_data.h"
#include "core/whole_file.h"
#include "parking/airport_settings.h"
#include "records/flight_record.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "settings/xml_attributes.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Learned files older than this lose their learned options.
const VersionData firstClearFreeVersion{11, 10, 0};

// Plausible bounds of a stand: anything outside is a broken or hostile file.
constexpr double maxHeadingDegrees = 720.0;
constexpr double maxRadiusMetres = 10000.0;
// Positions and radii are written with 6 and 1 decimals; what is written as 0 counts as 0, so that a file
// reads the same before and after it is written again.
bool lf_writtenAsZero(double value, int decimals)
{
    const std::string text = fmt::format("{:.{}f}", std::fabs(value), decimals);
    return text.find_first_not_of("0.") == std::string::npos;
}
// A hand-made stand needs a position further than this from (0, 0).
constexpr double manualZeroDegrees = 0.0001;

pugi::xml_node lf_parkpositions(pugi::xml_node document)
{
    const pugi::xml_node root = document.child("root");
    return (root ? root : document).child("parkpositions");
}

bool lf_finiteWithin(double value, double low, double high) noexcept
{
    return std::isfinite(value) && value >= low && value <= high;
}

std::optional<double> lf_radiusMetres(pugi::xml_node element, std::string_view id, CappedAlerts& alerts)
{
    const double radius = element.attribute("radius").as_double(0.0);
    if (!lf_finiteWithin(radius, 0.0, maxRadiusMetres)) {
        alerts.alert("invalid radius", "stand {} has an invalid radius '{}'", id, element.attribute("radius").value());
        return std::nullopt;
    }
    return radius;
}

// The cargo and ramp flags: from the type alone for a type other than 0, else from the attributes.
void lf_readFlags(pugi::xml_node parkpos, int32_t type, bool& cargo, bool& ramp)
{
    if (type != 0) {
        cargo = type == 5 || type == 6;
        ramp = type == 1 || type == 2 || type == 3 || type == 4 || type == 14;
        return;
    }
    cargo = parkpos.attribute("cargo").as_bool(false);
    ramp = parkpos.attribute("ramp").as_bool(false);
}

std::vector<StandOption> lf_readFileOptions(pugi::xml_node parkpos, bool fromAirportFile)
{
    std::vector<StandOption> options;
    options.reserve(
        static_cast<std::size_t>(std::distance(parkpos.children("opt").begin(), parkpos.children("opt").end())));
    uint32_t number = 1;
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        const std::string_view hours = opt.attribute("hh").value();
        const int day = opt.attribute("day").as_int(0);
        if (hours.empty() || day < 1 || day > 7) {
            continue;
        }
        OptText text = gf_readOpt(opt);
        StandOption& option = options.emplace_back();
        option.codes = text.codes;
        option.registration = opt.attribute("reg").value();
        option.callsign = std::move(text.callsign);
        option.secondCallsign = std::move(text.secondCallsign);
        option.slots = gf_hours2bitset(hours);
        option.number = number++;
        option.weekday = day;
        option.fromAirportFile = fromAirportFile;
        option.real = !opt.attribute("soft").as_bool(false);
        option.coupled = opt.attribute("cpl").as_bool(false);
    }
    return options;
}

// The comma list of the slots, or the text given when it is empty.
std::string lf_slotListText(const SlotSet& slots, std::string_view whenEmpty)
{
    std::string text = gf_bitset2hourList(slots).value_or(std::string());
    return text.empty() ? std::string(whenEmpty) : text;
}

// What makes two options of a stand the same but for their slots: weekday, kind, codes and registration. The
// registration is only viewed, so that a key takes no memory of its own.
struct OptionKey {
    uint64_t dayKindCodes = 0;
    std::string_view registration;
    bool operator==(const OptionKey&) const = default;
};

struct OptionKeyHash {
    std::size_t operator()(const OptionKey& key) const noexcept
    {
        return std::hash<std::string_view>{}(key.registration) ^ std::hash<uint64_t>{}(key.dayKindCodes);
    }
};

OptionKey lf_optionKey(int day, bool real, const StandCodes& codes, std::string_view registration) noexcept
{
    return {static_cast<uint64_t>(day & 0xFF) | (real ? 1ULL << 8U : 0ULL) |
                static_cast<uint64_t>(codes.airline) << 16U | static_cast<uint64_t>(codes.secondAirline) << 32U |
                static_cast<uint64_t>(codes.model) << 48U,
            registration};
}

// Merges the learned use of one "parkpos" into its stand.
void lf_readLearnedOpts(pugi::xml_node parkpos, StandRecord& stand, bool clear, CappedAlerts& alerts)
{
    if (parkpos.attribute("radius_change").as_bool(false)) {
        if (const auto radius = lf_radiusMetres(parkpos, stand.id, alerts)) {
            stand.radius = *radius / metresPerNm;
            stand.radiusChange = true;
        }
    }
    if (parkpos.attribute("cargo_change").as_bool(false)) {
        stand.cargo = parkpos.attribute("cargo").as_bool(false);
        stand.cargoChange = true;
    }
    if (clear) {
        return;
    }
    // Room for all of them at once: growing by doubling would hold up to three times their memory while it moves
    // them; and the options already there stay in place, so that the keys below may view their registrations.
    const auto count = static_cast<std::size_t>(
        std::distance(parkpos.children("opt").begin(), parkpos.children("opt").end()));
    stand.options.reserve(stand.options.size() + count);
    uint32_t number = stand.options.empty() ? 1 : stand.options.back().number + 1;
    // The half hours that the stand's options already take, for each key: an option that shares one with an
    // earlier option of its key is a duplicate. One set per key keeps the test one lookup per option, however many
    // options a stand holds.
    std::unordered_map<OptionKey, SlotSet, OptionKeyHash> takenSlots;
    takenSlots.reserve(stand.options.size() + count);
    for (const StandOption& known : stand.options) {
        takenSlots[lf_optionKey(known.weekday, known.real, known.codes, known.registration)] |= known.slots;
    }
    for (const pugi::xml_node opt : parkpos.children("opt")) {
        OptText text = gf_readOpt(opt);
        const SlotSet slots = gf_hours2bitset(opt.attribute("hh").value());
        // Viewed in the document, which outlives the keys.
        const std::string_view registration = opt.attribute("reg").value();
        if (slots.none()) {
            alerts.alert("empty bit set", "empty bit set");
            continue;
        }
        const int day = opt.attribute("day").as_int(0);
        if (day < 1 || day > 7) {
            alerts.alert("no weekday", "learned {}: day:{} is no weekday, cs:{} reg:{} skipped", stand.id,
                         opt.attribute("day").value(), text.callsign, registration);
            continue;
        }
        const bool real = !opt.attribute("soft").as_bool(false);
        SlotSet& taken = takenSlots[lf_optionKey(day, real, text.codes, registration)];
        if ((taken & slots).any()) {
            alerts.alert("already in airport file", "learned {}: day:{} {} {} cs:{} reg:{} already in airport file",
                         stand.id, day, lf_slotListText(slots, "'empty hrs'"), gf_flightLabel(text.codes),
                         text.callsign, registration);
            continue;
        }
        taken |= slots;
        StandOption& option = stand.options.emplace_back();
        option.codes = text.codes;
        option.registration = registration;
        option.callsign = std::move(text.callsign);
        option.secondCallsign = std::move(text.secondCallsign);
        option.slots = slots;
        option.number = number++;
        option.weekday = day;
        option.fromAirportFile = false;
        option.real = real;
        option.coupled = opt.attribute("cpl").as_bool(false);
    }
}

// The stands' positions by id; hand-made stands are added as they are read.
using StandIndex = std::unordered_map<std::string, std::size_t>;

// A stand made by hand in the learned file, added after the airport's stands.
void lf_readManualStand(pugi::xml_node parkpos, const std::string& id, const fs::path& path, ParkAirportState& state,
                        StandIndex& index, CappedAlerts& alerts)
{
    if (index.contains(id)) {
        alerts.alert("manual stand exists", "manually created standid {} already exists in {}", id,
                     path.generic_string());
        return;
    }
    const double latitude = parkpos.attribute("latitude").as_double(0.0);
    const double longitude = parkpos.attribute("longitude").as_double(0.0);
    const double radius = parkpos.attribute("radius").as_double(0.0);
    if (id.empty() || (std::fabs(latitude) <= manualZeroDegrees && std::fabs(longitude) <= manualZeroDegrees) ||
        lf_writtenAsZero(radius, 1)) {
        alerts.alert("manual stand incomplete", "manually created standid {} misses correct attributes in {}", id,
                     path.generic_string());
        return;
    }
    if (gf_readParkpos(parkpos, id, false, state.stands, alerts)) {
        state.stands.back().manual = true;
        index.emplace(id, state.stands.size() - 1);
    }
}

// The learned file's entries of stands the airport does not have, in file order.
using UnmatchedEntries = std::vector<pugi::xml_node>;

void lf_readLearnedStands(pugi::xml_node document, const fs::path& path, bool clear, ParkAirportState& state,
                          CappedAlerts& alerts, UnmatchedEntries& unmatched)
{
    StandIndex index;
    for (std::size_t i = 0; i < state.stands.size(); ++i) {
        index.emplace(state.stands[i].id, i);
    }
    for (const pugi::xml_node parkpos : lf_parkpositions(document).children("parkpos")) {
        const std::string id = gf_trim(parkpos.attribute("id").value());
        if (parkpos.attribute("manual").as_bool(false)) {
            lf_readManualStand(parkpos, id, path, state, index, alerts);
            continue;
        }
        if (const auto stand = index.find(id); stand != index.end()) {
            lf_readLearnedOpts(parkpos, state.stands[stand->second], clear, alerts);
            continue;
        }
        alerts.line("stand not found", "learned stand {} in {} not found? kept for the next save of the learned file",
                    id, path.generic_string());
        unmatched.push_back(parkpos);
    }
}

// The state keeps the document with nothing but the unmatched entries, moved into a "parkpositions" of its own:
// no copy of them is made, and what they hold in the file's text stays where it was parsed.
void lf_keepUnmatched(pugi::xml_document&& document, const UnmatchedEntries& unmatched, ParkAirportState& state)
{
    if (unmatched.empty()) {
        return;
    }
    pugi::xml_node kept = document.append_child("parkpositions");
    if (!kept) {
        // A save without them would lose them.
        gf_logAlert("the learned entries of stands not found could not be kept: nothing is saved in this visit");
        state.learnedRead = LearnedRead::unreadable;
        return;
    }
    for (const pugi::xml_node parkpos : unmatched) {
        kept.append_move(parkpos);
    }
    for (pugi::xml_node child = document.first_child(); child != kept;) {
        const pugi::xml_node next = child.next_sibling();
        document.remove_child(child);
        child = next;
    }
    state.keptLearnedEntries = std::move(document);
}

// The marks of a handmade file's stands: made by hand, and changed radius or cargo flag (the cargo flag of a
// stand with a type then comes from "cargo", not from the type), so that the next save writes them as they were.
void lf_readHandmadeMarks(pugi::xml_node document, std::vector<StandRecord>& stands)
{
    std::unordered_map<std::string_view, StandRecord*> byId;
    for (StandRecord& stand : stands) {
        byId.emplace(stand.id, &stand);
    }
    for (const pugi::xml_node parkpos : lf_parkpositions(document).children("parkpos")) {
        const auto found = byId.find(gf_trimView(parkpos.attribute("id").value()));
        if (found == byId.end()) {
            continue;
        }
        StandRecord& stand = *found->second;
        stand.manual = parkpos.attribute("manual").as_bool(false);
        stand.radiusChange = parkpos.attribute("radius_change").as_bool(false);
        if (parkpos.attribute("cargo_change").as_bool(false)) {
            stand.cargoChange = true;
            stand.cargo = parkpos.attribute("cargo").as_bool(false);
        }
    }
}

LearnedRead lf_readHandmade(pugi::xml_node document, const std::string& value, ParkAirportState& state)
{
    state.handmade = true;
    state.clearStands();
    LearnedRead read = LearnedRead::complete;
    try {
        gf_readParkpositions(document, state.stands, true);
    } catch (const UserErrorException& error) {
        gf_log(fmt::format("lf_readLearned: {}", error.what()));
        read = LearnedRead::handmadeFailed;
    }
    lf_readHandmadeMarks(document, state.stands);
    gf_logContinuation(fmt::format("{:24}: {}", "handmade", value));
    return read;
}

LearnedRead lf_readLearnedDocument(const pugi::xml_document& document, const fs::path& path,
                                   std::string_view airportName, ParkAirportState& state, CappedAlerts& alerts,
                                   UnmatchedEntries& unmatched)
{
    const auto meta = gf_readXmlMeta(document, true);
    if (!meta) {
        gf_logAlert(fmt::format("learned file {} has no meta block; not read", path.generic_string()));
        return LearnedRead::stoppedEarly;
    }
    const bool clear = VersionData(meta->version) < firstClearFreeVersion;
    if (clear) {
        gf_log("\nThis learned file was created with and older HLMR version than 11.10.0,\n"
               "All flights will be cleared, except for a handmade file\n");
    }
    const std::string learnedName = gf_readStringParameter(document, "airport_name").value_or(std::string());
    if (learnedName != airportName) {
        gf_setMessage(fmt::format("Warning: learned file airport name: '{}' differs from archived file airport "
                                  "name: '{}'",
                                  learnedName, airportName),
                      true);
    }
    gf_applyLearnedSettings(document);
    if (const auto handmade = gf_readStringParameter(document, "handmade")) {
        return lf_readHandmade(document, *handmade, state);
    }
    state.handmade = false;
    lf_readLearnedStands(document, path, clear, state, alerts, unmatched);
    return clear ? LearnedRead::clearedByVersion : LearnedRead::complete;
}

// The bytes of an airport or learned file that is within the caps, else why it is not read.
struct ApfBytes {
    std::string bytes;
    std::optional<std::string> problem;
};

ApfBytes lf_readApfBytes(const fs::path& path)
{
    WholeFile file = gf_readWholeFile(path, apfMaxBytes);
    if (file.status != WholeFileStatus::ok) {
        return {{}, gf_wholeFileProblem(file.status, apfMaxBytes)};
    }
    if (const std::size_t treeBytes = gf_apfTreeBytes(file.bytes); treeBytes > apfMaxTreeBytes) {
        return {{},
                fmt::format("holds too many elements and attributes (they would take up to {} MiB once read, more "
                            "than {} MiB)",
                            (treeBytes + (1U << 20U) - 1) >> 20U, apfMaxTreeBytes >> 20U)};
    }
    return {std::move(file.bytes), std::nullopt};
}

// The bytes are let go as soon as the document holds its own copy of them, before its stands are read.
std::optional<std::string> lf_parseDocument(std::string bytes, pugi::xml_document& document)
{
    const pugi::xml_parse_result result = document.load_buffer(bytes.data(), bytes.size());
    if (!result) {
        return result.description();
    }
    return std::nullopt;
}

} // namespace

std::size_t gf_apfTreeBytes(std::string_view text) noexcept
{
    constexpr std::size_t nodeBytes = 64;
    constexpr std::size_t attributeBytes = 40;
    std::size_t nodes = 0;
    std::size_t attributes = 0;
    bool inMarkup = false;
    bool textRun = false; // a character other than a blank since the last markup
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '<') {
            // An end tag, "</", makes no node.
            nodes += (textRun ? 1U : 0U) + (at + 1 < text.size() && text[at + 1] == '/' ? 0U : 1U);
            textRun = false;
            inMarkup = true;
        } else if (c == '>' && inMarkup) {
            inMarkup = false;
        } else {
            attributes += c == '=' ? 1U : 0U;
            textRun = textRun || (!inMarkup && c != ' ' && c != '\t' && c != '\r' && c != '\n');
        }
    }
    nodes += textRun ? 1U : 0U;
    return nodes * nodeBytes + attributes * attributeBytes;
}

std::optional<std::string> gf_loadApfDocument(const fs::path& path, pugi::xml_document& document)
{
    ApfBytes file = lf_readApfBytes(path);
    if (file.problem) {
        document.reset();
        return file.problem;
    }
    return lf_parseDocument(std::move(file.bytes), document);
}

void gf_readParkpositions(pugi::xml_node document, std::vector<StandRecord>& stands, bool fromAirportFile)
{
    const auto parkpositions = lf_parkpositions(document).children("parkpos");
    if (const auto count = static_cast<std::size_t>(std::distance(parkpositions.begin(), parkpositions.end()));
        count > apfMaxStands) {
        throw UserErrorException(UserErrorException::plainMessageCode,
                                 fmt::format("The file holds {} stands, more than the {} an airport file may hold; "
                                             "none is read.",
                                             count, apfMaxStands));
    }
    CappedAlerts alerts("the file's stands");
    std::unordered_set<std::string> ids;
    int32_t n = 0;
    for (const pugi::xml_node parkpos : parkpositions) {
        ++n;
        const pugi::xml_attribute idAttribute = parkpos.attribute("id");
        if (!idAttribute) {
            throw UserErrorException(standIdErrorCode,
                                     fmt::format("Parking position #{} has no '{}' attribute.", n, "id"));
        }
        std::string id = gf_trim(idAttribute.value());
        if (id.empty()) {
            throw UserErrorException(standIdErrorCode, fmt::format("Stand #{} has empty '{}' attribute.", n, "id"));
        }
        if (!ids.insert(id).second) {
            throw UserErrorException(duplicateStandErrorCode, fmt::format("Stand '{}' appears more than once.", id));
        }
        gf_readParkpos(parkpos, std::move(id), fromAirportFile, stands, alerts);
    }
}

bool gf_readParkpos(pugi::xml_node parkpos, std::string id, bool fromAirportFile, std::vector<StandRecord>& stands,
                    CappedAlerts& alerts)
{
    const double latitude = parkpos.attribute("latitude").as_double(0.0);
    const double longitude = parkpos.attribute("longitude").as_double(0.0);
    if (!lf_finiteWithin(latitude, -90.0, 90.0) || !lf_finiteWithin(longitude, -180.0, 180.0) ||
        (lf_writtenAsZero(latitude, 6) && lf_writtenAsZero(longitude, 6))) {
        alerts.alert("no valid lat/lon", "stand {} has no valid lat/lon", id);
        return false;
    }
    const double heading = parkpos.attribute("heading").as_double(0.0);
    if (!lf_finiteWithin(heading, -maxHeadingDegrees, maxHeadingDegrees)) {
        alerts.alert("invalid heading", "stand {} has an invalid heading '{}'", id,
                     parkpos.attribute("heading").value());
        return false;
    }
    const auto radius = lf_radiusMetres(parkpos, id, alerts);
    if (!radius) {
        return false;
    }
    const int32_t type = parkpos.attribute("type").as_int(0);
    bool cargo = false;
    bool ramp = false;
    lf_readFlags(parkpos, type, cargo, ramp);
    stands.push_back(StandRecord::fromFile(std::move(id), lf_readFileOptions(parkpos, fromAirportFile), latitude,
                                           longitude, heading * radiansPerDegree, *radius, type, cargo, ramp,
                                           parkpos.attribute("heli").as_bool(false)));
    return true;
}

OptText gf_readOpt(pugi::xml_node opt)
{
    OptText text;
    const std::string_view callsigns = opt.attribute("cs").value();
    const auto colon = callsigns.find(':');
    text.callsign = callsigns.substr(0, colon);
    if (colon != std::string_view::npos) {
        text.secondCallsign = callsigns.substr(colon + 1);
    }
    const std::string_view registration = opt.attribute("reg").value();
    const auto record = registration.empty() ? std::nullopt : gf_findDbaseRecord(registration);
    text.codes = record ? *record : gf_readOptCodes(opt);
    return text;
}

StandCodes gf_readOptCodes(pugi::xml_node opt)
{
    StandCodes codes;
    codes.airline = gf_airlineIndex(opt.attribute("airl").value());
    codes.model = gf_modelIndex(opt.attribute("type").value());
    return codes;
}

LearnedRead gf_readLearned(const fs::path& path, std::string_view airportName, ParkAirportState& state)
{
    ApfBytes file = lf_readApfBytes(path);
    if (file.problem) {
        // What it holds is not known to be damaged: it may well be whole, so it is not to be replaced.
        const std::string& problem = *file.problem;
        gf_logAlert(fmt::format("learned file {} {}: it is left as it is and nothing is saved over it in this visit",
                                path.generic_string(), problem));
        gf_setMessage(
            fmt::format("Learned file {} {}; it is left as it is and not saved", path.generic_string(), problem),
            false);
        state.learnedRead = LearnedRead::unreadable;
        return state.learnedRead;
    }
    pugi::xml_document document;
    if (const auto problem = lf_parseDocument(std::move(file.bytes), document)) {
        gf_logAlert(fmt::format("{} found, but could not be loaded: {}", path.generic_string(), *problem));
        state.learnedRead = LearnedRead::unparsable;
        return state.learnedRead;
    }
    return gf_readLearnedDocument(std::move(document), path, airportName, state);
}

LearnedRead gf_readLearnedDocument(pugi::xml_document&& document, const fs::path& path,
                                   std::string_view airportName, ParkAirportState& state)
{
    gf_logFlush(fmt::format("Read from learned airport file: '{}'", path.generic_string()));
    UnmatchedEntries unmatched;
    {
        CappedAlerts alerts(path.generic_string());
        try {
            state.learnedRead = lf_readLearnedDocument(document, path, airportName, state, alerts, unmatched);
        } catch (const std::exception& error) {
            gf_log(fmt::format("lf_readLearned: {}", error.what()));
            state.learnedRead = LearnedRead::stoppedEarly;
        }
    }
    lf_keepUnmatched(std::move(document), unmatched, state);
    return state.learnedRead;
}

} // namespace hlw
