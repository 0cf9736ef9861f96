#include "dbase_fixture.h"

#include "core/log.h"
#include "refdata/code_table.h"
#include "refdata/project_key.h"
#include "refdata/reference_database.h"
#include "refdata/reference_tables.h"
#include "seal_stream.h"

#include <fmt/format.h>

namespace hlw::test {

std::string elements(const std::string& element, const std::string& attribute, const std::vector<std::string>& values)
{
    std::string text;
    for (const std::string& value : values) {
        text += fmt::format("<{} {}=\"{}\"/>\n", element, attribute, value);
    }
    return text;
}

// The required sections come first, then the optional ones.
DbaseText::DbaseText()
    : sections_{
          {"aircrafts", elements("aircraft", "types",
                                 {"A320,A20N,A321,B738,B38M,B744,B748,B77W", "E190,E195,DH8D,CRJ9,C172,C152,SR22,DA40",
                                  "BE36,C700,C25C,B350,TBM9,EC35,AS50,H125"})},
          {"cargo_types", elements("cargo_type", "types", {"B77F,B744"})},
          {"heavy", elements("hvy", "types", {"B744,B748,B77W,B77F"})},
          {"large", elements("lar", "types", {"A320,A20N,A321,B738,B38M", "E190,E195,DH8D,CRJ9,B748"})},
          {"buzjet", elements("bzj", "types", {"C700,C25C"})},
          {"high_performance", elements("hpf", "types", {"TBM9,EC35"})},
          {"rotorcraft", elements("rot", "types", {"EC35,AS50,H125"})},
          {"ICAO_airlines",
           elements("ICAO", "codes", {"DLH,BAW,CFE,KLM,KLC,EZY,RYR,UAL", "SKW,DAL,AAL,FDX,UPS,BOX,ZZZ,PVT"})},
          {"cargo_operators", elements("ICAO", "codes", {"FDX,UPS,BOX,GEC"})},
          {"simaddons20", elements("simaddon20", "arpts", {"EDDM,LSZH"})},
          {"simaddons24", elements("simaddon24", "arpts", {"EDDM,KJFK,LFPG"})},
          {"similar_types", elements("similar", "types", {"A320,A20N,A321", "B738,B38M", "C172,C152", "E190,E195"})},
          {"prefixes", elements("similar", "types", {"D-,OE-,HB-", "N,C-"})},
          {"publishers", elements("pub", "names", {"Northwind Scenery,Northwind,NWS", "Blue Delta Design,BlueDelta"})},
          {"wingspans", "<wingspan type=\"A320\" meters=\"35.8\"/><wingspan type=\"B744\" meters=\"64.4\"/>"
                        "<wingspan type=\"C172\" meters=\"11\"/>"},
          {"fixes", "<fx wro=\"A32N\" cor=\"A20N\"/><fx wro=\"738\" cor=\"B738\"/>"},
          {"thirdparties20", "<thirdpartie20 pub=\"Northwind Scenery\" arpts=\"EHAM,EDDF\"/>"
                             "<thirdpartie20 pub=\"Northwind Scenery\" arpts=\"LOWW\"/>"},
          {"thirdparties24", "<thirdpartie24 pub=\"Blue Delta Design\" arpts=\"KJFK\"/>"},
          {"dbase", "<d r=\"D-AINA\" a=\"DLH\" m=\"A20N\"/><d r=\"G-LCYP\" a=\"BAW\" o=\"CFE\" m=\"E190\"/>"
                    "<d r=\"N12345\" m=\"C172\"/><d r=\"D-ABCD\" a=\"DLH\"/><d r=\"G-ABC\" a=\"BAW\" m=\"DH8D\"/>"
                    "<d r=\"N700FX\" a=\"FDX\" m=\"B77F\" c=\"true\"/><d r=\"D-AIPA\" a=\"DLH\" m=\"A320\"/>"
                    "<d r=\"DA-IPA\" a=\"EZY\" m=\"A321\"/><d r=\"NABCD\" a=\"UAL\" m=\"A32N\"/>"}}
{
}

DbaseText& DbaseText::set(const std::string& section, std::string body)
{
    remove(section);
    sections_.emplace_back(section, std::move(body));
    return *this;
}

DbaseText& DbaseText::remove(const std::string& section)
{
    std::erase_if(sections_, [&](const auto& entry) { return entry.first == section; });
    return *this;
}

std::string DbaseText::text() const
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n";
    for (const auto& [name, body] : sections_) {
        text += fmt::format("<{0}>\n{1}</{0}>\n", name, body);
    }
    return text + "</root>\n";
}

DbaseFolder::DbaseFolder()
{
    std::filesystem::create_directories(dir / "input");
    gf_startLog(dir / "Log.txt");
    gf_modelCodes().reset();
    gf_airlineCodes().reset();
    gf_clearReferenceTables();
}

DbaseFolder::~DbaseFolder()
{
    gf_clearReferenceTables();
    gf_modelCodes().reset();
    gf_airlineCodes().reset();
    gf_stopLog();
}

void DbaseFolder::seal(const std::string& plainBytes) const
{
    sealer::sealTextToFile(gf_projectKey(), plainBytes, sealedPath());
}

bool DbaseFolder::read(const std::string& xml) const
{
    seal(xml);
    gf_clearReferenceTables();
    return gf_readDbase();
}

std::string DbaseFolder::logText() const
{
    gf_logFlushNow();
    return readWholeFile(dir / "Log.txt");
}

} // namespace hlw::test
