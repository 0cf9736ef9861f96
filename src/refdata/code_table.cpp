#include "refdata/code_table.h"

#include "core/log.h"

#include <fmt/format.h>
#include <mutex>

namespace hlw {

CodeTable::CodeTable(std::string name) : name_(std::move(name))
{
    reset();
}

std::optional<uint16_t> CodeTable::findLocked(std::string_view code) const
{
    if (const auto hit = indexes_.find(code); hit != indexes_.end()) {
        return hit->second;
    }
    if (fixesActive_) {
        // A corrected code counts only when the correction itself is already in the table.
        if (const auto fix = fixes_.find(code); fix != fixes_.end()) {
            if (const auto corrected = indexes_.find(fix->second); corrected != indexes_.end()) {
                return corrected->second;
            }
        }
    }
    return std::nullopt;
}

uint16_t CodeTable::intern(std::string_view code)
{
    {
        const std::shared_lock lock(mutex_);
        if (const auto index = findLocked(code)) {
            return *index;
        }
    }
    bool reportFull = false;
    {
        const std::unique_lock lock(mutex_);
        // Another thread may have added the code between the two locks.
        if (const auto index = findLocked(code)) {
            return *index;
        }
        if (entries_.size() < maxEntries) {
            const auto index = static_cast<uint16_t>(entries_.size());
            const std::string& stored = entries_.emplace_back(code);
            indexes_.emplace(stored, index);
            return index;
        }
        reportFull = !fullReported_;
        fullReported_ = true;
    }
    if (reportFull) {
        gf_logAlert(fmt::format("{} code table full", name_));
    }
    return 0;
}

std::optional<uint16_t> CodeTable::find(std::string_view code) const
{
    const std::shared_lock lock(mutex_);
    return findLocked(code);
}

const std::string& CodeTable::text(uint16_t index) const
{
    static const std::string emptyCode;
    const std::shared_lock lock(mutex_);
    return index < entries_.size() ? entries_[index] : emptyCode;
}

std::size_t CodeTable::size() const
{
    const std::shared_lock lock(mutex_);
    return entries_.size();
}

void CodeTable::setKnownCodes(std::set<std::string> codes)
{
    std::set<std::string, std::less<>> known(std::make_move_iterator(codes.begin()),
                                             std::make_move_iterator(codes.end()));
    const std::unique_lock lock(mutex_);
    known_.swap(known);
}

bool CodeTable::isKnown(std::string_view code) const
{
    if (code.empty()) {
        return false;
    }
    const std::shared_lock lock(mutex_);
    return known_.find(code) != known_.end();
}

std::set<std::string> CodeTable::knownCodes() const
{
    const std::shared_lock lock(mutex_);
    return {known_.begin(), known_.end()};
}

bool CodeTable::addFix(const std::string& wrong, const std::string& correct)
{
    const std::unique_lock lock(mutex_);
    return fixes_.emplace(wrong, correct).second;
}

void CodeTable::activateFixes()
{
    const std::unique_lock lock(mutex_);
    fixesActive_ = true;
}

std::optional<std::string> CodeTable::findFix(std::string_view wrong) const
{
    const std::shared_lock lock(mutex_);
    if (const auto fix = fixes_.find(wrong); fix != fixes_.end()) {
        return fix->second;
    }
    return std::nullopt;
}

std::map<std::string, std::string, std::less<>> CodeTable::fixes() const
{
    const std::shared_lock lock(mutex_);
    return fixes_;
}

void CodeTable::reset()
{
    const std::unique_lock lock(mutex_);
    indexes_.clear();
    entries_.clear();
    entries_.emplace_back();
    indexes_.emplace(entries_.front(), 0);
    known_.clear();
    fixes_.clear();
    fixesActive_ = false;
    fullReported_ = false;
}

CodeTable& gf_airlineCodes()
{
    static CodeTable table("airline");
    return table;
}

CodeTable& gf_modelCodes()
{
    static CodeTable table("model");
    return table;
}

uint16_t gf_airlineIndex(std::string_view code)
{
    return gf_airlineCodes().intern(code);
}

uint16_t gf_modelIndex(std::string_view code)
{
    return gf_modelCodes().intern(code);
}

std::optional<uint16_t> gf_findAirlineIndex(std::string_view code)
{
    return gf_airlineCodes().find(code);
}

std::optional<uint16_t> gf_findModelIndex(std::string_view code)
{
    return gf_modelCodes().find(code);
}

const std::string& gf_airlineText(uint16_t index)
{
    return gf_airlineCodes().text(index);
}

const std::string& gf_modelText(uint16_t index)
{
    return gf_modelCodes().text(index);
}

std::optional<std::string> gf_findModelFix(std::string_view wrong)
{
    return gf_modelCodes().findFix(wrong);
}

bool gf_isKnownAirline(std::string_view code)
{
    return gf_airlineCodes().isKnown(code);
}

bool gf_isKnownModel(std::string_view code)
{
    return gf_modelCodes().isKnown(code);
}

bool gf_isPlausibleModelCode(std::string_view code) noexcept
{
    if (code.size() < 2 || code.size() > 4) {
        return false;
    }
    for (const char c : code) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

} // namespace hlw
