// The framed simulator protocol. The input is a byte stream as it arrives on a connection: it is cut into frames
// whole and in chunks of fuzzer-chosen sizes (byte 0), which must give the same frames; every frame that decodes
// as a call, a hello or a control command encodes back to the same bytes. The field reader is driven by the
// same bytes as a list of reads.
#include "fuzz_check.h"

#include "platform/sim/sim_wire.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace hlw;
using fuzz::check;

struct SplitResult {
    std::vector<WireFrame> frames;
    bool broken = false;
    std::size_t pending = 0;
};

bool lf_sameFrames(const std::vector<WireFrame>& a, const std::vector<WireFrame>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const WireFrame& x, const WireFrame& y) {
        return x.kind == y.kind && x.payload == y.payload;
    });
}

void lf_drain(FrameSplitter& splitter, SplitResult& result)
{
    while (std::optional<WireFrame> frame = splitter.next()) {
        result.frames.push_back(std::move(*frame));
    }
}

SplitResult lf_split(std::span<const uint8_t> stream, std::size_t chunk, uint32_t maxFrameBytes)
{
    FrameSplitter splitter(maxFrameBytes);
    SplitResult result;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        const bool fed = splitter.feed(stream.subspan(at, std::min(chunk, stream.size() - at)));
        check(fed != splitter.broken(), "feeding fails exactly when the stream is broken");
        lf_drain(splitter, result);
    }
    result.broken = splitter.broken();
    result.pending = splitter.pendingBytes();
    return result;
}

void lf_checkFrame(const WireFrame& frame)
{
    const std::vector<uint8_t> bytes = gf_wireFrame(frame.kind, frame.payload);
    if (const std::optional<SimCall> call = gf_decodeSimCall(frame)) {
        check(gf_simCallLayout(frame.kind).has_value(), "only call kinds decode as calls");
        std::vector<uint8_t> encoded;
        try {
            encoded = gf_encodeSimCall(*call);
        } catch (const std::invalid_argument&) {
            check(false, "a decoded call encodes again");
        }
        check(encoded == bytes, "a decoded call encodes to the same bytes");
    }
    if (const std::optional<std::string> name = gf_decodeHello(frame)) {
        check(gf_encodeHello(*name) == bytes, "a decoded hello encodes to the same bytes");
    }
    if (const std::optional<std::string> command = gf_decodeControl(frame)) {
        check(gf_encodeControl(*command) == bytes, "a decoded control frame encodes to the same bytes");
        if (const std::optional<SimFailNext> failNext = gf_parseFailNext(*command)) {
            const std::optional<SimFailNext> again =
                gf_parseFailNext(gf_failNextCommand(failNext->function, failNext->count));
            check(again && again->function == failNext->function && again->count == failNext->count,
                  "a parsed failnext command writes and parses back the same");
        }
    }
}

void lf_checkSplitter(std::span<const uint8_t> stream, std::size_t chunk)
{
    const SplitResult whole = lf_split(stream, std::max<std::size_t>(stream.size(), 1), kWireMaxFrameBytes);
    const SplitResult pieces = lf_split(stream, chunk, kWireMaxFrameBytes);
    check(lf_sameFrames(whole.frames, pieces.frames) && whole.broken == pieces.broken, "chunking does not change the frames");
    std::size_t consumed = 0;
    for (const WireFrame& frame : whole.frames) {
        const std::vector<uint8_t> bytes = gf_wireFrame(frame.kind, frame.payload);
        check(std::equal(bytes.begin(), bytes.end(), stream.begin() + static_cast<std::ptrdiff_t>(consumed)),
              "a frame is the bytes it was cut from");
        consumed += bytes.size();
        lf_checkFrame(frame);
    }
    if (!whole.broken) {
        check(consumed + whole.pending == stream.size(), "every byte is in a frame or pending");
        check(whole.pending == pieces.pending, "chunking leaves the same bytes pending");
    }

    constexpr uint32_t smallLimit = 64;
    for (const WireFrame& frame : lf_split(stream, chunk, smallLimit).frames) {
        check(frame.payload.size() + 4 <= smallLimit, "no frame is longer than the limit");
    }
}

// Reads by the letters u, f, d, s, b (the byte's value modulo 5) until the reader fails; a failed read leaves
// the position and the output alone, and every later read fails too.
void lf_checkReader(std::span<const uint8_t> reads, std::span<const uint8_t> bytes)
{
    WireReader reader(bytes);
    for (const uint8_t read : reads) {
        const std::size_t before = reader.remaining();
        const bool wasOk = reader.ok();
        std::string text = "kept";
        std::vector<uint8_t> block{1};
        uint32_t number = 7;
        float single = 7;
        double twice = 7;
        bool done = false;
        std::size_t used = 0;
        switch (read % 5) {
        case 0: done = reader.u32(number); used = 4; break;
        case 1: done = reader.f32(single); used = 4; break;
        case 2: done = reader.f64(twice); used = 8; break;
        case 3: done = reader.text(text); used = 4 + text.size(); break;
        default: done = reader.block(block); used = 4 + block.size(); break;
        }
        if (done) {
            check(wasOk && before - reader.remaining() == used, "a read takes exactly its field");
        } else {
            check(!reader.ok() && reader.remaining() == before, "a failed read moves nothing");
            check(text == "kept" && block.size() == 1 && number == 7, "a failed read leaves its output alone");
        }
        check(reader.remaining() <= bytes.size(), "the reader stays inside its bytes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> input(data, size);
    if (input.empty()) {
        lf_checkSplitter(input, 1);
        return 0;
    }
    const std::span<const uint8_t> stream = input.subspan(1);
    lf_checkSplitter(stream, static_cast<std::size_t>(input[0] % 16) + 1);
    const std::size_t readCount = std::min<std::size_t>(input[0] % 8, stream.size());
    lf_checkReader(stream.first(readCount), stream.subspan(readCount));
    return 0;
}
