#pragma once
// A zip archive built in memory through libzip and written whole with the safe file replacement
// (core/atomic_file.h). The bytes of every entry are kept by the archive object until it is closed, because
// libzip reads them only then. An archive that is destroyed without a successful close writes nothing.
#include <deque>
#include <filesystem>
#include <string>
#include <string_view>

struct zip;
struct zip_source;

namespace hlw {

class ZipArchive {
  public:
    // An archive that will replace the file at the path when it is closed.
    explicit ZipArchive(std::filesystem::path target);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Starts a new, empty archive in memory. False, with the reason in error, when libzip cannot.
    bool openNew(std::string& error);
    // Adds a stored-and-deflated entry of the bytes under the name (a plain file name). False, with the reason,
    // when the archive is not open or libzip refuses the entry.
    bool addData(std::string_view name, std::string bytes, std::string& error);
    // Finishes the archive and replaces the target file with it. False, with the reason, when libzip cannot
    // finish it or the file cannot be written (the old file then stays). The archive is closed either way.
    bool close(std::string& error);

    bool isOpen() const noexcept { return archive_ != nullptr; }
    // The entries added since openNew.
    std::size_t entryCount() const noexcept { return entries_.size(); }

  private:
    void discard() noexcept;

    std::filesystem::path target_;
    zip* archive_ = nullptr;
    zip_source* buffer_ = nullptr; // the memory the archive is written into
    std::deque<std::string> entries_;
};

} // namespace hlw
