#include "parking/park_airport_state.h"

#include "parking/parking_window_port.h"

namespace hlw {

bool gf_learnedReadIncomplete(LearnedRead read) noexcept
{
    return read == LearnedRead::stoppedEarly || read == LearnedRead::handmadeFailed ||
           read == LearnedRead::unparsable || read == LearnedRead::unreadable;
}

void LearnedUpdates::add()
{
    ++count_;
    gf_parkingWindow().learnedUpdatesChanged(count_);
}

void LearnedUpdates::reset()
{
    count_ = 0;
    gf_parkingWindow().learnedUpdatesChanged(count_);
}

void ParkAirportState::reset()
{
    clearStands();
    handmade = false;
    learnedUpdates.reset();
    quality = {};
    learnedRead = LearnedRead::none;
    keptLearnedEntries.reset();
}

} // namespace hlw
