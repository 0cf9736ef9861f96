#include "core/text_file_writer.h"

#include "core/atomic_file.h"

namespace hlw {
namespace {

template <typename Lines> bool lf_writeLines(const Lines& lines, const std::filesystem::path& path)
{
    std::size_t size = 0;
    for (const auto& line : lines) {
        size += line.size() + 1;
    }
    std::string bytes;
    bytes.reserve(size);
    for (const auto& line : lines) {
        bytes += line;
        bytes += '\n';
    }
    return gf_replaceFileContents(path, bytes);
}

} // namespace

bool gf_writeText(std::string_view text, const std::filesystem::path& path)
{
    std::string bytes;
    bytes.reserve(text.size() + 1);
    bytes += text;
    bytes += '\n';
    return gf_replaceFileContents(path, bytes);
}

bool gf_writeLine(const std::vector<std::string>& lines, const std::filesystem::path& path)
{
    return lf_writeLines(lines, path);
}

bool gf_writeLine(const std::list<std::string>& lines, const std::filesystem::path& path)
{
    return lf_writeLines(lines, path);
}

} // namespace hlw
