#include "airport_tree.h"

#include "bgl_writer.h"

#include <fmt/format.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace hlw::tree {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr double metresPerDegree = 111132.95;

struct Place {
    const char* code;
    double lat;
    double lon;
};

constexpr Place places[] = {{"EHAM", 52.3086, 4.7639},  {"EGLL", 51.4700, -0.4543},  {"EHLE", 52.4603, 5.5272}, {"EHRD", 51.9569, 4.4372},
                            {"EGKK", 51.1481, -0.1903}, {"EHBK", 50.9117, 5.7701}, {"EHTX", 53.1153, 4.8336},
                            {"EHKD", 52.9234, 4.7806},  {"LSGG", 46.2381, 6.1090}, {"EHEH", 51.4501, 5.3745},
                            {"EIDW", 53.4213, -6.2701}, {"LSZH", 47.4647, 8.5492}, {"XZZZ", 10.0, 10.0},
                            {"X12", 10.1, 10.1}};

Place lf_place(std::string_view code)
{
    for (const Place& place : places) {
        if (code == place.code) {
            return place;
        }
    }
    throw std::invalid_argument(fmt::format("no place for {}", code));
}

void lf_write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error(fmt::format("{} cannot be written", path.string()));
    }
}

std::string lf_manifest(const std::string& title, const std::string& manufacturer, const std::string& creator,
                        const std::string& version = "1.0.0")
{
    return json{{"title", title},
                {"manufacturer", manufacturer},
                {"creator", creator},
                {"package_version", version},
                {"content_type", "SCENERY"}}
        .dump(2);
}

// An airport with `stands` parkings around its place: ids A1, A2, ... in rows of 20, and `helipads` helipads.
BglAirport lf_bglAirport(const std::string& code, double lat, double lon, int stands, int helipads = 0)
{
    BglAirport airport;
    airport.ident = code;
    airport.altitudeMm = 3000;
    for (int i = 0; i < stands; ++i) {
        BglParking parking;
        parking.nameCode = 12 + static_cast<uint32_t>(i % 26);
        parking.number = 1 + static_cast<uint32_t>(i / 26);
        parking.type = 8 + static_cast<uint32_t>(i % 3);
        parking.headingDeg = static_cast<float>((i * 37) % 360);
        parking.radiusM = 18.0F + static_cast<float>(i % 4) * 6.0F;
        parking.lat = lat + 0.0004 * (i / 20);
        parking.lon = lon + 0.0006 * (i % 20);
        airport.parkings.push_back(parking);
    }
    for (int i = 0; i < helipads; ++i) {
        airport.helipads.push_back({lat - 0.002, lon - 0.002 * (i + 1), 20.0F});
    }
    return airport;
}

std::string lf_airportBgl(const std::string& code, int stands, int helipads = 0)
{
    const Place place = lf_place(code);
    return gf_bglFileBytes({{lf_bglAirport(code, place.lat, place.lon, stands, helipads)}});
}

// The stand-in's facility file: parkings on a grid east and north of the airport, a helipad, and one parking of
// type 13 (vehicles) that is no stand.
json lf_facility(const std::string& code, double lat, double lon, int stands)
{
    json parkings = json::array();
    for (int i = 0; i < stands; ++i) {
        parkings.push_back({{"type", 8 + i % 3},
                            {"number", 1 + i / 3},
                            {"heading", (i * 37) % 360},
                            {"radius", 18 + (i % 4) * 6},
                            {"bias_x", 40.0 * (i % 25)},
                            {"bias_z", 60.0 * (i / 25)}});
    }
    parkings.push_back({{"type", 13}, {"number", 99}, {"heading", 0}, {"radius", 10}});
    const json helipads =
        json::array({{{"lat", lat - 0.002}, {"lon", lon}, {"heading", 90}, {"width", 20}, {"type", 2}}});
    return {{"icao", code},        {"name", fmt::format("{} Sample Field", code)},
            {"lat", lat},          {"lon", lon},
            {"alt_m", 1.5},        {"parkings", parkings},
            {"helipads", helipads}};
}

class Tree {
  public:
    explicit Tree(fs::path out) : out_(std::move(out)) {}

