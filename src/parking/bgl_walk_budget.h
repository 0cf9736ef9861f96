#pragma once
// What all the walks over one BGL file's records may spend together. A crafted file can lead any number of airport
// sections, or airport records, into one long chain of records; the step limit of each walk alone then still costs
// one full walk and one log line per section. One budget per file bounds the steps and the log lines of all of them.
#include <cstdint>
#include <string>
#include <string_view>

namespace hlw {

// Records, subrecords and parking entries that the walks of one file may step over together. A sound file stays
// far below: its airport section's walk meets each record once, and an airport's subrecords up to its parkings are
// some dozens, its parkings some hundreds.
inline constexpr int64_t bglFileMaxSteps = 1'000'000;
// Walk messages (step limits, records of size 0, records beyond the file) logged per file; further ones are only
// counted.
inline constexpr int bglFileMaxMessages = 3;

class BglWalkBudget {
  public:
    explicit BglWalkBudget(std::string pathText, int64_t steps = bglFileMaxSteps);

    // Takes one step; false once the file's steps are spent. The first refused step logs an alert.
    bool step();
    bool spent() const noexcept { return spent_; }

    // A walk message, logged as an alert or as a plain line while the file has messages left, else counted.
    void alert(std::string_view text) noexcept;
    void note(std::string_view text) noexcept;
    // For the end of the file: one line with the number of messages left out, when any were.
    void logLeftOut() const;

  private:
    bool mayLog() noexcept;

    std::string pathText_;
    int64_t steps_;
    int64_t stepsLeft_;
    bool spent_ = false;
    int messages_ = 0;
};

} // namespace hlw
