#include "platform/sim/sim_wire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace hlw {
namespace {

using Bytes = std::vector<uint8_t>;

// Fields are little-endian and read back as written, special floats included; a patch overwrites in place.
TEST(Wire, FieldsRoundTrip)
{
    WireWriter writer;
    writer.u32(0);
    writer.text("abc");
    writer.f32(-0.0f);
    writer.f64(std::numeric_limits<double>::quiet_NaN());
    writer.f64(-2.25);
    writer.block(Bytes{9, 8});
    writer.patchU32(0, 0x04030201u);
    EXPECT_THROW(writer.patchU32(writer.size() - 3, 1), std::out_of_range);
    EXPECT_EQ(Bytes(writer.bytes().begin(), writer.bytes().begin() + 11),
              (Bytes{1, 2, 3, 4, 3, 0, 0, 0, 'a', 'b', 'c'}));
    WireReader reader(writer.bytes());
    uint32_t number = 0;
    std::string text;
    float single = 1;
    double nan = 0;
    double wide = 0;
    Bytes block;
    EXPECT_TRUE(reader.u32(number) && reader.text(text) && reader.f32(single) && reader.f64(nan) && reader.f64(wide) &&
                reader.block(block) && reader.atEnd());
    EXPECT_EQ(number, 0x04030201u);
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(std::signbit(single) && std::isnan(nan));
    EXPECT_EQ(wide, -2.25);
    EXPECT_EQ(block, (Bytes{9, 8}));
}

// A read that would pass the end fails without output, and every later read fails too.
TEST(Wire, ReadsNeverPassTheEnd)
{
    for (const Bytes& bytes : {Bytes{5, 0, 0, 0, 'a', 'b'}, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 'a'}, Bytes{3, 0}, Bytes{}}) {
        WireReader reader(bytes);
        std::string text = "kept";
        uint32_t after = 0;
        EXPECT_FALSE(reader.text(text) || reader.u32(after) || reader.ok()) << bytes.size();
        EXPECT_EQ(text, "kept");
    }
    const Bytes seven{9, 0, 0, 0, 1, 6, 7};
    WireReader wide(seven);
    double d = 0;
    uint32_t n = 0;
    EXPECT_FALSE(wide.f64(d) || wide.u32(n) || wide.ok());
    WireReader cut(seven);
    Bytes block;
    EXPECT_FALSE(cut.block(block));
    EXPECT_TRUE(block.empty());
}

// A length below the kind or above the limit breaks the stream for good.
TEST(Wire, ImpossibleLengthBreaksTheStream)
{
    for (const uint32_t length : {3u, 65u}) {
        WireWriter writer;
        writer.u32(length);
        writer.u32(0);
        FrameSplitter splitter(64);
        splitter.feed(writer.bytes());
        EXPECT_FALSE(splitter.next().has_value()) << length;
        EXPECT_TRUE(splitter.broken());
        EXPECT_FALSE(splitter.feed(gf_encodeHello("x")) || splitter.next());
    }
    FrameSplitter atLimit(64);
    atLimit.feed(gf_wireFrame(0, Bytes(60, 1)));
    EXPECT_TRUE(atLimit.next().has_value());
}

TEST(Wire, CallsThatDoNotFitTheirLayoutAreRefused)
{
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::AIRemoveObject, 1, {77}, {}, {}, 0}), std::invalid_argument);
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::Close, 1, {}, {"x"}, {}, 0}), std::invalid_argument);
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::Close, 1, {}, {}, {1}, 0}), std::invalid_argument);
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::CallDispatch, 1, {}, {}, {}, 0}), std::invalid_argument);

    const Bytes good = gf_encodeSimCall({SimCallKind::AIRemoveObject, 1, {77, 105}, {}, {}, 0});
    const WireFrame frame{static_cast<uint32_t>(SimCallKind::AIRemoveObject), Bytes(good.begin() + 8, good.end())};
    ASSERT_TRUE(gf_decodeSimCall(frame).has_value());
    WireFrame cut = frame;
    cut.payload.pop_back();
    WireFrame longer = frame;
    longer.payload.push_back(0);
    EXPECT_FALSE(gf_decodeSimCall(cut) || gf_decodeSimCall(longer));
    for (const uint32_t kind : {0u, 1u, 3u, 15u, 20u, kWireKindHello, kWireKindControl}) {
        WireFrame other = frame;
        other.kind = kind;
        EXPECT_FALSE(gf_decodeSimCall(other).has_value()) << kind;
    }
    FrameSplitter splitter;
    splitter.feed(gf_encodeHello("PARKING_DATA_RDR"));
    WireFrame hello = splitter.next().value();
    EXPECT_EQ(gf_decodeHello(hello), "PARKING_DATA_RDR");
    EXPECT_FALSE(gf_decodeControl(hello).has_value());
    hello.payload.push_back('x');
    EXPECT_FALSE(gf_decodeHello(hello).has_value());
}

// Names map both ways, with or without the "SimConnect_" prefix and in any letter case.
TEST(Wire, FailNextCommandsNameTheFunction)
{
    for (uint32_t k = 1; k <= kSimCallKindCount; ++k) {
        const auto kind = static_cast<SimCallKind>(k);
        EXPECT_EQ(gf_simCallFromName(gf_simCallName(kind)), kind);
        EXPECT_EQ(gf_simCallFromName("SimConnect_" + std::string(gf_simCallName(kind))), kind);
        const std::optional<SimFailNext> parsed = gf_parseFailNext(gf_failNextCommand(kind, k));
        EXPECT_TRUE(parsed && parsed->function == kind && parsed->count == k) << k;
    }
    EXPECT_FALSE(gf_simCallFromName("SimConnect_") || gf_simCallFromName("RequestSystemState"));
    const std::optional<SimFailNext> spaced = gf_parseFailNext("  failnext\tsimconnect_aiRemoveObject 0\n");
    EXPECT_TRUE(spaced && spaced->function == SimCallKind::AIRemoveObject && spaced->count == 0);
    for (const char* bad : {"failnext Nothing 1", "failnext AIRemoveObject -1", "failnext AIRemoveObject 1x",
                            "failnext AIRemoveObject 99999999999", "failnext AIRemoveObject",
                            "failnext AIRemoveObject 1 2", "FAILNEXT AIRemoveObject 1", ""}) {
        EXPECT_FALSE(gf_parseFailNext(bad).has_value()) << bad;
    }
}

} // namespace
} // namespace hlw