    // A file under the packages folder.
    void file(const fs::path& relative, const std::string& bytes) { lf_write(out_ / "packages" / relative, bytes); }
    void facility(const std::string& code, int stands)
    {
        const Place place = lf_place(code);
        facilityAt(code, place.lat, place.lon, stands);
    }
    void facilityAt(const std::string& code, double lat, double lon, int stands)
    {
        lf_write(out_ / "facilities" / (code + ".json"), lf_facility(code, lat, lon, stands).dump(1));
    }
    // bglStands: the stands of the airport's BGL file where they differ from those of its facility data.
    void airport(const std::string& code, const fs::path& path, const std::string& outcome, int stands = 0,
                 int bglStands = -1)
    {
        const std::string root = path.begin()->string();
        json entry{{"code", code},
                   {"root", root},
                   {"path", path.generic_string()},
                   {"outcome", outcome},
                   {"stands", stands}};
        if (bglStands >= 0) {
            entry["bgl_stands"] = bglStands;
        }
        layout_.push_back(std::move(entry));
    }
    json finish(const std::string& codes)
    {
        lf_write(out_ / "ICAO_airports.txt", codes);
        lf_write(out_ / "layout.json", layout_.dump(1));
        return layout_;
    }

  private:
    fs::path out_;
    json layout_ = json::array();
};

void lf_official(Tree& tree)
{
    const fs::path eham = "Official/OneStore/asobo-airport-eham-amsterdam";
    tree.file(eham / "manifest.json", lf_manifest("Amsterdam Schiphol", "Asobo", "Asobo Studio"));
    tree.file(eham / "scenery/asobo/eham_apx.bgl", lf_airportBgl("EHAM", 12));
    tree.airport("EHAM", eham, "linked-simaddon");
    const fs::path ehle = "Official/OneStore/microsoft-airport-ehle-lelystad";
    tree.file(ehle / "manifest.json", lf_manifest("Lelystad", "Microsoft", "Microsoft Studios"));
    tree.file(ehle / "scenery/ehle.bgl", lf_airportBgl("EHLE", 6));
    tree.facility("EHLE", 9);
    tree.airport("EHLE", ehle, "facility", 10, 6);
}

void lf_communityMin(Tree& tree)
{
    const fs::path ehrd = "Community/northwind-ehrd-rotterdam";
    tree.file(ehrd / "manifest.json", lf_manifest("Rotterdam", "Northwind Scenery", "Northwind"));
    tree.file(ehrd / "scenery/ehrd.bgl", lf_airportBgl("EHRD", 8));
    tree.file(ehrd / "scenery/terrain.bgl", gf_bglSceneryBytes(3));
    tree.airport("EHRD", ehrd, "linked-thirdparty");
    const fs::path egkk = "Community/bluedelta-egkk-gatwick";
    tree.file(egkk / "manifest.json", lf_manifest("Gatwick", "Blue Delta Design", "BlueDelta", "1.2.0"));
    tree.file(egkk / "scenery/egkk.bgl", lf_airportBgl("EGKK", 8));
    tree.airport("EGKK", egkk, "linked-thirdparty");
    const fs::path ehbk = "Community/tallgrass-ehbk-maastricht";
    tree.file(ehbk / "manifest.json", lf_manifest("Maastricht", "Tallgrass Airports", "Tallgrass"));
    tree.file(ehbk / "scenery/EHBK.BGL", lf_airportBgl("EHBK", 7, 2));
    tree.airport("EHBK", ehbk, "bgl", 9);
    const fs::path ehtx = "Community/lonely-ehtx-texel";
    tree.file(ehtx / "scenery/ehtx.bgl", lf_airportBgl("EHTX", 3));
    tree.facility("EHTX", 4);
    tree.airport("EHTX", ehtx, "facility", 5, 3);
    const fs::path ehkd = "Community/quiet-ehkd-dekooy";
    tree.file(ehkd / "manifest.json", lf_manifest("De Kooy", "", "ab"));
    tree.file(ehkd / "scenery/ehkd.bgl", lf_airportBgl("EHKD", 3));
    tree.airport("EHKD", ehkd, "no-maker");
    const fs::path mystery = "Community/mystery-field";
    BglAirport unknown = lf_bglAirport("XZZZ", 10.0, 10.0, 2);
    BglAirport heliport = lf_bglAirport("X12", 10.1, 10.1, 1);
    tree.file(mystery / "scenery/airport.bgl", gf_bglFileBytes({{unknown, heliport}}));
    tree.airport("XZZZ", mystery, "unknown");
    const fs::path eheh = "Community/pilot-aircraft-eheh";
    tree.file(eheh / "scenery/eheh.bgl", lf_airportBgl("EHEH", 3));
    tree.airport("EHEH", eheh, "excluded");
    const fs::path lsgg = "Community/harbour-lsgg-geneva";
    tree.file(lsgg / "manifest.json", lf_manifest("Geneva", "Harbour Lights Studio", "HLS"));
    tree.file(lsgg / "scenery/Statics/lsgg.bgl", lf_airportBgl("LSGG", 3));
    tree.airport("LSGG", lsgg, "linked-thirdparty");
    const fs::path lszh = "Community/harbour-lszh-zurich";
    tree.file(lszh / "scenery/statics/lszh.bgl", lf_airportBgl("LSZH", 3));
    tree.airport("LSZH", lszh, "excluded");
    fs::path deep = "Community/deep-eidw-dublin";
    while (deep.string().size() < 260) {
        deep /= std::string(40, 'd');
    }
    tree.file(deep / "eidw.bgl", lf_airportBgl("EIDW", 3));
    tree.airport("EIDW", "Community/deep-eidw-dublin", "excluded");
}

