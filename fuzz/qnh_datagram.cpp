// The QNH datagram reader: never throws, gives a pressure within 900 ... 1100 hPa or a problem line, never both.
#include "fuzz_check.h"

#include "engine/intake/qnh_datagram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    using fuzz::check;
    const QnhReading reading = gf_readQnhDatagram(fuzz::asText(data, size));
    check(reading.hpa.has_value() == reading.problem.empty(), "a pressure or a problem, never both");
    check(!reading.hpa || (*reading.hpa >= lowestQnh && *reading.hpa <= highestQnh),
          "the pressure is within 900 ... 1100");
    check(!reading.alert || !reading.hpa, "only a problem is an alert");
    return 0;
}
