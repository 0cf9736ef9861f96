#include "liveries/fltsim_sections.h"

#include "liveries/aircraft_cfg_keys.h"

#include <optional>

namespace hlw {

void gf_forEachFltsimSection(std::span<const std::string> lines, SectionEndTest endsSection,
                             const std::function<void(FltsimSection)>& handle)
{
    std::optional<std::size_t> start;
    const auto close = [&](std::size_t end) {
        if (!start) {
            return;
        }
        while (end - *start > 1 && (lines[end - 1].empty() || lines[end - 1].starts_with("//"))) {
            --end;
        }
        handle(lines.subspan(*start, end - *start));
        start.reset();
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!gf_getFltsimNumber(lines[i]).empty()) {
            close(i);
            start = i;
        } else if (endsSection(lines[i])) {
            close(i);
        }
    }
    close(lines.size());
}

} // namespace hlw