void lf_streamed(Tree& tree)
{
    const struct {
        const char* folder;
        const char* code;
        const char* outcome;
        int stands;
    } packages[] = {
        {"asobo-airport-eham-amsterdam", "EHAM", "linked-simaddon", 0},
        {"microsoft-airport-ehle-lelystad", "EHLE", "facility", 10},
        {"northwind-airport-ehrd-rotterdam", "EHRD", "linked-thirdparty", 0},
        {"tallgrass-airport-ehbk-maastricht", "EHBK", "facility-failed", 0},
        {"fs20-asobo-airport-egll-london", "EGLL", "excluded", 0},
        {"someone-aircraft-eheh-pack", "EHEH", "excluded", 0},
        {"somebody-airport-xzzz-field", "XZZZ", "unknown", 0},
    };
    for (const auto& p : packages) {
        const fs::path folder = fs::path("StreamedPackages") / p.folder;
        tree.file(folder / "layout.json", "{}");
        tree.airport(p.code, folder, p.outcome, p.stands);
    }
    tree.file("StreamedPackages/readme.txt", "not a package");
}

json lf_min(const fs::path& out)
{
    Tree tree(out);
    lf_official(tree);
    lf_communityMin(tree);
    lf_streamed(tree);
    // Blanks, tabs, carriage returns, empty tokens and invalid tokens on purpose.
    return tree.finish(
        "EHAM,EHLE,EHRD\r\nEGKK, EHBK ,\tEHTX,\r\n\r\nEHKD,XZZZ,LSGG,EHEH,EIDW,LSZH,EGLL\r\nbad!,toolong\r\n");
}

// The demo's tree leaves the park airport EHAM to its archived file.
json lf_sample(const fs::path& out)
{
    Tree tree(out);
    const fs::path egll = "Official/OneStore/asobo-airport-egll-heathrow";
    tree.file(egll / "manifest.json", lf_manifest("London Heathrow", "Asobo", "Asobo Studio"));
    tree.file(egll / "scenery/asobo/egll_apx.bgl", lf_airportBgl("EGLL", 12));
    tree.airport("EGLL", egll, "linked-simaddon");
    const fs::path ehrd = "Community/northwind-ehrd-rotterdam";
    tree.file(ehrd / "manifest.json", lf_manifest("Rotterdam", "Northwind Scenery", "Northwind"));
    tree.file(ehrd / "scenery/ehrd.bgl", lf_airportBgl("EHRD", 8));
    tree.airport("EHRD", ehrd, "linked-thirdparty");
    const fs::path ehle = "Community/tallgrass-ehle-lelystad";
    tree.file(ehle / "manifest.json", lf_manifest("Lelystad", "Tallgrass Airports", "Tallgrass"));
    tree.file(ehle / "scenery/ehle.bgl", lf_airportBgl("EHLE", 6));
    tree.facility("EHLE", 9);
    tree.airport("EHLE", ehle, "facility", 10, 6);
    const fs::path ehbk = "Community/tallgrass-ehbk-maastricht";
    tree.file(ehbk / "manifest.json", lf_manifest("Maastricht", "Tallgrass Airports", "Tallgrass"));
    tree.file(ehbk / "scenery/ehbk.bgl", lf_airportBgl("EHBK", 7, 2));
    tree.airport("EHBK", ehbk, "bgl", 9);
    const fs::path mystery = "Community/mystery-field";
    tree.file(mystery / "scenery/airport.bgl", gf_bglFileBytes({{lf_bglAirport("XZZZ", 10.0, 10.0, 2)}}));
    tree.airport("XZZZ", mystery, "unknown");
    return tree.finish("EGLL,EHRD,EHLE,EHBK,XZZZ\n");
}

