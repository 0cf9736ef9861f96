#pragma once
// Interning tables of airline codes and model codes: each code text is stored once and carried everywhere
// as its 16-bit index. Index 0 is always the empty code. Codes are exact byte strings (no case folding).
//
// Thread safety: one table lock, shared for lookups and exclusive for appends, so the traffic reader, the
// simulator client, the worker and the livery reader tasks may all intern at once. The entries live in a
// std::deque, which never moves an element, and are never changed once added, so a reference returned by
// text() stays valid and readable for the table's whole life (until reset()).
// Lock order: a table lock is taken after any caller lock and before the log lock; the two tables are never
// locked together.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace hlw {

class CodeTable {
public:
    // Indexes are 16 bits wide: at most 65536 codes, the empty code included.
    static constexpr std::size_t maxEntries = 65536;

    explicit CodeTable(std::string name);
    CodeTable(const CodeTable&) = delete;
    CodeTable& operator=(const CodeTable&) = delete;

    // The code's index; a new code is appended with the next index. With fixes active, a code the fixes
    // correct to an already interned code gives that code's index and is not added. When the table is full a
    // new code gives 0 (the empty code) and the alert "{} code table full" is written once.
    uint16_t intern(std::string_view code);
    // The code's index (fixes applied as in intern) without ever adding it.
    std::optional<uint16_t> find(std::string_view code) const;
    // The text of an index; the empty text for an index the table does not hold.
    const std::string& text(uint16_t index) const;
    std::size_t size() const;

    // Known codes: the valid codes of the reference data (the empty code is never known).
    void setKnownCodes(std::set<std::string> codes);
    bool isKnown(std::string_view code) const;
    std::set<std::string> knownCodes() const;

    // Corrections of wrong codes, consulted by intern() and find() once activated. add keeps an existing entry
    // for the same wrong code and then returns false.
    bool addFix(const std::string& wrong, const std::string& correct);
    void activateFixes();
    std::optional<std::string> findFix(std::string_view wrong) const;
    std::map<std::string, std::string, std::less<>> fixes() const;

    // Back to the state after construction (only the empty code, no known codes, no fixes). For tests and for
    // the reader of the reference data before it seeds the table; references from text() become invalid.
    void reset();

private:
    std::optional<uint16_t> findLocked(std::string_view code) const;

    const std::string name_;
    mutable std::shared_mutex mutex_;
    std::deque<std::string> entries_;
    // Keys view the entries themselves; the deque keeps them in place.
    std::unordered_map<std::string_view, uint16_t> indexes_;
    std::set<std::string, std::less<>> known_;
    std::map<std::string, std::string, std::less<>> fixes_;
    bool fixesActive_ = false;
    bool fullReported_ = false;
};

// The two tables of the program, built empty (only the empty code) before the entry.
CodeTable& gf_airlineCodes();
CodeTable& gf_modelCodes();

uint16_t gf_airlineIndex(std::string_view code);
uint16_t gf_modelIndex(std::string_view code);
std::optional<uint16_t> gf_findAirlineIndex(std::string_view code);
std::optional<uint16_t> gf_findModelIndex(std::string_view code);
const std::string& gf_airlineText(uint16_t index);
const std::string& gf_modelText(uint16_t index);
std::optional<std::string> gf_findModelFix(std::string_view wrong);
bool gf_isKnownAirline(std::string_view code);
bool gf_isKnownModel(std::string_view code);

// True for 2 to 4 upper-case letters or digits: the only model texts from live traffic worth interning
// (garbled fields would otherwise fill the model table).
bool gf_isPlausibleModelCode(std::string_view code) noexcept;

} // namespace hlw
