#pragma once
// The stands of the loaded park airport and what belongs to them: the handmade flag of its learned file, the
// count of learned changes since the load or the last save, the two quality factors, how far the learned file
// was read and the learned entries that matched no stand. The worker owns one and passes it on; nothing here
// is shared with another thread.
#include "records/stand_record.h"

#include <pugixml.hpp>

#include <cstdint>
#include <vector>

namespace hlw {

// Quality factors 0 to 100 of real and of soft stand use; -1 when the airport has no learned use.
struct QualityPair {
    int32_t real = -1;
    int32_t soft = -1;
    bool operator==(const QualityPair&) const = default;
};

// How far the learned file of the park airport was read.
enum class LearnedRead {
    none,             // there was no learned file
    complete,         // everything was read
    clearedByVersion, // an older program wrote it: the learned options of the airport's stands were not read
    stoppedEarly,     // no meta block, or an error part-way: the rest was not read
    handmadeFailed,   // a handmade file with a bad stand id or too many stands: its stands are incomplete
    unparsable,       // not XML
    damagedKeptAside, // not XML or stopped early, and moved to a name of its own: a save writes a new file
    unreadable,       // could not be opened or read, or beyond the reader's caps: its content is not known to be
                      // damaged, so it stays where it is and nothing is saved over it
};

// True when a save from memory would lose what the learned file holds beyond what was read.
bool gf_learnedReadIncomplete(LearnedRead read) noexcept;

// Counts the learned stand-use changes and tells the window every new count.
class LearnedUpdates {
  public:
    int32_t count() const noexcept { return count_; }
    void add();
    void reset();

  private:
    int32_t count_ = 0;
};

class ParkAirportState {
  public:
    std::vector<StandRecord> stands;
    bool handmade = false;
    LearnedUpdates learnedUpdates;
    QualityPair quality;
    LearnedRead learnedRead = LearnedRead::none;
    // Copies of the learned file's "parkpos" entries whose id matched no stand, written back unchanged.
    pugi::xml_document keptLearnedEntries;

    // Destroys every stand; the capacity stays.
    void clearStands() noexcept { stands.clear(); }
    // Everything back to the state before a load.
    void reset();
};

} // namespace hlw
