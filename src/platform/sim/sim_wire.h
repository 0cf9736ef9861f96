#pragma once
// The framed protocol between the simulator client layer and the simulator stand-in, over loopback TCP.
// Both ends use this encoder and decoder.
//
// Frame: u32 length, u32 kind, payload; little-endian. length counts the bytes after the length field
// (the kind and the payload), so it is at least 4 and at most kWireMaxFrameBytes.
// Field encodings: u32 and f32 as 4 bytes, f64 as 8 bytes, a text as u32 byte count + bytes (no NUL),
// a block as u32 byte count + bytes.
//
// Client -> stand-in:
//   kind 100 HELLO: text client name. The first frame of every connection; carries no packet id.
//   kind 1..19: one call of the client library, numbered in this order (SimCallKind). The payload is the
//   u32 packet id, then the arguments in the order the function takes them (u = u32, s = text,
//   b = block, f = f32; enums, flags and BOOL as u32):
//      2 Close                              (nothing more)
//      4 SubscribeToSystemEvent             u event, s name
//      5 AddToDataDefinition                u define, s datum, s unit ("" for none), u datatype,
//                                           f epsilon, u datum id
//      6 MapClientEventToSimEvent           u event, s name
//      7 AddClientEventToNotificationGroup  u group, u event, u maskable
//      8 SetNotificationGroupPriority       u group, u priority
//      9 RequestDataOnSimObjectType         u request, u define, u radius metres, u object type
//     10 RequestDataOnSimObject             u request, u define, u object, u period, u flags, u origin,
//                                           u interval, u limit
//     11 SetDataOnSimObject                 u define, u object, u flags, u array count, u unit size,
//                                           b data (unit size x max(1, array count) bytes)
//     12 TransmitClientEvent                u object, u event, u data, u group, u flags
//     13 AIReleaseControl                   u object, u request
//     14 AICreateNonATCAircraft             s title, s tail number, b initial position (56 bytes), u request
//     16 AIRemoveObject                     u object, u request
//     17 AISetAircraftFlightPlan            u object, s path, u request
//     18 AddToFacilityDefinition            u define, s field name
//     19 RequestFacilityData                u define, u request, s ICAO, s region
//   Kinds 1 (Open: the HELLO frame stands for it), 3 (CallDispatch) and 15 (GetLastSentPacketID) are
//   handled inside the client and never sent. Packet ids count 1, 2, ... per connection.
//
// Stand-in -> client:
//   kind 0 RECORD: the payload is exactly one receive record (SIMCONNECT_RECV ...); its dwSize equals
//   the payload length. The client hands it to the dispatch procedure.
//   kind 200 CONTROL: text command for the client layer itself, never shown to the dispatch procedure:
//     "failnext <function> <n>"  the next n calls of <function> (the name without "SimConnect_", e.g.
//                                "RequestDataOnSimObjectType"; the prefix is accepted too) return
//                                E_FAIL without being sent; n = 0 cancels.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hlw {

inline constexpr uint32_t kWireKindRecord = 0;
inline constexpr uint32_t kWireKindHello = 100;
inline constexpr uint32_t kWireKindControl = 200;
inline constexpr uint32_t kWireMaxFrameBytes = 1u << 20;

enum class SimCallKind : uint32_t {
    Open = 1,
    Close = 2,
    CallDispatch = 3,
    SubscribeToSystemEvent = 4,
    AddToDataDefinition = 5,
    MapClientEventToSimEvent = 6,
    AddClientEventToNotificationGroup = 7,
    SetNotificationGroupPriority = 8,
    RequestDataOnSimObjectType = 9,
    RequestDataOnSimObject = 10,
    SetDataOnSimObject = 11,
    TransmitClientEvent = 12,
    AIReleaseControl = 13,
    AICreateNonATCAircraft = 14,
    GetLastSentPacketID = 15,
    AIRemoveObject = 16,
    AISetAircraftFlightPlan = 17,
    AddToFacilityDefinition = 18,
    RequestFacilityData = 19,
};
inline constexpr uint32_t kSimCallKindCount = 19;

