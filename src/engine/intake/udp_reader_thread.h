#pragma once
// One UDP reader: a bound socket and the thread that receives on it, handing each datagram to its sink.
//
// The worker starts, stops and joins the thread; stop() may come from any thread and ends the thread at once
// (the socket is woken), not only at the next receive time-out. Every datagram received counts for the reader's
// liveness, also one that is not handled. On every interface a datagram equal to the previous one is not handed
// on again (a sender that repeats itself); on 127.0.0.1 every datagram is. A datagram that fills the receive
// buffer is logged and dropped. A socket that cannot be set up, a receive error and an exception of the sink
// stop the run with "READER ERROR" (engine/stop_requests.h).
#include "core/steady_time_source.h"
#include "engine/base/log_throttle.h"
#include "engine/intake/traffic_line_parser.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace hlw {

namespace net {
class UdpReceiver;
}

// What a reader does with what it receives; every call comes on the reader's thread.
class DatagramSink {
public:
    virtual ~DatagramSink() = default;
    // The socket is bound; no datagram has come yet.
    virtual void onStarted() = 0;
    virtual void onDatagram(std::string_view datagram) = 0;
    // A datagram that is not handed on: LineDrop::repeated or LineDrop::oversize.
    virtual void onSkipped(LineDrop reason) = 0;
    // The loop ended because it was asked to (not after an error).
    virtual void onStopped() = 0;
    // The reader is down, whatever ended it (also a socket that could not be set up).
    virtual void onClosed() = 0;
};

class UdpReaderThread {
public:
    // Datagrams of this size or more are oversize.
    static constexpr std::size_t bufferSize = 16384;

    // name is what the log and the stop message call the reader ("QNH Reader", "Traffic Reader").
    UdpReaderThread(std::string name, DatagramSink& sink, SteadyTimeSource& time,
                    std::chrono::milliseconds receiveTimeout = std::chrono::seconds(1));
    ~UdpReaderThread();
    UdpReaderThread(const UdpReaderThread&) = delete;
    UdpReaderThread& operator=(const UdpReaderThread&) = delete;

    // Worker: binds the port (127.0.0.1 when localOnly, else every address) and starts the thread, after joining
    // an earlier one. A socket that cannot be set up stops the run with "READER ERROR", its message naming the
    // port, and gives false.
    bool start(uint16_t port, bool localOnly);
    // Any thread.
    void stop() noexcept;
    // Worker: waits for the thread and closes the socket.
    void join();

    bool running() const noexcept { return running_.load(); }
    // The bound port while started (after binding port 0: the port the system chose).
    uint16_t port() const noexcept { return port_.load(); }
    // Datagrams received since the start or the last reset.
    uint64_t datagramCount() const noexcept { return datagrams_.load(); }
    void resetDatagramCount() noexcept { datagrams_.store(0); }

private:
    void run();
    void receiveLoop();
    void handle(std::string_view datagram);

    const std::string name_;
    DatagramSink& sink_;
    const std::chrono::milliseconds receiveTimeout_;
    LogThrottle overrunLog_;
    std::mutex receiverMutex_; // guards receiver_ against stop() from other threads
    std::unique_ptr<net::UdpReceiver> receiver_;
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> running_{false};
    std::atomic<uint16_t> port_{0};
    std::atomic<uint64_t> datagrams_{0};
    bool localOnly_ = false;
    std::string previous_; // the reader thread's: the last datagram handed on, on every interface
};

} // namespace hlw
