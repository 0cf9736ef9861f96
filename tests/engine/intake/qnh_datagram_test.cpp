#include "engine/intake/qnh_datagram.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace hlw {
namespace {

TEST(QnhDatagram, PressureOrTheLineThatExplainsItsAbsence)
{
    struct Row {
        std::string datagram;
        std::optional<int32_t> hpa;
        std::string problem;
        bool alert;
    };
    const Row rows[] = {
        {R"({"QNH":1013})", 1013, "", false},
        {R"({"QNH":1013.6})", 1014, "", false},
        {R"({"QNH":1013.4})", 1013, "", false},
        {R"({"QNH":2992})", 1013, "", false},
        {R"({"QNH":3100})", 1050, "", false},
        {R"({"QNH":850})", 900, "", false},
        {R"({"QNH":-5})", 900, "", false},
        {R"({"QNH":1101})", 900, "", false},
        {R"({"QNH":18446744073709551615})", 1100, "", false},
        {R"({"QNH":"1009"})", 1009, "", false},
        {R"({"QNH":true})", 900, "", false},
        {R"({"QNH":1011,"station":"EHAM","age":12})", 1011, "", false},
        {R"({"QNH":"abc"})", std::nullopt, R"(QNH string parse error: abc in {"QNH":"abc"})", true},
        {R"({"QNH":"1009 hPa"})", std::nullopt, R"(QNH string parse error: 1009 hPa in {"QNH":"1009 hPa"})", true},
        {R"({"QNH":""})", std::nullopt, R"(QNH string parse error:  in {"QNH":""})", true},
        {"{}", std::nullopt, "no QNH {}", false},
        {R"({"QNH":null})", std::nullopt, R"(no QNH {"QNH":null})", false},
        {R"({"QNH":[]})", std::nullopt, R"(no QNH {"QNH":[]})", false},
        {R"({"QNH":{}})", std::nullopt, R"(no QNH {"QNH":{}})", false},
        {R"({"QNH":[1013]})", std::nullopt, R"(no QNH {"QNH":[1013]})", false},
        {R"([1013])", std::nullopt, "no QNH [1013]", false},
        {R"({"QNH":1e300})", std::nullopt, R"(Exception narrowing_error, in {"QNH":1e300})", false},
    };
    for (const Row& row : rows) {
        const QnhReading reading = gf_readQnhDatagram(row.datagram);
        EXPECT_EQ(reading.hpa, row.hpa) << row.datagram;
        EXPECT_EQ(reading.problem, row.problem) << row.datagram;
        EXPECT_EQ(reading.alert, row.alert) << row.datagram;
    }
}

TEST(QnhDatagram, TextThatIsNoJsonIsAnException)
{
    for (const std::string& datagram :
         {std::string("QNH=1013"), std::string(), std::string(R"({"QNH":1013)"), std::string("\xff\xfe{", 3)}) {
        const QnhReading reading = gf_readQnhDatagram(datagram);
        EXPECT_FALSE(reading.hpa);
        EXPECT_TRUE(reading.problem.starts_with("Exception [json.exception.parse_error")) << reading.problem;
        EXPECT_TRUE(reading.problem.ends_with(", in " + datagram)) << reading.problem;
    }
}

} // namespace
} // namespace hlw