// The function's name without the "SimConnect_" prefix, e.g. "AIRemoveObject".
std::string_view gf_simCallName(SimCallKind kind);
// Accepts the name with or without the prefix, in any letter case.
std::optional<SimCallKind> gf_simCallFromName(std::string_view name);
// The payload fields after the packet id (letters u, s, b, f as above); nullopt for the kinds that are
// never sent (Open, CallDispatch, GetLastSentPacketID) and for numbers that are no call.
std::optional<std::string_view> gf_simCallLayout(uint32_t kind);

// Appends fields to a growing byte buffer.
class WireWriter {
public:
    void u32(uint32_t value);
    void f32(float value);
    void f64(double value);
    void text(std::string_view value);
    void block(std::span<const uint8_t> value);
    void raw(std::span<const uint8_t> value);
    // Overwrites four bytes written earlier, e.g. a length known only at the end.
    void patchU32(size_t offset, uint32_t value);

    size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

// Reads fields from a byte span. A read that would pass the end fails, leaves its output untouched and
// makes every later read fail too, so a caller may check ok() once after a run of reads.
class WireReader {
public:
    explicit WireReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    // The reader only views the bytes; a temporary buffer would be gone before the first read.
    explicit WireReader(std::vector<uint8_t>&&) = delete;

    bool u32(uint32_t& value);
    bool f32(float& value);
    bool f64(double& value);
    bool text(std::string& value);
    bool block(std::vector<uint8_t>& value);

    bool ok() const { return ok_; }
    size_t remaining() const { return bytes_.size() - pos_; }
    bool atEnd() const { return ok_ && pos_ == bytes_.size(); }

private:
    bool take(size_t count, const uint8_t*& start);
    // A u32 length and that many bytes; on failure the position stays before the length.
    bool lengthPrefixed(std::span<const uint8_t>& value);

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    bool ok_ = true;
};

struct WireFrame {
    uint32_t kind = 0;
    std::vector<uint8_t> payload;
};

// The complete frame bytes (length, kind, payload).
std::vector<uint8_t> gf_wireFrame(uint32_t kind, std::span<const uint8_t> payload);

// Cuts a byte stream into frames. Bytes may arrive in chunks of any size. A length field below 4 or above the
// limit breaks the stream: nothing after it can be trusted, so no further frame is returned.
class FrameSplitter {
public:
    explicit FrameSplitter(uint32_t maxFrameBytes = kWireMaxFrameBytes) : maxFrameBytes_(maxFrameBytes) {}

    // Returns false once the stream is broken.
    bool feed(std::span<const uint8_t> bytes);
    std::optional<WireFrame> next();

    bool broken() const { return broken_; }
    // Bytes received that do not yet form a complete frame.
    size_t pendingBytes() const { return buffer_.size() - start_; }

private:
    std::vector<uint8_t> buffer_;
    size_t start_ = 0;
    uint32_t maxFrameBytes_;
    bool broken_ = false;
};

// One call of the client library as it travels on the wire. The fields hold the function's arguments
// in its order, by type (see the table above).
struct SimCall {
    SimCallKind kind = SimCallKind::Close;
    uint32_t packetId = 0;
    std::vector<uint32_t> numbers;   // u fields in order
    std::vector<std::string> texts;  // s fields in order
    std::vector<uint8_t> block;      // the b field, where the call has one
    float epsilon = 0;               // the f field of AddToDataDefinition

    bool operator==(const SimCall&) const = default;
};

// The complete frame of a call. Throws std::invalid_argument when the call's fields do not match its
// kind's layout (a programming error, not input).
std::vector<uint8_t> gf_encodeSimCall(const SimCall& call);
// nullopt when the frame is no call kind or its payload does not match the layout exactly.
std::optional<SimCall> gf_decodeSimCall(const WireFrame& frame);

std::vector<uint8_t> gf_encodeHello(std::string_view clientName);
std::optional<std::string> gf_decodeHello(const WireFrame& frame);

std::vector<uint8_t> gf_encodeRecordFrame(std::span<const uint8_t> record);

std::vector<uint8_t> gf_encodeControl(std::string_view command);
std::optional<std::string> gf_decodeControl(const WireFrame& frame);

// A parsed "failnext <function> <n>" command.
struct SimFailNext {
    SimCallKind function = SimCallKind::Close;
    uint32_t count = 0;
};
std::string gf_failNextCommand(SimCallKind function, uint32_t count);
// nullopt for any other text, an unknown function, or a count that is not a whole number.
std::optional<SimFailNext> gf_parseFailNext(std::string_view command);

}  // namespace hlw
