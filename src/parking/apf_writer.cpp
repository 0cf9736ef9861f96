#include "parking/apf_writer.h"

#include "core/half_hour_slots.h"
#include "core/log.h"
#include "core/product.h"
#include "core/xml_save.h"
#include "records/flight_record.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"
#include "settings/xml_attributes.h"
#include "settings/xml_meta.h"

#include <fmt/format.h>

#include <cmath>
#include <limits>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

// Appends one attribute; a failure is remembered and the writing goes on.
class Attributes {
  public:
    explicit Attributes(pugi::xml_node element) : element_(element) {}
    void add(std::string_view name, std::string_view value)
    {
        ok_ = gf_xmlAppendAttribute(element_, name, value) && ok_;
    }
    void add(std::string_view name, bool value) { add(name, value ? std::string_view("true") : "false"); }
    bool ok() const noexcept { return ok_; }

  private:
    pugi::xml_node element_;
    bool ok_ = true;
};

void lf_writeFullForm(Attributes& out, const StandRecord& stand)
{
    out.add("latitude", fmt::format("{:.6f}", stand.latitude));
    out.add("longitude", fmt::format("{:.6f}", stand.longitude));
    out.add("heading", fmt::format("{:.1f}", stand.heading * degreesPerRadian));
    out.add("radius", fmt::format("{:.1f}", stand.radius * metresPerNm));
    out.add("type", fmt::format("{}", stand.parkingType));
    out.add("cargo", stand.cargo);
    out.add("ramp", stand.ramp);
    if (stand.heli) {
        out.add("heli", true);
    }
    if (stand.manual) {
        out.add("manual", true);
    }
}

void lf_writeLearnedForm(Attributes& out, const StandRecord& stand, bool handmade)
{
    // A handmade file holds the airport's stands themselves: every stand in full, changed or not, or a changed
    // stand would lose its position and be dropped at the next load.
    if (handmade) {
        lf_writeFullForm(out, stand);
        // The marks only: the values stand in the full form.
        if (stand.radiusChange) {
            out.add("radius_change", true);
        }
        if (stand.cargoChange) {
            out.add("cargo_change", true);
        }
        return;
    }
    if (stand.manual) {
        lf_writeFullForm(out, stand);
        return;
    }
    if (stand.radiusChange) {
        out.add("radius_change", true);
        out.add("radius", fmt::format("{:.1f}", stand.radius * metresPerNm));
    }
    if (stand.cargoChange) {
        out.add("cargo_change", true);
        out.add("cargo", stand.cargo);
    }
}

bool lf_writeOptions(pugi::xml_node parkpos, const StandRecord& stand, std::vector<pugi::xml_node>* newlyLearned)
{
    bool ok = true;
    for (const StandOption& option : stand.options) {
        if (option.number == 0) {
            continue;
        }
        const auto hours = gf_slotsToText(option.slots);
        if (!hours) {
            gf_logAlert(fmt::format("bit set problem: {} {} {}", option.registration, option.callsign,
                                    gf_flightLabel(option.codes)));
            continue;
        }
        if (option.registration.empty()) {
            continue;
        }
        pugi::xml_node opt = parkpos.append_child("opt");
        Attributes out(opt);
        out.add("reg", option.registration);
        // An empty code is left out: it reads back the same, and a file read does not grow when it is saved.
        const bool fromText = option.codes.valid == 0;
        const std::string_view airline = fromText ? std::string_view(gf_airlineText(option.codes.airline)) : "";
        const std::string_view model = fromText ? std::string_view(gf_modelText(option.codes.model)) : "";
        if (!airline.empty()) {
            out.add("airl", airline);
        }
        if (!model.empty()) {
            out.add("type", model);
        }
        if (!option.real) {
            out.add("soft", true);
        }
        out.add("day", fmt::format("{}", option.weekday));
        out.add("hh", *hours);
        if (!option.callsign.empty()) {
            out.add("cs", option.secondCallsign.empty() ? option.callsign
                                                        : fmt::format("{}:{}", option.callsign, option.secondCallsign));
        }
        if (option.coupled) {
            out.add("cpl", true);
        }
        ok = opt && out.ok() && ok;
        if (opt && option.newlyLearned && newlyLearned != nullptr) {
            newlyLearned->push_back(opt);
        }
    }
    return ok;
}

