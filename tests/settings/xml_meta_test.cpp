#include "settings/xml_meta.h"

#include "core/log.h"
#include "core/time_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

namespace hlw {
namespace {

pugi::xml_document lf_parse(const std::string& text) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text.c_str())) << text;
    return document;
}

// "Dec 05, 2026", the tenth month spelled "Okt".
bool lf_isDateText(const std::string& text)
{
    static const std::vector<std::string> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Okt", "Nov", "Dec"};
    const auto digits = [&](size_t from, size_t count) {
        return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                           text.begin() + static_cast<std::ptrdiff_t>(from + count),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    return text.size() == 12 && std::find(months.begin(), months.end(), text.substr(0, 3)) != months.end() &&
           text[3] == ' ' && digits(4, 2) && text.substr(6, 2) == ", " && digits(8, 4);
}

std::string lf_metaDocument(const std::string& infos) {
    return "<root><meta>" + infos + "</meta></root>";
}

std::string lf_info(const std::string& name, const std::string& value) {
    return "<info name=\"" + name + "\" value=\"" + value + "\"/>";
}

TEST(XmlMetaWrite, EmptyDocumentGetsRootMetaAndFiveEntriesInOrder) {
    pugi::xml_document document;
    XmlMetaInfo info;
    info.version = "12.5.1";
    info.sim = 2;
    ASSERT_TRUE(gf_writeXmlMeta(document, info));

    pugi::xml_node meta = document.child("root").child("meta");
    ASSERT_TRUE(meta);
    std::vector<std::pair<std::string, std::string>> entries;
    for (pugi::xml_node entry : meta.children()) {
        EXPECT_STREQ(entry.name(), "info");
        ASSERT_STREQ(entry.first_attribute().name(), "name");
        ASSERT_STREQ(entry.first_attribute().next_attribute().name(), "value");
        EXPECT_FALSE(entry.first_attribute().next_attribute().next_attribute());
        entries.emplace_back(entry.attribute("name").value(), entry.attribute("value").value());
    }
    ASSERT_EQ(entries.size(), 5U);
    EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"author", "Hollowmere"}));
    EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"version", "12.5.1"}));
    EXPECT_EQ(entries[2].first, "date");
    EXPECT_TRUE(lf_isDateText(entries[2].second)) << entries[2].second;
    EXPECT_EQ(entries[3].first, "copyright");
    EXPECT_FALSE(entries[3].second.empty());
    EXPECT_EQ(entries[4], (std::pair<std::string, std::string>{"sim", "2"}));
}

TEST(XmlMetaWrite, ExistingRootIsReusedAndTheBlockIsAppendedAfterItsContent) {
    pugi::xml_document document = lf_parse("<root><first/></root>");
    ASSERT_TRUE(gf_writeXmlMeta(document, XmlMetaInfo{}));
    EXPECT_EQ(std::distance(document.children("root").begin(), document.children("root").end()), 1);
    EXPECT_STREQ(document.child("root").last_child().name(), "meta");
}

TEST(XmlMetaWrite, CurrentInfoCarriesRunningVersionAndChosenSimulator) {
    test::FakeRunState runState;
    runState.code = 2;
    const XmlMetaInfo info = gf_currentXmlMetaInfo();
    EXPECT_EQ(info.version, "12.5.1");
    EXPECT_EQ(info.sim, 2);
}

TEST(XmlMetaRoundTrip, WrittenBlockReadsBackWithSimulatorRequired) {
    test::FakeRunState runState;
    runState.code = 1;
    pugi::xml_document document;
    const std::string dateBefore = gf_dateText();
    ASSERT_TRUE(gf_writeXmlMeta(document, gf_currentXmlMetaInfo()));
    const std::string dateAfter = gf_dateText();

    // Through text, as a file would go.
    std::ostringstream text;
    document.save(text);
    pugi::xml_document loaded = lf_parse(text.str());
    const std::optional<XmlMetaInfo> info = gf_readXmlMeta(loaded, false);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->author, "Hollowmere");
    EXPECT_EQ(info->version, "12.5.1");
    EXPECT_TRUE(info->date == dateBefore || info->date == dateAfter) << info->date;
    EXPECT_EQ(info->sim, 1);
    EXPECT_EQ(info->p3d, "");
    EXPECT_EQ(info->msfs, "");
}

struct ReadCase {
    const char* what;
    std::string document;
    bool acceptWithoutSimulator;
    bool accepted;
    int32_t sim;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.what; }

class XmlMetaRead : public testing::TestWithParam<ReadCase> {};

