#include "platform/sim/sim_wire.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace hlw {
namespace {

std::vector<uint8_t> lf_bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (const int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

TEST(WireWriterReader, FieldsAreLittleEndianAndRoundTrip) {
    WireWriter writer;
    writer.u32(0x04030201u);
    writer.text("abc");
    writer.f32(1.5f);
    writer.f64(-2.25);
    writer.block(lf_bytes({9, 8}));
    EXPECT_EQ(std::vector<uint8_t>(writer.bytes().begin(), writer.bytes().begin() + 11),
              lf_bytes({1, 2, 3, 4, 3, 0, 0, 0, 'a', 'b', 'c'}));

    WireReader reader(writer.bytes());
    uint32_t number = 0;
    std::string text;
    float single = 0;
    double wide = 0;
    std::vector<uint8_t> block;
    EXPECT_TRUE(reader.u32(number));
    EXPECT_TRUE(reader.text(text));
    EXPECT_TRUE(reader.f32(single));
    EXPECT_TRUE(reader.f64(wide));
    EXPECT_TRUE(reader.block(block));
    EXPECT_EQ(number, 0x04030201u);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(single, 1.5f);
    EXPECT_EQ(wide, -2.25);
    EXPECT_EQ(block, lf_bytes({9, 8}));
    EXPECT_TRUE(reader.atEnd());
}

TEST(WireWriterReader, PatchOverwritesEarlierBytesAndRefusesThePastEnd) {
    WireWriter writer;
    writer.u32(0);
    writer.u32(7);
    writer.patchU32(0, 0xAABBCCDDu);
    EXPECT_EQ(writer.bytes()[0], 0xDD);
    EXPECT_EQ(writer.bytes()[3], 0xAA);
    EXPECT_THROW(writer.patchU32(5, 1), std::out_of_range);
}

// A length that promises more than the buffer holds must fail without reading, and stay failed.
TEST(WireReader, ReadsNeverPassTheEnd) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"text length beyond end", lf_bytes({5, 0, 0, 0, 'a', 'b'})},
        {"huge text length", lf_bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a'})},
        {"length field cut", lf_bytes({3, 0})},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        WireReader reader(c.bytes);
        std::string text = "kept";
        EXPECT_FALSE(reader.text(text)) << c.name;
        EXPECT_EQ(text, "kept") << c.name;
        EXPECT_FALSE(reader.ok()) << c.name;
        uint32_t after = 0;
        EXPECT_FALSE(reader.u32(after)) << c.name << ": a failed reader stays failed";
    }
    const std::vector<uint8_t> sevenBytes = lf_bytes({1, 2, 3, 4, 5, 6, 7});
    WireReader shortDouble(sevenBytes);
    double d = 0;
    EXPECT_FALSE(shortDouble.f64(d));
    std::vector<uint8_t> block;
    const std::vector<uint8_t> blockCut = lf_bytes({2, 0, 0, 0, 1});
    WireReader shortBlock(blockCut);
    EXPECT_FALSE(shortBlock.block(block));
    EXPECT_TRUE(block.empty());
}

