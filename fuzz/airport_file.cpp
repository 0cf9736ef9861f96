// Airport files and their learned overlay: an input is an airport file, optionally followed by the separator
// "<!--learned-->" and a learned file laid over it. Whatever is read, written as a handmade learned file (every
// stand and option), read back and written again, gives the same bytes.
#include "fuzz_check.h"

#include "core/user_error.h"
#include "parking/apf_reader.h"
#include "parking/apf_writer.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"

#include <cmath>
#include <sstream>
#include <string>
#include <utility>

namespace {

using namespace hlw;

constexpr std::string_view separator = "<!--learned-->";

void lf_installReferenceData()
{
    ReferenceTables tables;
    for (const char* registration : {"D-AINA", "N700FX", "PH-BXA"}) {
        tables.records.push_back({registration, {gf_airlineIndex("DLH"), 0, gf_modelIndex("A20N"), 0, 1}});
    }
    gf_installReferenceTables(std::move(tables));
}

void lf_resetSettings()
{
    for (IntParameter* setting :
         {static_cast<IntParameter*>(&settings::maxLiveSel), &settings::maxFit,
          static_cast<IntParameter*>(&settings::range), static_cast<IntParameter*>(&settings::parkingPercentage)}) {
        setting->set(setting->defaultValue());
    }
    for (BoolParameter* setting :
         {&settings::autoRange, &settings::initialLoadOnly, &settings::parkSoft, &settings::week}) {
        setting->set(setting->defaultValue());
    }
    gf_syncMaxFit();
}

// The handmade learned file of the stands, printed as the program saves it, without the date of its meta block.
std::string lf_handmadeText(const std::vector<StandRecord>& stands)
{
    ApfData data;
    data.airportName = "Fuzz";
    ApfWriteOptions options;
    options.kind = ApfFileKind::learned;
    options.handmade = true;
    pugi::xml_document document;
    fuzz::check(gf_buildApfDocument(data, stands, options, document), "the stands read can be written");
    for (pugi::xml_node info : document.child("root").child("meta").children("info")) {
        if (std::string_view(info.attribute("name").value()) == "date") {
            info.attribute("value").set_value("");
        }
    }
    std::ostringstream out;
    document.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool installed = (lf_installReferenceData(), true);
    (void)installed;
    lf_resetSettings();
    const std::string_view input = fuzz::asText(data, size);
    const std::size_t split = input.find(separator);
    const std::string airportText(input.substr(0, split));
    const std::string learnedText(split == std::string_view::npos ? std::string_view()
                                                                  : input.substr(split + separator.size()));

    pugi::xml_document airport;
    if (!airport.load_buffer(airportText.data(), airportText.size())) {
        return 0;
    }
    ParkAirportState state;
    try {
        gf_readParkpositions(airport, state.stands, true);
    } catch (const UserErrorException&) {
        return 0;
    }
    pugi::xml_document learned;
    if (!learnedText.empty() && learned.load_buffer(learnedText.data(), learnedText.size())) {
        gf_readLearnedDocument(std::move(learned), "fuzz.xml", "Fuzz", state);
    }
    for (const StandRecord& stand : state.stands) {
        fuzz::check(std::isfinite(stand.latitude) && std::isfinite(stand.longitude) && std::isfinite(stand.heading) &&
                        std::isfinite(stand.radius) && stand.radius >= 0.0,
                    "stands hold finite positions, headings and radii");
        fuzz::check(!stand.id.empty(), "stands have ids");
    }

    const std::string first = lf_handmadeText(state.stands);
    pugi::xml_document written;
    fuzz::check(static_cast<bool>(written.load_string(first.c_str())), "the written file parses");
    ParkAirportState back;
    fuzz::check(gf_readLearnedDocument(std::move(written), "fuzz.xml", "Fuzz", back) == LearnedRead::complete,
                "the written file reads completely");
    fuzz::check(back.handmade && back.stands.size() <= state.stands.size(), "the written stands come back");
    fuzz::check(lf_handmadeText(back.stands) == first, "writing what was read again gives the same bytes");
    return 0;
}
