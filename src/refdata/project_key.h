#pragma once
// The one key of the program's sealed data files ("dbase.enc", "airports.enc", "AIG-regcodes.enc").
// The sealing tool uses the same key, so it lives in exactly one source file.
#include <array>
#include <cstddef>

namespace hlw {

inline constexpr std::size_t projectKeyBytes = 32;
using ProjectKey = std::array<unsigned char, projectKeyBytes>;

const ProjectKey& gf_projectKey() noexcept;

} // namespace hlw
