#include "refdata/dbase_records.h"

#include "core/log.h"
#include "core/string_helpers.h"
#include "refdata/code_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace hlw {
namespace {

constexpr std::size_t maxShortRegistrationLength = 5;

bool lf_isBlank(std::string_view text)
{
    return text.find_first_not_of(whiteSpace) == std::string_view::npos;
}

// The codes of the records repeat a few thousand codes a hundred thousand times. Interning a code always gives
// the same index during the read (no fixes change meanwhile), so each distinct code of at most 7 bytes is looked
// up in its table once and then found in a small open-addressing table by its bytes packed into a number.
class CodeCache {
  public:
    explicit CodeCache(uint16_t (*intern)(std::string_view)) : intern_(intern), slots_(initialSlots) {}

    uint16_t indexOf(const char* code)
    {
        uint64_t packed = 0;
        std::size_t length = 0;
        for (; code[length] != '\0'; ++length) {
            if (length == 7) {
                return intern_(code);
            }
            packed = (packed << 8) | static_cast<unsigned char>(code[length]);
        }
        if (length == 0) {
            return 0; // the empty code is always index 0
        }
        packed |= uint64_t{length} << 56;
        for (std::size_t slot = slotOf(packed) & (slots_.size() - 1);; slot = (slot + 1) & (slots_.size() - 1)) {
            if (slots_[slot].packed == packed) {
                return slots_[slot].index;
            }
            if (slots_[slot].packed == 0) {
                const uint16_t index = intern_(std::string_view(code, length));
                slots_[slot] = {packed, index};
                if (++used_ * 2 > slots_.size()) {
                    grow();
                }
                return index;
            }
        }
    }

  private:
    struct Slot {
        uint64_t packed = 0; // 0: free (a packed code always holds its length)
        uint16_t index = 0;
    };
    static constexpr std::size_t initialSlots = 4096;

    static std::size_t slotOf(uint64_t packed)
    {
        return static_cast<std::size_t>((packed * 0x9E3779B97F4A7C15ULL) >> 40);
    }

    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& entry : old) {
            if (entry.packed != 0) {
                std::size_t slot = slotOf(entry.packed) & (slots_.size() - 1);
                while (slots_[slot].packed != 0) {
                    slot = (slot + 1) & (slots_.size() - 1);
                }
                slots_[slot] = entry;
            }
        }
    }

    uint16_t (*intern_)(std::string_view);
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

// A record as read, before sorting: its registration still points into the parsed document.
struct StagedRecord {
    const char* registration;
    RegistrationCodes codes;
};

struct SortEntry {
    uint64_t key;
    uint32_t position;
};

// The first 8 bytes of a text as a big-endian number: comparing two keys compares those bytes as text does.
uint64_t lf_sortKey(const char* text)
{
    uint64_t key = 0;
    bool ended = false;
    for (std::size_t i = 0; i < 8; ++i) {
        ended = ended || text[i] == '\0';
        key = (key << 8) | (ended ? 0U : static_cast<unsigned char>(text[i]));
    }
    return key;
}

