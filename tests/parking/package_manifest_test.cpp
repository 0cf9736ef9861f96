// Package manifests and what the add-on airports scan decides with them: publisher and airport code.
#include "parking/package_manifest.h"

#include "parking_fixture.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::ParkingFolder;

const char* const manifest = R"({"title": "Northwind EHRD Rotterdam", "package_version": "", "version": "1.2.3",
                                 "manufacturer": "Northwind", "creator": "Somebody", "dependencies": []})";

TEST(PackageManifest, SearchFindsTheSeventhFolderUpwardsButNotTheEighth)
{
    for (const int depth : {1, 7, 8}) {
        ParkingFolder folder;
        fs::path bgl = "pkg";
        for (int level = 1; level < depth; ++level) {
            bgl /= "d" + std::to_string(level);
        }
        folder.write("pkg/manifest.json", manifest);
        folder.write(bgl / "x.bgl", "");
        ReportLines report;
        const auto found = gf_searchManifest(folder.dir / bgl / "x.bgl", report);
        EXPECT_EQ(found.has_value(), depth <= 7) << depth;
        if (found) {
            EXPECT_EQ(*found, (PackageManifest{"Northwind EHRD Rotterdam", "1.2.3", "Northwind", "Somebody"}));
        }
    }
}

struct ManifestCase {
    const char* name;
    const char* file;
    std::string text;
    bool found;
    const char* report;
};

TEST(PackageManifest, OnlyExactNamesAndSoundFilesAreRead)
{
    const ManifestCase cases[] = {
        {"upper-case stem", "Manifest.json", manifest, false, ""},
        {"upper-case extension", "manifest.JSON", manifest, false, ""},
        {"creator is a number", "manifest.json", R"({"title": "x", "creator": 5})", false,
         "exception in gf_searchManifest: "},
        {"not an object", "manifest.json", "[1, 2]", false, ""},
        {"empty file", "manifest.json", "", false, ""},
        {"syntax error", "manifest.json", "{\"title\": ", false, "exception in gf_searchManifest: "},
        {"too deep", "manifest.json", std::string(100, '[') + std::string(100, ']'), false,
         "exception in gf_searchManifest: "},
        {"too large", "manifest.json", "{\"title\": \"" + std::string(1U << 20U, 'x') + "\"}", false,
         "is larger than 1048576 bytes; not read"},
        {"empty containers and null", "manifest.json", R"({"title": [], "creator": {}, "manufacturer": null})", true,
         ""},
    };
    for (const ManifestCase& c : cases) {
        ParkingFolder folder;
        folder.write(fs::path("pkg") / c.file, c.text);
        ReportLines report;
        EXPECT_EQ(gf_searchManifest(folder.dir / "pkg/x.bgl", report).has_value(), c.found) << c.name;
        const std::string lines = fmt::format("{}", fmt::join(report, "\n"));
        EXPECT_NE(lines.find(c.report), std::string::npos) << c.name << ": " << lines;
    }
}

struct PublisherCase {
    const char* name;
    const char* bglPath;
    const char* manifestText; // nullptr: no manifest file
    const char* publisher;
    const char* report;
};

