#pragma once
// Outcomes of the blocking socket calls. Failures are values, not exceptions: a peer that goes away or a
// time-out is part of normal running, and the caller decides what to log.
#include <chrono>
#include <cstddef>
#include <string>
#include <utility>

namespace hlw::net {

// Which addresses a receiving or listening socket is bound to.
enum class BindScope { loopback, anyAddress };

// A time-out value meaning "wait until something happens or wake() is called".
inline constexpr std::chrono::milliseconds kWaitForever{-1};

enum class ReceiveStatus {
    data,     // size bytes were received (a UDP datagram may be empty)
    timedOut, // nothing arrived within the time-out (also a receive interrupted by a signal)
    closed,   // the TCP peer closed its side, or there is no connected client
    woken,    // wake() was called; the socket takes no more data
    overrun,  // the datagram or reply filled the whole buffer; size is its length (for UDP the full length)
    failed    // errorCode holds the errno value
};

struct ReceiveResult {
    ReceiveResult(ReceiveStatus result = ReceiveStatus::timedOut, std::size_t bytes = 0, int code = 0) noexcept
        : status(result), size(bytes), errorCode(code) {}

    ReceiveStatus status;
    std::size_t size;
    int errorCode;

    bool hasData() const noexcept { return status == ReceiveStatus::data; }
    // "{code} {text}" of errorCode; empty when there is no error code.
    std::string errorText() const;
};

struct SendResult {
    SendResult(bool sent = false, int code = 0) noexcept : ok(sent), errorCode(code) {}

    bool ok;
    int errorCode;

    std::string errorText() const;
};

enum class AcceptStatus {
    accepted,         // a new client is connected
    alreadyConnected, // a client is connected already; nothing was done
    timedOut,         // no client within the time-out
    woken,            // wake() was called; the server accepts no more clients
    failed            // errorText says what failed
};

struct AcceptResult {
    AcceptResult(AcceptStatus result = AcceptStatus::timedOut, int code = 0, std::string text = {})
        : status(result), errorCode(code), errorText(std::move(text)) {}

    AcceptStatus status;
    int errorCode;
    std::string errorText;
    // Connections taken from the listen queue and closed at once because their peer had already gone.
    int closedPeersDropped = 0;
};

} // namespace hlw::net