json lf_bench(const fs::path& out, const TreeOptions& options)
{
    if (options.airports < 1 || options.files < 2 * options.airports || options.stands < 1) {
        throw std::invalid_argument("bench: at least one airport, two files per airport and one stand each");
    }
    Tree tree(out);
    const int fillers = options.files - 2 * options.airports; // each package has a manifest and an airport file
    std::string codes;
    for (int a = 0; a < options.airports; ++a) {
        const std::string code = fmt::format("B{:03}", a);
        const fs::path package = fs::path("Community") / fmt::format("bench-{}-field", code);
        const double lat = 40.0 + 0.1 * (a / 40);
        const double lon = 0.1 * (a % 40);
        tree.file(package / "manifest.json", lf_manifest(code + " Field", "Bench Works", "Bench Works"));
        tree.file(package / "scenery" / (code + "_apx.bgl"),
                  gf_bglFileBytes({{lf_bglAirport(code, lat, lon, options.stands)}}));
        tree.facilityAt(code, lat, lon, options.stands);
        tree.airport(code, package, "bgl", options.stands);
        codes += code + (a + 1 < options.airports ? "," : "\n");
        const int mine = fillers / options.airports + (a < fillers % options.airports ? 1 : 0);
        for (int f = 0; f < mine; ++f) {
            const fs::path folder =
                package / (f % 2 == 0 ? "scenery/global" : "texture") / fmt::format("{:02}", f / 50);
            if (f % 5 == 0) {
                tree.file(folder / fmt::format("objects{}.bgl", f), gf_bglSceneryBytes(4));
            } else {
                tree.file(folder / fmt::format("tex{}.dds", f), std::string(2048, static_cast<char>('a' + f % 26)));
            }
        }
    }
    tree.facilityAt("BLRG", 45.0, 5.0, options.largeStands);
    return tree.finish(codes);
}

} // namespace

json gf_buildAirportTree(const std::string& profile, const fs::path& out, const TreeOptions& options)
{
    if (profile == "min") {
        return lf_min(out);
    }
    if (profile == "sample") {
        return lf_sample(out);
    }
    if (profile == "bench") {
        return lf_bench(out, options);
    }
    throw std::invalid_argument(fmt::format("unknown profile '{}' (min, sample, bench)", profile));
}

std::vector<std::pair<std::string, std::string>> gf_bglSeedFiles()
{
    const auto sound = [] {
        BglAirport airport = lf_bglAirport("EHAM", 52.3, 4.7, 6, 2);
        airport.parkings[1].nameCode = 10;
        airport.parkings[2].type = 13;
        airport.parkings[3].airlineCodes = 2;
        return BglFile{{airport, lf_bglAirport("X12", 52.1, 4.1, 2)}};
    };
    std::vector<std::pair<std::string, std::string>> seeds;
    const auto add = [&](const std::string& name, const BglFile& file) {
        seeds.emplace_back(name, gf_bglFileBytes(file));
    };
    add("sound.bgl", sound());
    BglFile file = sound();
    file.secondAirportSection = true;
    add("second_airport_section.bgl", file);
    file = sound();
    file.longSubsections = true;
    add("long_subsections.bgl", file);
    file = sound();
    file.headerSize = 0x37;
    add("header_size.bgl", file);
    file = sound();
    file.sectionCount = 0;
    add("no_sections.bgl", file);
    file = sound();
    file.sectionCount = 0xFFFFFFFFU;
    add("section_count_too_large.bgl", file);
    file = sound();
    file.subsectionOffset = 0xFFFFFFF0U;
    add("subsection_past_the_file.bgl", file);
    file = sound();
    file.airports[0].recordSize = 0;
    add("record_size_zero.bgl", file);
    file = sound();
    file.airports[0].recordSize = 0xFFFFFFFCU;
    add("record_size_past_the_file.bgl", file);
    file = sound();
    file.airports[0].parkingCount = 0xFFFF;
    add("parkings_past_their_subrecord.bgl", file);
    file = sound();
    file.airports[0].zeroHelipadSize = true;
    add("helipad_size_zero.bgl", file);
    file = sound();
    file.trailingBytes = 3;
    add("partial_last_word.bgl", file);
    file = sound();
    file.airports.pop_back();
    file.cutTo = gf_bglFileBytes(file).size() - 30;
    add("cut_in_the_parkings.bgl", file);
    file = sound();
    file.fillerRecords = 9001;
    add("endless_records.bgl", file);
    file = sound();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    file.airports[0].parkings[0].radiusM = nan;
    file.airports[0].parkings[1].headingDeg = std::numeric_limits<float>::infinity();
    file.airports[0].parkings[4].radiusM = 900.0F;
    file.airports[0].parkings[5].lat = -700.0;
    file.airports[0].helipads[0].widthM = nan;
    file.airports[0].helipads[1] = file.airports[0].helipads[0];
    add("bad_numbers.bgl", file);
    file = sound();
    file.airports[0].parkings.assign(12, file.airports[0].parkings[0]);
    add("duplicate_ids.bgl", file);
    file = sound();
    file.airports[0].rawIdent = (12U * 38U + 1U) << 5U;
    add("invalid_ident.bgl", file);
    seeds.emplace_back("scenery_only.bgl", gf_bglSceneryBytes(3));
    return seeds;
}

} // namespace hlw::tree
