// The XML helpers shared by the program's files: attributes, stored settings by key and the meta block.
#include "settings/xml_attributes.h"
#include "settings/xml_meta.h"

#include "core/log.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>

#include <sstream>

namespace hlw {
namespace {

pugi::xml_document lf_parse(const std::string& text)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text.c_str())) << text;
    return document;
}

TEST(XmlAttributes, AppendAndSetKeepOneAttributeEachAndFailOnANullElement)
{
    pugi::xml_document document;
    pugi::xml_node element = document.append_child("parameter");
    ASSERT_TRUE(gf_xmlAppendAttribute(element, "name", std::string_view("KEYX").substr(0, 3)));
    ASSERT_TRUE(gf_xmlAppendAttributeString(element, "value", ""));
    ASSERT_TRUE(gf_xmlSetAttribute(element, "value", "new"));
    ASSERT_TRUE(gf_xmlSetAttribute(element, "extra", "added"));
    std::ostringstream text;
    element.print(text, "", pugi::format_raw);
    EXPECT_EQ(text.str(), "<parameter name=\"KEY\" value=\"new\" extra=\"added\"/>");

    const pugi::xml_node none;
    EXPECT_FALSE(gf_xmlAppendAttribute(none, "name", "x"));
    EXPECT_FALSE(gf_xmlSetAttribute(none, "name", "x"));
    EXPECT_FALSE(gf_appendStringParameter(none, "KEY", "x"));
}

// Both layouts, first-of-two and clamping are the settings file's tests; here what a file does not show.
TEST(XmlAttributes, StoredSettingsAreFoundByTheirWholeKeyInTheParametersElementOnly)
{
    const pugi::xml_document document = lf_parse("<root><parameters><parameter name=\"KEY\"/><parameter name=\"TEXT\" "
                                                 "value=\"a &quot;b&quot; &lt;c&gt;\"/></parameters></root>");
    EXPECT_EQ(gf_readBoolParameter(document, "KEY"), false);
    EXPECT_EQ(gf_readIntParameter(document, "KEY"), 0);
    EXPECT_EQ(gf_readStringParameter(document, "TEXT"), "a \"b\" <c>");
    EXPECT_EQ(gf_readIntParameter(document, "KE"), std::nullopt);
    EXPECT_EQ(gf_readIntParameter(document, "key"), std::nullopt);
    const pugi::xml_document elsewhere = lf_parse("<root><other><parameter name=\"K\" value=\"1\"/></other></root>");
    EXPECT_FALSE(gf_parametersElement(elsewhere));
    EXPECT_EQ(gf_readIntParameter(elsewhere, "K"), std::nullopt);
}

TEST(XmlMeta, WrittenBlockHasFiveEntriesInOrderAndReadsBack)
{
    test::FakeRunState runState;
    runState.code = 2;
    pugi::xml_document document = lf_parse("<root><first/></root>");
    ASSERT_TRUE(gf_writeXmlMeta(document, gf_currentXmlMetaInfo()));
    std::ostringstream text;
    document.save(text, "", pugi::format_raw | pugi::format_no_declaration);
    EXPECT_THAT(text.str(),
                ::testing::MatchesRegex(
                    "<root><first/><meta><info name=\"author\" value=\"Hollowmere\"/><info name=\"version\" "
                    "value=\"12.5.1\"/><info name=\"date\" value=\"(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|"
                    "Okt|Nov|Dec) [0-9][0-9], [0-9]{4}\"/><info name=\"copyright\" value=\"[^\"]+\"/>"
                    "<info name=\"sim\" value=\"2\"/></meta></root>"));

    EXPECT_EQ(gf_readXmlMeta(lf_parse(text.str()), false)->version, "12.5.1");
}

// Only an empty copyright is worth an alert: two rows have one.
TEST(XmlMeta, ReadingAcceptsOrRejectsByTheBlocksEntries)
{
    const auto lf_info = [](const std::string& name, const std::string& value) {
        return "<info name=\"" + name + "\" value=\"" + value + "\"/>";
    };
    const auto lf_meta = [](const std::string& infos) { return "<root><meta>" + infos + "</meta></root>"; };
    test::TempDir folder;
    gf_startLog(folder / "Log.txt");
    const std::string copyright = lf_info("copyright", "(c) maker");
    const std::string described = copyright + lf_info("author", "A") + lf_info("version", "V") + lf_info("date", "D");
    struct Case {
        std::string document;
        bool acceptWithoutSimulator;
        std::optional<int32_t> sim; // none: rejected
    };
    const Case cases[]{
        {lf_meta(copyright + lf_info("sim", "2")), false, 2},
        {"<meta>" + copyright + lf_info("sim", "1") + "</meta>", false, 1},
        {"<root><parameters/></root>", true, std::nullopt},
        {lf_meta(lf_info("author", "x") + lf_info("sim", "1")), true, std::nullopt},
        {lf_meta("<info name=\"copyright\"/>" + lf_info("sim", "1")), true, std::nullopt},
        {lf_meta(lf_info("copyright", "") + lf_info("sim", "1") + lf_info("author", "a")), true, std::nullopt},
        {lf_meta(copyright + lf_info("copyright", "") + lf_info("sim", "1")), false, 1},
        {lf_meta(described), false, std::nullopt},
        {lf_meta(described), true, -1},
        {lf_meta(described + lf_info("P3D", "5")), false, -1},
        {lf_meta(described + lf_info("MSFS", "yes")), false, -1},
        {lf_meta(copyright + lf_info("sim", "abc")), false, 0},
        {lf_meta(copyright + "<info name=\"sim\"/>"), false, 0},
        {lf_meta(copyright + lf_info("sim", "2") + lf_info("sim", "1")), false, 2},
        {lf_meta(copyright + lf_info("SIM", "1") + lf_info("p3d", "x")), false, std::nullopt},
        {lf_meta("<other/>" + lf_info("colour", "red") + copyright + lf_info("sim", "1")), false, 1},
    };
    for (const Case& c : cases) {
        const std::optional<XmlMetaInfo> info = gf_readXmlMeta(lf_parse(c.document), c.acceptWithoutSimulator);
        EXPECT_EQ(info ? std::optional<int32_t>(info->sim) : std::nullopt, c.sim) << c.document;
    }
    gf_stopLog();
    const std::string log = test::readWholeFile(folder / "Log.txt");
    const std::string alert = "==> no copyright info in the file?\n";
    EXPECT_EQ(log.find(alert, log.find(alert, log.find(alert) + 1) + 1), std::string::npos);
    EXPECT_NE(log.find(alert, log.find(alert) + 1), std::string::npos);

    const std::optional<XmlMetaInfo> first = gf_readXmlMeta(
        lf_parse(lf_meta(described + lf_info("author", "B") + lf_info("P3D", "p") + lf_info("MSFS", "m") +
                         lf_info("version", "W") + lf_info("date", "E") + lf_info("P3D", "q") + lf_info("MSFS", "n"))),
        false);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->author + first->version + first->date + first->p3d + first->msfs, "AVDpm");
}

} // namespace
} // namespace hlw
