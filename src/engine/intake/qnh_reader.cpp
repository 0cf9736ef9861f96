#include "engine/intake/qnh_reader.h"

#include "core/log.h"
#include "engine/intake/datagram_text.h"

namespace hlw {

QnhValue::QnhValue(StatusBoard& status) : status_(status) {}

void QnhValue::publish(int32_t hpa)
{
    hpa_.store(hpa);
    status_.update([hpa](StatusValues& values) { values.qnh = hpa; });
}

void QnhValue::reset() { publish(standardQnh); }

QnhReader::QnhReader(QnhValue& qnh, StatusBoard& status, SteadyTimeSource& time)
    : qnh_(qnh), status_(status), problems_(time)
{
}

void QnhReader::onStarted()
{
    status_.update([](StatusValues& values) { values.qnhReader = ReaderLamp::receiving; });
}

void QnhReader::onDatagram(std::string_view datagram)
{
    const QnhReading reading = gf_readQnhDatagram(datagram);
    if (!reading.hpa) {
        refused_.fetch_add(1);
        const std::string line = gf_datagramLogText(reading.problem);
        if (reading.alert) {
            problems_.alert(line, line);
        } else {
            problems_.log(line);
        }
        return;
    }
    if (*reading.hpa == qnh_.hpa() && *reading.hpa != standardQnh) {
        return;
    }
    qnh_.publish(*reading.hpa);
    published_.fetch_add(1);
    status_.update([](StatusValues& values) {
        if (values.qnhReader == ReaderLamp::stalled) {
            values.qnhReader = ReaderLamp::receiving;
        }
    });
}

void QnhReader::onSkipped(LineDrop reason)
{
    static_cast<void>(reason);
    skipped_.fetch_add(1);
}

void QnhReader::onStopped() { gf_log("QNH Reader has stopped"); }

void QnhReader::onClosed()
{
    status_.update([](StatusValues& values) { values.qnhReader = ReaderLamp::notRunning; });
}

void QnhReader::resetCounts() noexcept
{
    published_.store(0);
    refused_.store(0);
    skipped_.store(0);
}

} // namespace hlw
