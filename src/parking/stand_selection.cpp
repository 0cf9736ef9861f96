#include "parking/stand_selection.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/random_choice.h"
#include "core/star_text.h"
#include "parking/stand_lookups.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>

namespace hlw {
namespace {

constexpr int32_t slotsPerDay = 48;
constexpr int32_t daysPerWeek = 7;
constexpr int32_t slotsPerWeek = slotsPerDay * daysPerWeek;
constexpr std::size_t candidateRoom = 256;
constexpr std::size_t passRoom = 512;

bool lf_sameAircraftCodes(const StandCodes& a, const StandCodes& b) noexcept
{
    return a.airline == b.airline && a.secondAirline == b.secondAirline && a.model == b.model;
}

bool lf_sameAircraftCodes(const StandCodes& a, const FlightRecord& b) noexcept
{
    return a.airline == b.airline && a.secondAirline == b.secondAirline && a.model == b.model;
}

using TextSet = std::unordered_set<std::string>;

bool lf_holds(const TextSet& set, const std::string& text)
{
    return !text.empty() && set.contains(text);
}

// The slots of a stand's usable options per weekday (index 0: any weekday), so that a stand without a matching
// slot is passed over without looking at its options.
struct StandSlots {
    std::array<SlotSet, daysPerWeek + 1> real;
    std::array<SlotSet, daysPerWeek + 1> soft;
};

class SelectionRun {
  public:
    SelectionRun(StandSelection& selection, std::span<StandRecord> stands, std::span<const StaticAircraft> statics,
                 WeekdaySlot now);

    void passes(int32_t wanted, int32_t already);

  private:
    void pass(bool real, bool thisWeekday, int32_t wanted, int32_t already);
    bool findParkPositions(bool real, bool thisWeekday, int32_t wanted, std::vector<SelectedParkPosition>& list);
    void searchStands(bool real, bool thisWeekday, int32_t fit, std::vector<SelectedParkPosition>& list);
    bool matches(const StandOption& option, bool real, bool thisWeekday, WeekdaySlot at,
                 const StandRecord& stand) const;
    bool collidesWithStatic(const StandOption& option, const StandRecord& stand) const;
    void orderCandidates(std::vector<uint32_t>& candidates, const StandRecord& stand) const;
    bool present(const StandOption& option) const;
    bool stays(const StandOption& option, const StandRecord& stand) const;
    int32_t selectedStands() const;
    void noteChosen(const SelectedParkPosition& position);
    void rebuildChosen();