TEST(FrameSplitter, ReassemblesFramesFedByteByByte) {
    std::vector<uint8_t> stream;
    for (const auto& frame : {gf_encodeHello("one"), gf_encodeControl("failnext Close 1"),
                              gf_encodeRecordFrame(lf_bytes({12, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0}))}) {
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    FrameSplitter splitter;
    std::vector<WireFrame> frames;
    for (const uint8_t byte : stream) {
        ASSERT_TRUE(splitter.feed(std::span<const uint8_t>(&byte, 1)));
        while (auto frame = splitter.next()) {
            frames.push_back(std::move(*frame));
        }
    }
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(gf_decodeHello(frames[0]), "one");
    EXPECT_EQ(gf_decodeControl(frames[1]), "failnext Close 1");
    EXPECT_EQ(frames[2].kind, kWireKindRecord);
    EXPECT_EQ(frames[2].payload.size(), 12u);
    EXPECT_EQ(splitter.pendingBytes(), 0u);
}

TEST(FrameSplitter, ImpossibleLengthBreaksTheStream) {
    struct Case {
        const char* name;
        uint32_t length;
    };
    for (const Case& c : {Case{"below the kind", 3}, Case{"above the limit", 65}}) {
        FrameSplitter splitter(64);
        WireWriter writer;
        writer.u32(c.length);
        writer.u32(0);
        splitter.feed(writer.bytes());
        EXPECT_FALSE(splitter.next().has_value()) << c.name;
        EXPECT_TRUE(splitter.broken()) << c.name;
        EXPECT_FALSE(splitter.feed(gf_encodeHello("x"))) << c.name;
        EXPECT_FALSE(splitter.next().has_value()) << c.name;
    }
    FrameSplitter atLimit(64);
    atLimit.feed(gf_wireFrame(0, std::vector<uint8_t>(60, 1)));
    EXPECT_TRUE(atLimit.next().has_value());
}

// Every call that travels, with arguments in each field type, survives encoding and decoding.
TEST(SimCallCoding, EveryCallKindRoundTrips) {
    const std::vector<SimCall> calls = {
        {SimCallKind::Close, 9, {}, {}, {}, 0},
        {SimCallKind::SubscribeToSystemEvent, 1, {201}, {"Sim"}, {}, 0},
        {SimCallKind::AddToDataDefinition, 2, {404, 5, 0xFFFFFFFFu}, {"ATC ID", ""}, {}, 0.25f},
        {SimCallKind::MapClientEventToSimEvent, 3, {219}, {"GEAR_SET"}, {}, 0},
        {SimCallKind::AddClientEventToNotificationGroup, 4, {301, 207, 1}, {}, {}, 0},
        {SimCallKind::SetNotificationGroupPriority, 5, {301, 1}, {}, {}, 0},
        {SimCallKind::RequestDataOnSimObjectType, 6, {101, 404, 74080, 2}, {}, {}, 0},
        {SimCallKind::RequestDataOnSimObject, 7, {108, 409, 0, 4, 0, 0, 0, 0}, {}, {}, 0},
        {SimCallKind::SetDataOnSimObject, 8, {402, 77, 0, 0, 64}, {}, std::vector<uint8_t>(64, 0xA5), 0},
        {SimCallKind::TransmitClientEvent, 10, {77, 222, 16383, 301, 0}, {}, {}, 0},
        {SimCallKind::AIReleaseControl, 11, {77, 103}, {}, {}, 0},
        {SimCallKind::AICreateNonATCAircraft, 12, {104}, {"Airbus A320 Neo Asobo", "SWR123*"},
         std::vector<uint8_t>(56, 3), 0},
        {SimCallKind::AIRemoveObject, 13, {77, 105}, {}, {}, 0},
        {SimCallKind::AISetAircraftFlightPlan, 14, {77, 110}, {"/tmp/77.pln"}, {}, 0},
        {SimCallKind::AddToFacilityDefinition, 15, {1001}, {"OPEN AIRPORT"}, {}, 0},
        {SimCallKind::RequestFacilityData, 16, {1001, 2001}, {"LSZH", ""}, {}, 0},
    };
    for (const SimCall& call : calls) {
        FrameSplitter splitter;
        splitter.feed(gf_encodeSimCall(call));
        const std::optional<WireFrame> frame = splitter.next();
        ASSERT_TRUE(frame.has_value()) << gf_simCallName(call.kind);
        EXPECT_EQ(frame->kind, static_cast<uint32_t>(call.kind));
        EXPECT_EQ(gf_decodeSimCall(*frame), call) << gf_simCallName(call.kind);
    }
}

TEST(SimCallCoding, MismatchedFieldsAreAProgrammingError) {
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::AIRemoveObject, 1, {77}, {}, {}, 0}), std::invalid_argument);
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::Close, 1, {}, {"x"}, {}, 0}), std::invalid_argument);
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::Close, 1, {}, {}, {1}, 0}), std::invalid_argument);
    EXPECT_THROW(gf_encodeSimCall({SimCallKind::CallDispatch, 1, {}, {}, {}, 0}), std::invalid_argument);
}

