#include "settings/xml_attributes.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace hlw {
namespace {

pugi::xml_document lf_parse(const char* text) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_string(text)) << text;
    return document;
}

TEST(XmlAttributes, AppendAndSetKeepOneAttributeAndTheOrder) {
    pugi::xml_document document;
    pugi::xml_node element = document.append_child("parameter");
    ASSERT_TRUE(gf_xmlAppendAttribute(element, "name", std::string_view("KEYX").substr(0, 3)));
    ASSERT_TRUE(gf_xmlAppendAttributeString(element, "value", ""));
    ASSERT_TRUE(gf_xmlSetAttribute(element, "value", "new"));
    ASSERT_TRUE(gf_xmlSetAttribute(element, "extra", "added"));
    EXPECT_STREQ(element.attribute("name").value(), "KEY");
    EXPECT_STREQ(element.first_attribute().next_attribute().value(), "new");
    EXPECT_STREQ(element.last_attribute().name(), "extra");
    EXPECT_EQ(std::distance(element.attributes().begin(), element.attributes().end()), 3);
}

TEST(XmlAttributes, AppendsToANullElementFail) {
    pugi::xml_node none;
    EXPECT_FALSE(gf_xmlAppendAttribute(none, "name", "x"));
    EXPECT_FALSE(gf_xmlSetAttribute(none, "name", "x"));
    EXPECT_FALSE(gf_appendBoolParameter(none, "KEY", true));
    EXPECT_FALSE(gf_appendIntParameter(none, "KEY", 1));
    EXPECT_FALSE(gf_appendStringParameter(none, "KEY", "x"));
}

TEST(XmlAttributes, AppendedParametersReadBackInBothLayouts) {
    for (const char* layout : {"root", "document"}) {
        pugi::xml_document document;
        pugi::xml_node base = std::string(layout) == "root" ? document.append_child("root") : document;
        pugi::xml_node parameters = base.append_child("parameters");
        ASSERT_TRUE(gf_appendBoolParameter(parameters, "FLAG", true));
        ASSERT_TRUE(gf_appendIntParameter(parameters, "NUMBER", INT32_MIN));
        ASSERT_TRUE(gf_appendStringParameter(parameters, "TEXT", "a \"quoted\" <text> & more"));
        EXPECT_EQ(gf_parametersElement(document), parameters) << layout;
        EXPECT_EQ(gf_readBoolParameter(document, "FLAG"), true) << layout;
        EXPECT_EQ(gf_readIntParameter(document, "NUMBER"), INT32_MIN) << layout;
        EXPECT_EQ(gf_readStringParameter(document, "TEXT"), "a \"quoted\" <text> & more") << layout;
    }
}

TEST(XmlAttributes, LookupTakesTheFirstExactMatch) {
    pugi::xml_document document = lf_parse(R"(<root><parameters>
        <parameter name="RANGE_X" value="1"/>
        <parameter name="range" value="2"/>
        <parameter name="RANGE" value="3"/>
        <parameter name="RANGE" value="4"/>
        <parameter value="5"/>
    </parameters></root>)");
    EXPECT_EQ(gf_readIntParameter(document, "RANGE"), 3);
    EXPECT_EQ(gf_readIntParameter(document, "RANG"), std::nullopt);
    EXPECT_EQ(gf_readIntParameter(document, ""), 5); // a nameless element has the empty name
    EXPECT_EQ(gf_readIntParameter(document, "MISSING"), std::nullopt);
}

TEST(XmlAttributes, LookupOfAnElementWithoutValueGivesTheKindsEmptyValue) {
    pugi::xml_document document = lf_parse(R"(<root><parameters><parameter name="K"/></parameters></root>)");
    EXPECT_EQ(gf_readBoolParameter(document, "K"), false);
    EXPECT_EQ(gf_readIntParameter(document, "K"), 0);
    EXPECT_EQ(gf_readStringParameter(document, "K"), "");
}

struct ValueCase {
    const char* text;
    bool asBool;
    int32_t asInt;
};

TEST(XmlAttributes, StoredTextsReadAsBoolAndInt) {
    const ValueCase cases[] = {
        {"true", true, 0}, {"false", false, 0}, {"1", true, 1},     {"yes", true, 0},
        {"T", true, 0},    {"0x1F", false, 31}, {"-17", false, -17}, {"abc", false, 0},
    };
    for (const ValueCase& c : cases) {
        pugi::xml_document document;
        pugi::xml_node parameter = document.append_child("parameters").append_child("parameter");
        gf_xmlAppendAttribute(parameter, "name", "K");
        gf_xmlAppendAttribute(parameter, "value", c.text);
        EXPECT_EQ(gf_readBoolParameter(document, "K"), c.asBool) << c.text;
        EXPECT_EQ(gf_readIntParameter(document, "K"), c.asInt) << c.text;
    }
}

TEST(XmlAttributes, NoParametersElementMeansNoSetting) {
    pugi::xml_document document = lf_parse("<root><other><parameter name=\"K\" value=\"1\"/></other></root>");
    EXPECT_FALSE(gf_parametersElement(document));
    EXPECT_EQ(gf_readIntParameter(document, "K"), std::nullopt);
}

} // namespace
} // namespace hlw