    StandSelection& selection_;
    std::span<StandRecord> stands_;
    std::span<const StaticAircraft> statics_;
    const WeekdaySlot now_;
    const bool helicopters_ = settings::helicopters.get();
    const bool random_ = settings::random.get();
    std::vector<StandSlots> standSlots_;
    // By stand number: the largest half wing span of an active static aircraft standing there (0 for none).
    std::vector<double> staticSpanAt_;
    // (stand number, index into the static aircraft) of every static aircraft, sorted.
    std::vector<std::pair<StandNumber, std::size_t>> staticsAt_;
    TextSet staticCoupled_;
    TextSet staticRegistrations_;
    TextSet parkedCallsigns_;
    TextSet chosenCallsigns_;
    TextSet chosenRegistrations_;
    std::vector<uint32_t> candidates_;
};

SelectionRun::SelectionRun(StandSelection& selection, std::span<StandRecord> stands,
                           std::span<const StaticAircraft> statics, WeekdaySlot now)
    : selection_(selection), stands_(stands), statics_(statics), now_(now)
{
    standSlots_.resize(stands.size());
    for (std::size_t i = 0; i < stands.size(); ++i) {
        for (const StandOption& option : stands[i].options) {
            if (option.number == 0 || option.weekday < 1 || option.weekday > daysPerWeek) {
                continue;
            }
            auto& days = option.real ? standSlots_[i].real : standSlots_[i].soft;
            days[static_cast<std::size_t>(option.weekday)] |= option.slots;
            days[0] |= option.slots;
        }
    }
    staticSpanAt_.assign(stands.empty() ? 1 : static_cast<std::size_t>(stands.back().standNumber) + 1, 0.0);
    for (std::size_t i = 0; i < statics.size(); ++i) {
        const StaticAircraft& aircraft = statics[i];
        const StandNumber stand = aircraft.standNumber;
        staticsAt_.emplace_back(stand, i);
        if (!aircraft.flight.secondCallsign.empty()) {
            staticCoupled_.insert(aircraft.flight.secondCallsign);
        }
        if (!aircraft.flight.registration.empty()) {
            staticRegistrations_.insert(aircraft.flight.registration);
        }
        if (aircraft.state == SimObjectState::active && stand >= 1 &&
            static_cast<std::size_t>(stand) < staticSpanAt_.size()) {
            double& span = staticSpanAt_[static_cast<std::size_t>(stand)];
            span = std::max(span, aircraft.flight.halfWingspanNm);
        }
    }
    std::ranges::sort(staticsAt_);
    for (const ParkedLiveEntry& entry : selection.parkedLive) {
        if (!entry.callsign.empty()) {
            parkedCallsigns_.insert(entry.callsign);
        }
    }
    rebuildChosen();
    candidates_.reserve(candidateRoom);
}

void SelectionRun::passes(int32_t wanted, int32_t already)
{
    selection_.lastFitReal = 0;
    selection_.lastFitSoft = -1;
    const auto more = [&] { return wanted > already + static_cast<int32_t>(selection_.selected.size()); };
    pass(true, true, wanted, already);
    const bool week = settings::week.get();
    const bool soft = settings::parkSoft.get();
    if (more() && week) {
        pass(true, false, wanted, already);
    }
    if (more() && soft) {
        pass(false, true, wanted, already);
    }
    if (more() && week && soft) {
        pass(false, false, wanted, already);
    }
}

void SelectionRun::pass(bool real, bool thisWeekday, int32_t wanted, int32_t already)
{
    std::vector<SelectedParkPosition> local;
    local.reserve(passRoom);
    if (!findParkPositions(real, thisWeekday, wanted, local)) {
        return;
    }
    std::vector<SelectedParkPosition>& selected = selection_.selected;
    // The last fit may have found more stands than are wanted: a random choice among them is kept.
    const auto excess = static_cast<int64_t>(already) + static_cast<int64_t>(selected.size()) +
                        static_cast<int64_t>(local.size()) - wanted;
    if (excess >= 1) {
        if (random_) {
            std::ranges::shuffle(local, gf_threadRandomEngine());
        }
        local.resize(local.size() - static_cast<std::size_t>(std::min<int64_t>(excess, std::ssize(local))));
    }
    selected.insert(selected.end(), std::make_move_iterator(local.begin()), std::make_move_iterator(local.end()));
    const auto room = std::max<int64_t>(0, static_cast<int64_t>(wanted) - already);
    if (std::ssize(selected) > room) {
        selected.resize(static_cast<std::size_t>(room));
    }
    rebuildChosen();
}

bool SelectionRun::findParkPositions(bool real, bool thisWeekday, int32_t wanted,
                                     std::vector<SelectedParkPosition>& list)
{
    if (wanted <= 0) {
        return true;
    }
    const int32_t maxFit = std::clamp(settings::maxFit.get(), 0, slotsPerWeek - 1);
    const int32_t before = selectedStands();
    bool found = false;
    int32_t fit = 0;
    for (;; ++fit) {
        searchStands(real, thisWeekday, fit, list);
        if (selectedStands() >= wanted) {
            found = true;
            break;
        }
        std::vector<SelectedParkPosition>& selected = selection_.selected;
        selected.insert(selected.end(), std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()));
        list.clear();
        if (fit >= maxFit) {
            break;
        }
    }
    if (real) {
        selection_.lastFitReal = fit;
        selection_.lastFitSoft = -1;
    } else {
        selection_.lastFitSoft = fit;
    }
    const int32_t added = selectedStands() - before;
    if (added > 0) {
        gf_log(fmt::format("{} {} position{} found, Max fit={:.1F} hours{}{}",
                           fmt::format("{}{}", thisWeekday ? "" : "week/", real ? "real" : "soft"), added,
                           gf_pluralInt(added), settings::maxFitFl.get(), fmt::format(", day {}", now_.weekday),
                           fmt::format(", hh:{} or {:.1F} hrs, fit: {:.1F} hour", now_.slot,
                                       gf_maxFitForWeeks(now_.slot), gf_maxFitForWeeks(fit))));
        selection_.softOptionsUsed = !real;
        selection_.otherWeekdaysUsed = !thisWeekday;
    }
    return found;
}

void SelectionRun::searchStands(bool real, bool thisWeekday, int32_t fit, std::vector<SelectedParkPosition>& list)
{
    const WeekdaySlot at = gf_slotsBefore(now_, fit);
    try {
        for (std::size_t i = 0; i < stands_.size(); ++i) {
            StandRecord& stand = stands_[i];
            if (stand.reserved || stand.selected || stand.blocked || (stand.heli && !helicopters_)) {
                continue;
            }
            const auto& days = real ? standSlots_[i].real : standSlots_[i].soft;
            if (!days[thisWeekday ? static_cast<std::size_t>(at.weekday) : 0].test(static_cast<std::size_t>(at.slot))) {
                continue;
            }
            candidates_.clear();
            for (const StandOption& option : stand.options) {
                if (matches(option, real, thisWeekday, at, stand)) {
                    candidates_.push_back(option.number);
                }
            }
            if (candidates_.empty()) {
                continue;
            }
            if (candidates_.size() >= 2 && random_) {
                orderCandidates(candidates_, stand);
            }
            const auto chosen = std::ranges::find(stand.options, candidates_.front(), &StandOption::number);
            StandOption& option = *chosen;
            if (present(option)) {
                option.excluded = true;
                continue;
            }
            list.push_back({stand.standNumber, fit, option.codes, option.callsign, option.secondCallsign,
                            option.registration, stays(option, stand)});
            noteChosen(list.back());
            gf_selectStand(stands_, stand);
        }
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{}: day: {}, offset {}: {}", "lf_searchStands",
                                fmt::format("[{},{}]", now_.weekday, now_.slot), fit, error.what()));
    }
}

