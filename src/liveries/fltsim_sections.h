#pragma once
// Cutting the lines of an aircraft.cfg into its [fltsim.N] sections, for both readers. The readers differ only
// in which other lines close an open section.
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace hlw {

// The lines of one section: its header line first.
using FltsimSection = std::span<const std::string>;
// True for a line (not itself a section header) that closes the open section.
using SectionEndTest = bool (*)(std::string_view line) noexcept;

// Calls handle for every section in file order. A section opens at a header line (gf_getFltsimNumber gives a
// number) and runs to the next header, to a line that endsSection accepts, or to the last line; its trailing
// empty and "//" lines are left out (the header always stays). Lines outside sections are passed over.
void gf_forEachFltsimSection(std::span<const std::string> lines, SectionEndTest endsSection,
                             const std::function<void(FltsimSection)>& handle);

} // namespace hlw
