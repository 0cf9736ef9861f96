#pragma once
// Keeping the learned file within what its reader takes (apf_reader.h: apfMaxBytes of text and apfMaxTreeBytes of
// parsed tree): of a document whose printout would pass either, the options learned since the load are left out,
// the last written first, until it fits; every option the file already had stays. A busy airport learns without
// end, and a file beyond the bounds would never be read, nor saved over, again.
#include <pugixml.hpp>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace hlw {

struct FittedLearnedFile {
    // The printout to write; nothing when even without the newly learned options it would pass a bound, or when
    // it cannot be printed.
    std::optional<std::string> text;
    // How many newly learned options were left out.
    std::size_t leftOut = 0;
};

// newlyLearned holds the "opt" elements of the options learned since the load, in the order written
// (ApfWriteOptions). Those left out are removed from the document, and so is a "parkpos" left with nothing but
// its "id". path names the file in the log line of a printout that cannot be made.
FittedLearnedFile gf_fitLearnedFile(pugi::xml_document& document, std::span<const pugi::xml_node> newlyLearned,
                                    const std::filesystem::path& path);

} // namespace hlw