TEST(SimCallCoding, MalformedPayloadsAreRejected) {
    const std::vector<uint8_t> good = gf_encodeSimCall({SimCallKind::AIRemoveObject, 1, {77, 105}, {}, {}, 0});
    WireFrame frame{static_cast<uint32_t>(SimCallKind::AIRemoveObject),
                    std::vector<uint8_t>(good.begin() + 8, good.end())};
    ASSERT_TRUE(gf_decodeSimCall(frame).has_value());

    WireFrame cut = frame;
    cut.payload.pop_back();
    EXPECT_FALSE(gf_decodeSimCall(cut).has_value());
    WireFrame longer = frame;
    longer.payload.push_back(0);
    EXPECT_FALSE(gf_decodeSimCall(longer).has_value());
    for (const uint32_t kind : {0u, 1u, 3u, 15u, 20u, 100u, 200u}) {
        WireFrame other = frame;
        other.kind = kind;
        EXPECT_FALSE(gf_decodeSimCall(other).has_value()) << kind;
    }
}

TEST(SimCallNames, NamesMapBothWays) {
    for (uint32_t k = 1; k <= kSimCallKindCount; ++k) {
        const auto kind = static_cast<SimCallKind>(k);
        EXPECT_EQ(gf_simCallFromName(gf_simCallName(kind)), kind);
        EXPECT_EQ(gf_simCallFromName("SimConnect_" + std::string(gf_simCallName(kind))), kind);
    }
    EXPECT_EQ(gf_simCallFromName("requestdataonsimobjecttype"), SimCallKind::RequestDataOnSimObjectType);
    EXPECT_FALSE(gf_simCallFromName("SimConnect_").has_value());
    EXPECT_FALSE(gf_simCallFromName("RequestSystemState").has_value());
}

TEST(ControlCommands, FailNextParsing) {
    struct Case {
        std::string text;
        std::optional<SimCallKind> function;
        uint32_t count;
    };
    const Case cases[] = {
        {"failnext GetLastSentPacketID 1", SimCallKind::GetLastSentPacketID, 1},
        {"failnext SimConnect_RequestDataOnSimObjectType 3", SimCallKind::RequestDataOnSimObjectType, 3},
        {"  failnext\tAIRemoveObject 0\n", SimCallKind::AIRemoveObject, 0},
        {"failnext Nothing 1", std::nullopt, 0},
        {"failnext AIRemoveObject -1", std::nullopt, 0},
        {"failnext AIRemoveObject 1x", std::nullopt, 0},
        {"failnext AIRemoveObject 99999999999", std::nullopt, 0},
        {"failnext AIRemoveObject", std::nullopt, 0},
        {"failnext AIRemoveObject 1 2", std::nullopt, 0},
        {"FAILNEXT AIRemoveObject 1", std::nullopt, 0},
        {"", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const std::optional<SimFailNext> parsed = gf_parseFailNext(c.text);
        ASSERT_EQ(parsed.has_value(), c.function.has_value()) << c.text;
        if (parsed) {
            EXPECT_EQ(parsed->function, *c.function) << c.text;
            EXPECT_EQ(parsed->count, c.count) << c.text;
        }
    }
    const std::optional<SimFailNext> built = gf_parseFailNext(gf_failNextCommand(SimCallKind::Close, 4));
    ASSERT_TRUE(built.has_value());
    EXPECT_EQ(built->function, SimCallKind::Close);
    EXPECT_EQ(built->count, 4u);
}

TEST(HelloAndControl, DecodersCheckKindAndExactPayload) {
    FrameSplitter splitter;
    splitter.feed(gf_encodeHello("PARKING_DATA_RDR"));
    WireFrame hello = *splitter.next();
    EXPECT_EQ(gf_decodeHello(hello), "PARKING_DATA_RDR");
    EXPECT_FALSE(gf_decodeControl(hello).has_value());
    hello.payload.push_back('x');
    EXPECT_FALSE(gf_decodeHello(hello).has_value());
}

TEST(WireFloat, SpecialValuesSurvive) {
    WireWriter writer;
    writer.f64(std::numeric_limits<double>::quiet_NaN());
    writer.f32(-0.0f);
    WireReader reader(writer.bytes());
    double nan = 0;
    float negativeZero = 1;
    ASSERT_TRUE(reader.f64(nan));
    ASSERT_TRUE(reader.f32(negativeZero));
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_TRUE(std::signbit(negativeZero));
}

}  // namespace
}  // namespace hlw