// The records in file order. A record without a registration would occur in every text and hide every real
// short registration, so it is skipped and counted.
std::vector<StagedRecord> lf_readRecords(const pugi::xml_node root)
{
    const pugi::xml_node section = root.child("dbase");
    std::size_t elementCount = 0;
    for (pugi::xml_node node = section.child("d"); node; node = node.next_sibling("d")) {
        ++elementCount;
    }
    std::vector<StagedRecord> staged;
    staged.reserve(elementCount);
    std::size_t withoutRegistration = 0;
    CodeCache airlines(&gf_airlineIndex);
    CodeCache models(&gf_modelIndex);
    for (pugi::xml_node node = section.child("d"); node; node = node.next_sibling("d")) {
        // One walk over the attributes instead of a search by name for each of the five.
        const char* registration = "";
        const char* airline = "";
        const char* secondAirline = "";
        const char* model = "";
        bool cargo = false;
        for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
             attribute = attribute.next_attribute()) {
            const char* name = attribute.name();
            if (name[0] == '\0' || name[1] != '\0') {
                continue;
            }
            switch (name[0]) {
            case 'r':
                registration = attribute.value();
                break;
            case 'a':
                airline = attribute.value();
                break;
            case 'o':
                secondAirline = attribute.value();
                break;
            case 'm':
                model = attribute.value();
                break;
            case 'c':
                cargo = attribute.as_bool();
                break;
            default:
                break;
            }
        }
        if (lf_isBlank(registration)) {
            ++withoutRegistration;
            continue;
        }
        RegistrationCodes codes;
        codes.airline = airlines.indexOf(airline);
        codes.secondAirline = airlines.indexOf(secondAirline);
        codes.model = models.indexOf(model);
        codes.cargo = cargo ? 1 : 0;
        codes.valid = 1;
        staged.push_back({registration, codes});
    }
    if (withoutRegistration > 0) {
        gf_log(fmt::format("{:5} dbase records without registration skipped", withoutRegistration));
    }
    return staged;
}

// Stable LSD radix sort by key, one byte per pass; a pass in which every key has the same byte is skipped.
void lf_radixSortByKey(std::vector<SortEntry>& entries)
{
    std::vector<SortEntry> buffer(entries.size());
    for (int shift = 0; shift < 64; shift += 8) {
        std::array<std::size_t, 257> starts{};
        for (const SortEntry& entry : entries) {
            ++starts[((entry.key >> shift) & 0xFFU) + 1];
        }
        if (std::any_of(starts.begin() + 1, starts.end(), [&](std::size_t n) { return n == entries.size(); })) {
            continue;
        }
        for (std::size_t i = 1; i < starts.size(); ++i) {
            starts[i] += starts[i - 1];
        }
        for (const SortEntry& entry : entries) {
            buffer[starts[(entry.key >> shift) & 0xFFU]++] = entry;
        }
        entries.swap(buffer);
    }
}

// The records sorted by registration; of a repeated registration the first record in file order stays.
void lf_sortDbaseRecords(const std::vector<StagedRecord>& staged, ReferenceTables& tables)
{
    // Small keys are sorted instead of the records; the stable sort keeps file order among equal keys.
    std::vector<SortEntry> order(staged.size());
    for (std::size_t i = 0; i < staged.size(); ++i) {
        order[i] = {lf_sortKey(staged[i].registration), static_cast<uint32_t>(i)};
    }
    lf_radixSortByKey(order);
    // Registrations that agree in their first 8 bytes are put in order by their whole text.
    for (auto run = order.begin(); run != order.end();) {
        const auto runEnd = std::find_if(run, order.end(), [&](const SortEntry& e) { return e.key != run->key; });
        if (runEnd - run > 1) {
            std::stable_sort(run, runEnd, [&](const SortEntry& a, const SortEntry& b) {
                return std::strcmp(staged[a.position].registration, staged[b.position].registration) < 0;
            });
        }
        run = runEnd;
    }
    auto& records = tables.records;
    records.reserve(staged.size());
    std::size_t dropped = 0;
    for (const SortEntry& entry : order) {
        const StagedRecord& record = staged[entry.position];
        if (!records.empty() && records.back().registration == record.registration) {
            ++dropped;
            continue;
        }
        records.push_back({record.registration, record.codes});
    }
    if (dropped > 0) {
        records.shrink_to_fit();
        gf_log(fmt::format("{:5} duplicate dbase records dropped", dropped));
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].registration.size() <= maxShortRegistrationLength) {
            tables.shortRecords.push_back(static_cast<uint32_t>(i));
        }
    }
}

} // namespace

void gf_readDbaseRecords(const pugi::xml_node root, ReferenceTables& tables)
{
    lf_sortDbaseRecords(lf_readRecords(root), tables);
}

} // namespace hlw
