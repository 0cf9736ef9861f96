#include "platform/sim/sim_wire.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace hlw {
namespace {

struct CallInfo {
    SimCallKind kind;
    std::string_view name;
    std::string_view layout;  // empty: never sent
    bool sent;
};

constexpr std::array<CallInfo, kSimCallKindCount> lf_calls{{
    {SimCallKind::Open, "Open", "", false},
    {SimCallKind::Close, "Close", "", true},
    {SimCallKind::CallDispatch, "CallDispatch", "", false},
    {SimCallKind::SubscribeToSystemEvent, "SubscribeToSystemEvent", "us", true},
    {SimCallKind::AddToDataDefinition, "AddToDataDefinition", "ussufu", true},
    {SimCallKind::MapClientEventToSimEvent, "MapClientEventToSimEvent", "us", true},
    {SimCallKind::AddClientEventToNotificationGroup, "AddClientEventToNotificationGroup", "uuu", true},
    {SimCallKind::SetNotificationGroupPriority, "SetNotificationGroupPriority", "uu", true},
    {SimCallKind::RequestDataOnSimObjectType, "RequestDataOnSimObjectType", "uuuu", true},
    {SimCallKind::RequestDataOnSimObject, "RequestDataOnSimObject", "uuuuuuuu", true},
    {SimCallKind::SetDataOnSimObject, "SetDataOnSimObject", "uuuuub", true},
    {SimCallKind::TransmitClientEvent, "TransmitClientEvent", "uuuuu", true},
    {SimCallKind::AIReleaseControl, "AIReleaseControl", "uu", true},
    {SimCallKind::AICreateNonATCAircraft, "AICreateNonATCAircraft", "ssbu", true},
    {SimCallKind::GetLastSentPacketID, "GetLastSentPacketID", "", false},
    {SimCallKind::AIRemoveObject, "AIRemoveObject", "uu", true},
    {SimCallKind::AISetAircraftFlightPlan, "AISetAircraftFlightPlan", "usu", true},
    {SimCallKind::AddToFacilityDefinition, "AddToFacilityDefinition", "us", true},
    {SimCallKind::RequestFacilityData, "RequestFacilityData", "uuss", true},
}};

const CallInfo* lf_callInfo(uint32_t kind) {
    if (kind < 1 || kind > kSimCallKindCount) {
        return nullptr;
    }
    return &lf_calls[kind - 1];
}

bool lf_equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

uint32_t lf_loadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void lf_checkFields(const SimCall& call, std::string_view layout) {
    const auto count = [&](char c) { return static_cast<size_t>(std::count(layout.begin(), layout.end(), c)); };
    if (call.numbers.size() != count('u') || call.texts.size() != count('s') ||
        (count('b') == 0 && !call.block.empty())) {
        throw std::invalid_argument("simulator call fields do not match the call's layout");
    }
}

// A frame whose payload is one text (the hello and control frames).
std::vector<uint8_t> lf_encodeTextFrame(uint32_t kind, std::string_view text) {
    WireWriter writer;
    writer.text(text);
    return gf_wireFrame(kind, writer.bytes());
}

// The text of a frame of that kind; nullopt for another kind or a payload that is not exactly one text.
std::optional<std::string> lf_decodeTextFrame(uint32_t kind, const WireFrame& frame) {
    if (frame.kind != kind) {
        return std::nullopt;
    }
    WireReader reader(frame.payload);
    std::string text;
    if (!reader.text(text) || !reader.atEnd()) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::string_view gf_simCallName(SimCallKind kind) {
    const CallInfo* info = lf_callInfo(static_cast<uint32_t>(kind));
    return info ? info->name : std::string_view{"?"};
}

std::optional<SimCallKind> gf_simCallFromName(std::string_view name) {
    constexpr std::string_view prefix = "SimConnect_";
    if (name.size() > prefix.size() && lf_equalNoCase(name.substr(0, prefix.size()), prefix)) {
        name.remove_prefix(prefix.size());
    }
    for (const CallInfo& info : lf_calls) {
        if (lf_equalNoCase(info.name, name)) {
            return info.kind;
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> gf_simCallLayout(uint32_t kind) {
    const CallInfo* info = lf_callInfo(kind);
    if (!info || !info->sent) {
        return std::nullopt;
    }
    return info->layout;
}

void WireWriter::u32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void WireWriter::f32(float value) { u32(std::bit_cast<uint32_t>(value)); }

void WireWriter::f64(double value) {
    const auto bits = std::bit_cast<uint64_t>(value);
    u32(static_cast<uint32_t>(bits));
    u32(static_cast<uint32_t>(bits >> 32));
}

void WireWriter::text(std::string_view value) {
    u32(static_cast<uint32_t>(value.size()));
    bytes_.insert(bytes_.end(), value.begin(), value.end());
}

void WireWriter::block(std::span<const uint8_t> value) {
    u32(static_cast<uint32_t>(value.size()));
    raw(value);
}

void WireWriter::raw(std::span<const uint8_t> value) { bytes_.insert(bytes_.end(), value.begin(), value.end()); }

void WireWriter::patchU32(size_t offset, uint32_t value) {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) {
        throw std::out_of_range("patch beyond the written bytes");
    }
    for (int i = 0; i < 4; ++i) {
        bytes_[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

bool WireReader::take(size_t count, const uint8_t*& start) {
    if (!ok_ || count > remaining()) {
        ok_ = false;
        return false;
    }
    start = bytes_.data() + pos_;
    pos_ += count;
    return true;
}

bool WireReader::u32(uint32_t& value) {
    const uint8_t* p = nullptr;
    if (!take(4, p)) {
        return false;
    }
    value = lf_loadU32(p);
    return true;
}

bool WireReader::f32(float& value) {
    uint32_t bits = 0;
    if (!u32(bits)) {
        return false;
    }
    value = std::bit_cast<float>(bits);
    return true;
}

bool WireReader::f64(double& value) {
    const uint8_t* p = nullptr;
    if (!take(8, p)) {
        return false;
    }
    value = std::bit_cast<double>(static_cast<uint64_t>(lf_loadU32(p)) | static_cast<uint64_t>(lf_loadU32(p + 4)) << 32);
    return true;
}

bool WireReader::lengthPrefixed(std::span<const uint8_t>& value) {
    const size_t mark = pos_;
    uint32_t length = 0;
    const uint8_t* p = nullptr;
    if (!u32(length) || !take(length, p)) {
        pos_ = mark;
        ok_ = false;
        return false;
    }
    value = {p, length};
    return true;
}

bool WireReader::text(std::string& value) {
    std::span<const uint8_t> bytes;
    if (!lengthPrefixed(bytes)) {
        return false;
    }
    value.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
}

bool WireReader::block(std::vector<uint8_t>& value) {
    std::span<const uint8_t> bytes;
    if (!lengthPrefixed(bytes)) {
        return false;
    }
    value.assign(bytes.begin(), bytes.end());
    return true;
}

std::vector<uint8_t> gf_wireFrame(uint32_t kind, std::span<const uint8_t> payload) {
    WireWriter writer;
    writer.u32(static_cast<uint32_t>(payload.size() + 4));
    writer.u32(kind);
    writer.raw(payload);
    return writer.take();
}

bool FrameSplitter::feed(std::span<const uint8_t> bytes) {
    if (broken_) {
        return false;
    }
    // Drop consumed bytes before growing, so a long-lived stream does not keep its whole history.
    if (start_ > 0 && start_ >= buffer_.size() / 2) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return true;
}

std::optional<WireFrame> FrameSplitter::next() {
    if (broken_ || pendingBytes() < 4) {
        return std::nullopt;
    }
    const uint32_t length = lf_loadU32(buffer_.data() + start_);
    if (length < 4 || length > maxFrameBytes_) {
        broken_ = true;
        return std::nullopt;
    }
    if (pendingBytes() - 4 < length) {
        return std::nullopt;
    }
    const uint8_t* body = buffer_.data() + start_ + 4;
    WireFrame frame;
    frame.kind = lf_loadU32(body);
    frame.payload.assign(body + 4, body + length);
    start_ += 4 + static_cast<size_t>(length);
    return frame;
}

std::vector<uint8_t> gf_encodeSimCall(const SimCall& call) {
    const std::optional<std::string_view> layout = gf_simCallLayout(static_cast<uint32_t>(call.kind));
    if (!layout) {
        throw std::invalid_argument("this simulator call is never sent");
    }
    lf_checkFields(call, *layout);
    WireWriter writer;
    writer.u32(call.packetId);
    size_t number = 0;
    size_t textIndex = 0;
    for (const char field : *layout) {
        switch (field) {
            case 'u': writer.u32(call.numbers[number++]); break;
            case 's': writer.text(call.texts[textIndex++]); break;
            case 'b': writer.block(call.block); break;
            case 'f': writer.f32(call.epsilon); break;
            default: break;
        }
    }
    return gf_wireFrame(static_cast<uint32_t>(call.kind), writer.bytes());
}

std::optional<SimCall> gf_decodeSimCall(const WireFrame& frame) {
    const std::optional<std::string_view> layout = gf_simCallLayout(frame.kind);
    if (!layout) {
        return std::nullopt;
    }
    SimCall call;
    call.kind = static_cast<SimCallKind>(frame.kind);
    WireReader reader(frame.payload);
    reader.u32(call.packetId);
    for (const char field : *layout) {
        switch (field) {
            case 'u': {
                uint32_t value = 0;
                reader.u32(value);
                call.numbers.push_back(value);
                break;
            }
            case 's': {
                std::string value;
                reader.text(value);
                call.texts.push_back(std::move(value));
                break;
            }
            case 'b': reader.block(call.block); break;
            case 'f': reader.f32(call.epsilon); break;
            default: break;
        }
    }
    if (!reader.atEnd()) {
        return std::nullopt;
    }
    return call;
}

std::vector<uint8_t> gf_encodeHello(std::string_view clientName) {
    return lf_encodeTextFrame(kWireKindHello, clientName);
}

std::optional<std::string> gf_decodeHello(const WireFrame& frame) {
    return lf_decodeTextFrame(kWireKindHello, frame);
}

std::vector<uint8_t> gf_encodeRecordFrame(std::span<const uint8_t> record) {
    return gf_wireFrame(kWireKindRecord, record);
}

std::vector<uint8_t> gf_encodeControl(std::string_view command) {
    return lf_encodeTextFrame(kWireKindControl, command);
}

std::optional<std::string> gf_decodeControl(const WireFrame& frame) {
    return lf_decodeTextFrame(kWireKindControl, frame);
}

std::string gf_failNextCommand(SimCallKind function, uint32_t count) {
    return "failnext " + std::string(gf_simCallName(function)) + " " + std::to_string(count);
}

std::optional<SimFailNext> gf_parseFailNext(std::string_view command) {
    std::vector<std::string_view> words;
    size_t pos = 0;
    while (pos < command.size()) {
        const size_t begin = command.find_first_not_of(" \t\r\n", pos);
        if (begin == std::string_view::npos) {
            break;
        }
        const size_t end = std::min(command.find_first_of(" \t\r\n", begin), command.size());
        words.push_back(command.substr(begin, end - begin));
        pos = end;
    }
    if (words.size() != 3 || words[0] != "failnext") {
        return std::nullopt;
    }
    const std::optional<SimCallKind> function = gf_simCallFromName(words[1]);
    uint32_t count = 0;
    const auto [end, error] = std::from_chars(words[2].data(), words[2].data() + words[2].size(), count);
    if (!function || error != std::errc{} || end != words[2].data() + words[2].size()) {
        return std::nullopt;
    }
    return SimFailNext{*function, count};
}

}  // namespace hlw