// A "parameter" that cannot be appended is skipped; the block still counts as written.
void lf_writeParameters(pugi::xml_node parameters, const ApfData& data, std::size_t standCount,
                        const ApfWriteOptions& options, int32_t maxFit)
{
    const bool generated = options.kind == ApfFileKind::generated;
    gf_appendStringParameter(parameters, "airport_name", data.airportName);
    gf_appendStringParameter(parameters, "publisher", data.publisher);
    if (data.manifest) {
        gf_appendStringParameter(parameters, "version", data.manifest->packageVersion);
    }
    if (options.handmade) {
        gf_appendBoolParameter(parameters, "handmade", true);
    }
    if (options.handmade || generated) {
        gf_appendIntParameter(parameters, "altitude", data.altitude);
    }
    if (generated) {
        gf_appendStringParameter(parameters, "num_parkpos", fmt::format("{}", standCount));
    }
    gf_appendBoolParameter(parameters, "Facilities", data.facilities);
    if (options.handmade) {
        gf_appendIntParameter(parameters, "Qf_real", data.qfReal);
        gf_appendIntParameter(parameters, "Qf_soft", data.qfSoft);
    }
    if (data.publisher.empty()) {
        gf_appendStringParameter(parameters, "BGLpath", data.bglPathText);
        if (data.manifest) {
            gf_appendStringParameter(parameters, "manufacturer", data.manifest->manufacturer);
            gf_appendStringParameter(parameters, "creator", data.manifest->creator);
        }
    }
    if (generated) {
        return;
    }
    gf_appendIntParameter(parameters, settings::range.key(), settings::range.get());
    gf_appendBoolParameter(parameters, settings::autoRange.key(), settings::autoRange.get());
    gf_appendBoolParameter(parameters, settings::week.key(), settings::week.get());
    gf_appendBoolParameter(parameters, settings::parkSoft.key(), settings::parkSoft.get());
    gf_appendIntParameter(parameters, settings::parkingPercentage.key(), settings::parkingPercentage.get());
    gf_appendBoolParameter(parameters, settings::initialLoadOnly.key(), settings::initialLoadOnly.get());
    gf_appendIntParameter(parameters, settings::maxFit.key(), maxFit);
    gf_appendIntParameter(parameters, settings::maxLiveSel.key(), settings::maxLiveSel.get());
}

bool lf_buildDocument(const ApfData& data, std::span<const StandRecord> stands, const ApfWriteOptions& options,
                      pugi::xml_document& document)
{
    const bool learned = options.kind == ApfFileKind::learned;
    int32_t maxFit = 0;
    if (learned) {
        const auto halfHours = gf_maxFitHalfHours(settings::maxFitFl.get());
        if (!halfHours) {
            gf_logAlert(fmt::format("airport file not written: MAX_FIT {} does not convert (narrowing_error)",
                                    settings::maxFitFl.get()));
            return false;
        }
        maxFit = *halfHours;
    }
    XmlMetaInfo meta;
    meta.version = std::string(programVersionText);
    meta.sim = options.simulator;
    if (!gf_writeXmlMeta(document, meta)) {
        return false;
    }
    pugi::xml_node root = document.child("root");
    pugi::xml_node parameters = root.append_child("parameters");
    if (!parameters) {
        return false;
    }
    lf_writeParameters(parameters, data, stands.size(), options, maxFit);
    pugi::xml_node parkpositions = root.append_child("parkpositions");
    if (!parkpositions) {
        return false;
    }
    for (const StandRecord& stand : stands) {
        pugi::xml_node parkpos = parkpositions.append_child("parkpos");
        Attributes out(parkpos);
        out.add("id", stand.id);
        if (learned) {
            lf_writeLearnedForm(out, stand, options.handmade);
        } else {
            lf_writeFullForm(out, stand);
        }
        if (!parkpos || !out.ok() || (learned && !lf_writeOptions(parkpos, stand, options.newlyLearned))) {
            return false;
        }
    }
    if (learned) {
        for (const pugi::xml_node kept : options.keptEntries.children("parkpos")) {
            if (!parkpositions.append_copy(kept)) {
                return false;
            }
        }
    }
    return true;
}

// The folder of the file; false, logged, when it cannot be made.
bool lf_makeFolder(const fs::path& path)
{
    if (!path.has_parent_path()) {
        return true;
    }
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        gf_logAlert(
            fmt::format("folder {} could not be made: {}", path.parent_path().generic_string(), error.message()));
        return false;
    }
    return true;
}

} // namespace

ApfWriteOptions gf_learnedWriteOptions(const ParkAirportState& state, int32_t simulator)
{
    ApfWriteOptions options;
    options.kind = ApfFileKind::learned;
    options.simulator = simulator;
    options.handmade = state.handmade;
    options.keptEntries = state.keptLearnedEntries.first_child();
    return options;
}

std::optional<int32_t> gf_maxFitHalfHours(float maxFitHours) noexcept
{
    const double rounded = std::round(2.0 * static_cast<double>(maxFitHours));
    if (!std::isfinite(rounded) || rounded < static_cast<double>(std::numeric_limits<int32_t>::min()) + 1.0 ||
        rounded > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<int32_t>(rounded) - 1;
}

bool gf_buildApfDocument(const ApfData& data, std::span<const StandRecord> stands, const ApfWriteOptions& options,
                         pugi::xml_document& document)
{
    document.reset();
    try {
        if (lf_buildDocument(data, stands, options, document)) {
            return true;
        }
        gf_logAlert(fmt::format("airport file of {} could not be built", data.icao));
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("airport file of {} could not be built: {}", data.icao, error.what()));
    }
    return false;
}

bool gf_writeApf(const ApfData& data, std::span<const StandRecord> stands, const fs::path& path,
                 const ApfWriteOptions& options)
{
    pugi::xml_document document;
    if (!gf_buildApfDocument(data, stands, options, document)) {
        return false;
    }
    return lf_makeFolder(path) && gf_saveXml(document, path, maxXmlFileBytes, options.durability);
}

bool gf_writeApfText(const fs::path& path, std::string_view text, Durability durability)
{
    return lf_makeFolder(path) && gf_replaceFileContents(path, text, durability);
}

} // namespace hlw
