#pragma once
// The reading half of the zip archives: an archive opened read-only through libzip, whose entries are streamed
// into files in chunks. Every write and the close are checked, the bytes written are compared with the entry's
// size, an entry larger than the cap is refused before anything is written, and the caller may stop an entry
// between two chunks.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

struct zip;

namespace hlw {

// The largest entry unpacked by default.
inline constexpr std::uint64_t maxZipEntryBytes = std::uint64_t{1} << 30;
// The size of one chunk between the archive and the file.
inline constexpr std::size_t zipChunkBytes = 0x80000;

class ZipReader {
  public:
    ZipReader() = default;
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens the archive read-only and checks its structure. False, with libzip's reason, when it cannot.
    bool open(const std::filesystem::path& archive, std::string& error);
    void close() noexcept;
    bool isOpen() const noexcept { return archive_ != nullptr; }

    std::uint64_t entryCount() const noexcept;
    // The entry's name in the archive; empty for an index outside the entries.
    std::string entryName(std::uint64_t index) const;
    // The entry's unpacked size as the archive states it (extract writes no more); none when it states none.
    std::optional<std::uint64_t> entrySize(std::uint64_t index) const;

    // Writes the entry's content into target (created or replaced). False, with the reason, for an entry above
    // maxBytes, a failed read, write or close, a byte count that differs from the entry's size, or stop turning
    // true (asked before every chunk); a partial file is removed.
    bool extract(std::uint64_t index, const std::filesystem::path& target, std::string& error,
                 std::uint64_t maxBytes = maxZipEntryBytes, const std::function<bool()>& stop = {}) const;

  private:
    zip* archive_ = nullptr;
};

} // namespace hlw