bool SelectionRun::matches(const StandOption& option, bool real, bool thisWeekday, WeekdaySlot at,
                           const StandRecord& stand) const
{
    if (option.number == 0 || option.excluded || option.real != real) {
        return false;
    }
    if (thisWeekday && option.weekday != at.weekday) {
        return false;
    }
    if (!option.slots.test(static_cast<std::size_t>(at.slot))) {
        return false;
    }
    return !collidesWithStatic(option, stand);
}

// An active static aircraft at an adjacent stand that the option's aircraft would touch.
bool SelectionRun::collidesWithStatic(const StandOption& option, const StandRecord& stand) const
{
    for (const StandNumber adjacent : stand.adjacentStands) {
        if (adjacent < 1 || static_cast<std::size_t>(adjacent) >= staticSpanAt_.size()) {
            continue;
        }
        const double span = staticSpanAt_[static_cast<std::size_t>(adjacent)];
        if (span <= 0.0) {
            continue;
        }
        const StandRecord* neighbour = gf_findStand(std::span<const StandRecord>(stands_), adjacent);
        if (neighbour == nullptr) {
            continue;
        }
        const double d =
            gf_distanceNm({neighbour->latitude, neighbour->longitude}, {stand.latitude, stand.longitude});
        if (span + gf_halfWingspanNm(option.codes.model) > d) {
            return true;
        }
    }
    return false;
}

// A static aircraft that stands here as one of the stand's options stays the choice; otherwise the candidates
// come in random order.
void SelectionRun::orderCandidates(std::vector<uint32_t>& candidates, const StandRecord& stand) const
{
    const auto [first, last] = std::ranges::equal_range(
        staticsAt_, stand.standNumber, {}, &std::pair<StandNumber, std::size_t>::first);
    for (auto it = first; it != last; ++it) {
        const FlightRecord& flight = statics_[it->second].flight;
        for (const StandOption& option : stand.options) {
            if (option.number != 0 && lf_sameAircraftCodes(option.codes, flight) &&
                (gf_equalsWithStar(option.callsign, flight.callsign) ||
                 gf_equalsWithStar(option.secondCallsign, flight.callsign))) {
                candidates.front() = option.number;
                return;
            }
        }
    }
    std::ranges::shuffle(candidates, gf_threadRandomEngine());
}