TEST_P(XmlMetaRead, AcceptsOrRejectsByTheBlocksEntries) {
    const ReadCase& c = GetParam();
    pugi::xml_document document = lf_parse(c.document);
    const std::optional<XmlMetaInfo> info = gf_readXmlMeta(document, c.acceptWithoutSimulator);
    ASSERT_EQ(info.has_value(), c.accepted) << c.what;
    if (info) {
        EXPECT_EQ(info->sim, c.sim) << c.what;
    }
}

const std::string copyright = lf_info("copyright", "(c) maker");
const std::string described = copyright + lf_info("author", "Hollowmere") + lf_info("version", "12.5.1") +
                              lf_info("date", "Okt 05, 2026");

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlMetaRead,
    testing::Values(
        ReadCase{"copyright and sim only", lf_metaDocument(copyright + lf_info("sim", "2")), false, true, 2},
        ReadCase{"meta directly under the document", "<meta>" + copyright + lf_info("sim", "1") + "</meta>",
                 false, true, 1},
        ReadCase{"no meta element", "<root><parameters/></root>", true, false, 0},
        ReadCase{"no copyright entry", lf_metaDocument(lf_info("author", "x") + lf_info("sim", "1")), true, false,
                 0},
        ReadCase{"copyright without value attribute",
                 lf_metaDocument("<info name=\"copyright\"/>" + lf_info("sim", "1")), true, false, 0},
        ReadCase{"empty copyright before complete entries",
                 lf_metaDocument(lf_info("copyright", "") + lf_info("sim", "1") + lf_info("author", "a")), true,
                 false, 0},
        ReadCase{"empty second copyright ignored",
                 lf_metaDocument(copyright + lf_info("copyright", "") + lf_info("sim", "1")), false, true, 1},
        ReadCase{"no simulator entry, simulator required", lf_metaDocument(described), false, false, 0},
        ReadCase{"no simulator entry, accepted without", lf_metaDocument(described), true, true, -1},
        ReadCase{"P3D entry counts as simulator", lf_metaDocument(described + lf_info("P3D", "5")), false, true,
                 -1},
        ReadCase{"MSFS entry counts as simulator", lf_metaDocument(described + lf_info("MSFS", "yes")), false,
                 true, -1},
        ReadCase{"non-numeric sim reads 0 and counts", lf_metaDocument(copyright + lf_info("sim", "abc")), false,
                 true, 0},
        ReadCase{"sim without value reads 0", lf_metaDocument(copyright + "<info name=\"sim\"/>"), false, true, 0},
        ReadCase{"first sim entry wins", lf_metaDocument(copyright + lf_info("sim", "2") + lf_info("sim", "1")),
                 false, true, 2},
        ReadCase{"names are case-sensitive", lf_metaDocument(copyright + lf_info("SIM", "1") + lf_info("p3d", "x")),
                 false, false, 0},
        ReadCase{"unknown names and other elements ignored",
                 lf_metaDocument("<other/>" + lf_info("colour", "red") + copyright + lf_info("sim", "1")), false,
                 true, 1}));

TEST(XmlMetaRead, KeepsTheFirstTextOfEachNameAndEveryField) {
    pugi::xml_document document = lf_parse(lf_metaDocument(
        described + lf_info("author", "later") + lf_info("P3D", "p3d text") + lf_info("MSFS", "msfs text") +
        lf_info("version", "0.0.1")));
    const std::optional<XmlMetaInfo> info = gf_readXmlMeta(document, false);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->author, "Hollowmere");
    EXPECT_EQ(info->version, "12.5.1");
    EXPECT_EQ(info->date, "Okt 05, 2026");
    EXPECT_EQ(info->p3d, "p3d text");
    EXPECT_EQ(info->msfs, "msfs text");
    EXPECT_EQ(info->sim, -1);
}

TEST(XmlMetaRead, EmptyCopyrightIsLoggedAsAnAlert) {
    test::TempDir folder;
    gf_startLog(folder / "Log.txt");
    pugi::xml_document document = lf_parse(lf_metaDocument(lf_info("copyright", "") + lf_info("sim", "1")));
    EXPECT_FALSE(gf_readXmlMeta(document, true).has_value());
    pugi::xml_document withoutCopyright = lf_parse(lf_metaDocument(lf_info("sim", "1")));
    EXPECT_FALSE(gf_readXmlMeta(withoutCopyright, true).has_value());
    gf_stopLog();
    const std::string log = test::readWholeFile(folder / "Log.txt");
    EXPECT_NE(log.find("==> no copyright info in the file?\n"), std::string::npos);
    // Only the empty value is worth a line; a missing entry is silent.
    EXPECT_EQ(log.find("no copyright"), log.rfind("no copyright"));
}

} // namespace
} // namespace hlw
