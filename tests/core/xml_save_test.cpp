#include "core/xml_save.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace hlw {
namespace {

using test::readWholeFile;
using test::writeWholeFile;

pugi::xml_document parsed(const char* text)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text, pugi::parse_default | pugi::parse_declaration));
    return document;
}

TEST(XmlSaveTest, DocumentWithoutDeclarationGetsOneAndTwoBlankIndentation)
{
    test::TempDir dir;
    const auto document = parsed("<root><parameters><A>1</A></parameters></root>");
    ASSERT_TRUE(gf_saveXml(document, dir / "p.xml"));
    EXPECT_EQ(readWholeFile(dir / "p.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                            "<root>\n"
                                            "  <parameters>\n"
                                            "    <A>1</A>\n"
                                            "  </parameters>\n"
                                            "</root>\n");
    EXPECT_FALSE(document.first_child().type() == pugi::node_declaration) << "the document itself is unchanged";
}

TEST(XmlSaveTest, ExistingDeclarationIsCorrectedAndStaysSingle)
{
    test::TempDir dir;
    const auto document = parsed("<?xml version=\"1.1\" standalone=\"yes\"?><a/>");
    ASSERT_TRUE(gf_saveXml(document, dir / "p.xml"));
    EXPECT_EQ(readWholeFile(dir / "p.xml"), "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?>\n<a />\n");
}

TEST(XmlSaveTest, NonAsciiTextIsWrittenAsUtf8WithoutByteOrderMark)
{
    test::TempDir dir;
    pugi::xml_document document;
    document.append_child("t").text().set("Zürich & \xe2\x82\xac");
    ASSERT_TRUE(gf_saveXml(document, dir / "t.xml"));
    EXPECT_EQ(readWholeFile(dir / "t.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<t>Zürich &amp; \xe2\x82\xac</t>\n");
}

TEST(XmlSaveTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    test::TempDir dir;
    const auto document = parsed("<a/>");
    std::filesystem::create_directory(dir / "folder.xml");
    EXPECT_FALSE(gf_saveXml(document, dir / "folder.xml"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.xml"));

    writeWholeFile(dir / "plain", "old");
    EXPECT_FALSE(gf_saveXml(document, dir / "plain" / "p.xml"));
    EXPECT_EQ(readWholeFile(dir / "plain"), "old");

    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

} // namespace
} // namespace hlw