bool SelectionRun::present(const StandOption& option) const
{
    const std::string& callsign = option.callsign;
    const std::string& second = option.secondCallsign;
    const std::string& registration = option.registration;
    if (lf_holds(chosenRegistrations_, registration) || lf_holds(chosenCallsigns_, callsign) ||
        lf_holds(chosenCallsigns_, second)) {
        return true;
    }
    if (lf_holds(staticCoupled_, callsign) || lf_holds(staticCoupled_, second) ||
        lf_holds(staticRegistrations_, registration)) {
        return true;
    }
    if (lf_holds(parkedCallsigns_, callsign) || lf_holds(parkedCallsigns_, second)) {
        return true;
    }
    const TextSet& heard = selection_.heardCallsigns;
    return std::ranges::any_of(std::array{&callsign, &second}, [&heard](const std::string* text) {
        return lf_holds(heard, *text) || (!text->empty() && heard.contains(*text + "_"));
    });
}

bool SelectionRun::stays(const StandOption& option, const StandRecord& stand) const
{
    if (option.secondCallsign.empty()) {
        return true;
    }
    const int32_t next = now_.slot + 1;
    if (next < slotsPerDay) {
        return option.slots.test(static_cast<std::size_t>(next));
    }
    const int32_t nextDay = now_.weekday % daysPerWeek + 1;
    return std::ranges::any_of(stand.options, [&](const StandOption& other) {
        return &other != &option && other.number != 0 && other.weekday == nextDay &&
               lf_sameAircraftCodes(other.codes, option.codes) && other.slots.test(0);
    });
}

int32_t SelectionRun::selectedStands() const
{
    return static_cast<int32_t>(std::ranges::count_if(stands_, &StandRecord::selected));
}

void SelectionRun::noteChosen(const SelectedParkPosition& position)
{
    if (!position.callsign.empty()) {
        chosenCallsigns_.insert(position.callsign);
    }
    if (!position.registration.empty()) {
        chosenRegistrations_.insert(position.registration);
    }
}

void SelectionRun::rebuildChosen()
{
    chosenCallsigns_.clear();
    chosenRegistrations_.clear();
    for (const SelectedParkPosition& position : selection_.selected) {
        noteChosen(position);
    }
}

} // namespace

WeekdaySlot gf_slotsBefore(WeekdaySlot now, int32_t halfHours) noexcept
{
    if (now.weekday < 1 || now.weekday > daysPerWeek || now.slot < 0 || now.slot >= slotsPerDay) {
        return {};
    }
    int32_t index = ((now.weekday - 1) * slotsPerDay + now.slot - halfHours % slotsPerWeek) % slotsPerWeek;
    if (index < 0) {
        index += slotsPerWeek;
    }
    return {index / slotsPerDay + 1, index % slotsPerDay};
}

int32_t gf_halfHoursSince(WeekdaySlot now, WeekdaySlot at) noexcept
{
    const int32_t back = (now.weekday - at.weekday) * slotsPerDay + now.slot - at.slot;
    return (back % slotsPerWeek + slotsPerWeek) % slotsPerWeek;
}

const char* gf_weekdayName(int32_t weekday) noexcept
{
    static constexpr std::array<const char*, daysPerWeek> names{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return weekday >= 1 && weekday <= daysPerWeek ? names[static_cast<std::size_t>(weekday - 1)] : "???";
}

void StandSelection::clear()
{
    selected.clear();
    parkedLive.clear();
    heardCallsigns.clear();
    softOptionsUsed = false;
    otherWeekdaysUsed = false;
}

void StandSelection::selectParkPositions(WeekdaySlot now, int32_t wanted, int32_t already,
                                         std::span<StandRecord> stands, std::span<const StaticAircraft> statics)
{
    if (gf_slotsBefore(now, 0).weekday < 1) {
        gf_logAlert(fmt::format("lf_selectParkPositions: the weekday and half hour are unknown ([{},{}])",
                                now.weekday, now.slot));
        return;
    }
    SelectionRun(*this, stands, statics, now).passes(wanted, already);
}

} // namespace hlw
