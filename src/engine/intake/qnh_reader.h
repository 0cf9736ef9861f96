#pragma once
// The QNH reader's handling of its datagrams, and the QNH the engine and the window see.
#include "core/status_board.h"
#include "engine/base/log_throttle.h"
#include "engine/intake/qnh_datagram.h"
#include "engine/intake/udp_reader_thread.h"

#include <atomic>
#include <cstdint>

namespace hlw {

// The QNH in hPa. Its holders are written together by one setter and set back together by one reset: the
// value the QNH reader published last (which the traffic side and the air motion read) and the window's
// display.
class QnhValue {
public:
    explicit QnhValue(StatusBoard& status);

    int32_t hpa() const noexcept { return hpa_.load(); }
    void publish(int32_t hpa);
    // Back to 1013 hPa.
    void reset();

private:
    StatusBoard& status_;
    std::atomic<int32_t> hpa_{standardQnh};
};

struct QnhReaderCounts {
    uint64_t published = 0; // datagrams that set the QNH
    uint64_t refused = 0;   // datagrams without a usable pressure
    uint64_t skipped = 0;   // repeated or oversize datagrams, not handled
};

class QnhReader final : public DatagramSink {
public:
    QnhReader(QnhValue& qnh, StatusBoard& status, SteadyTimeSource& time);

    void onStarted() override;
    // A pressure equal to the last one is published again only when it is 1013; a new one turns a stale lamp
    // back to receiving.
    void onDatagram(std::string_view datagram) override;
    void onSkipped(LineDrop reason) override;
    void onStopped() override;
    void onClosed() override;

    QnhReaderCounts counts() const noexcept { return {published_.load(), refused_.load(), skipped_.load()}; }
    void resetCounts() noexcept;

private:
    QnhValue& qnh_;
    StatusBoard& status_;
    LogThrottle problems_;
    std::atomic<uint64_t> published_{0};
    std::atomic<uint64_t> refused_{0};
    std::atomic<uint64_t> skipped_{0};
};

} // namespace hlw