TEST(DetectPublisher, FromPathThenManifest)
{
    const PublisherCase cases[] = {
        {"simulator's own airport", "Official/Microsoft-Airport-EHAM/scenery/x.bgl", manifest, "simaddon",
         "publisher: simaddon"},
        {"publisher in the path", "Community/northwind-ehrd/scenery/x.bgl", manifest, "Northwind Scenery",
         "publisher: Northwind Scenery"},
        {"manufacturer", "Community/pkg/scenery/x.bgl", manifest, "Northwind Scenery", "publisher 'Northwind Scenery'"},
        {"creator", "Community/pkg/scenery/x.bgl", R"({"manufacturer": "Nobody", "creator": "BlueDelta team"})",
         "Blue Delta Design", "publisher 'Blue Delta Design'"},
        {"nobody", "Community/pkg/scenery/x.bgl", nullptr, "", ""},
    };
    for (const PublisherCase& c : cases) {
        ParkingFolder folder;
        if (c.manifestText != nullptr) {
            folder.write("Community/pkg/manifest.json", c.manifestText);
            folder.write("Official/Microsoft-Airport-EHAM/manifest.json", c.manifestText);
        }
        ApfData data;
        data.bglPath = folder.dir / c.bglPath;
        data.bglPathText = c.bglPath;
        ReportLines report;
        gf_detectPublisher(data, report);
        EXPECT_EQ(data.publisher, c.publisher) << c.name;
        EXPECT_EQ(report.empty() ? "" : report.back(), c.report) << c.name;
        if (std::string_view(c.name) == "simulator's own airport") {
            EXPECT_FALSE(data.manifest.has_value());
        }
    }
}

struct CodeCase {
    const char* name;
    const char* bglPath;
    const char* title; // manifest title, nullptr for no manifest
    const char* code;  // "" for none
    bool refused;
    std::vector<std::string> report;
};

TEST(DetectAirportCode, PathStemAndManifestTitle)
{
    const CodeCase cases[] = {
        {"known code in path",
         "Community/x-eham-y/scenery/ab.bgl",
         nullptr,
         "EHAM",
         false,
         {"airport has code 'EHAM' in BGL path"}},
        {"supported code unknown to the database",
         "Community/lfpg-x/scenery/ab.bgl",
         nullptr,
         "",
         true,
         {"airport has code 'LFPG' in BGL path", "no supported airport 'LFPG' in BGL path"}},
        {"known stem",
         "Community/pkg/scenery/ehrd.bgl",
         nullptr,
         "EHRD",
         false,
         {"no airport code found in BGL path", "code 'EHRD' as stem"}},
        {"unknown stem",
         "Community/pkg/scenery/ZZZZ.bgl",
         nullptr,
         "",
         true,
         {"no airport code found in BGL path", "no supported airport code 'ZZZZ' as stem"}},
        {"stem that is no code",
         "Community/pkg/scenery/E-AM.bgl",
         nullptr,
         "",
         false,
         {"no airport code found in BGL path", "Exception 'E-AM' FixedCode: invalid string (length/charset)"}},
        {"manifest title",
         "Community/pkg/scenery/airport.bgl",
         "Rotterdam EHRD",
         "EHRD",
         false,
         {"no airport code found in BGL path", "airport has code 'EHRD' in title of manifest"}},
        {"manifest title with a code unknown to the database",
         "Community/pkg/scenery/airport.bgl",
         "Paris LFPG",
         "",
         true,
         {"no airport code found in BGL path", "airport has code 'LFPG' in title of manifest",
          "no supported airport 'LFPG' in title of manifest"}},
        {"no manifest", "Community/pkg/scenery/airport.bgl", nullptr, "", false, {"no airport code found in BGL path"}},
    };
    // EHRD is left out of the scan's supported set for the stem cases, so that their paths show no code.
    for (const CodeCase& c : cases) {
        AirportCodeSet supported{AirportCode("EHAM"), AirportCode("LFPG")};
        if (std::string_view(c.name).find("stem") == std::string_view::npos) {
            supported.insert(AirportCode("EHRD"));
        }
        ParkingFolder folder;
        if (c.title != nullptr) {
            folder.write("Community/pkg/manifest.json", nlohmann::json{{"title", c.title}}.dump());
        }
        ApfData data;
        data.bglPath = folder.dir / c.bglPath;
        data.bglPathText = c.bglPath;
        ReportLines report;
        bool refused = true;
        const auto code = gf_detectAirportCode(data, supported, refused, report);
        EXPECT_EQ(code ? code->str() : "", c.code) << c.name;
        EXPECT_EQ(refused, c.refused) << c.name;
        EXPECT_EQ(report, c.report) << c.name;
    }
}

} // namespace
} // namespace hlw
