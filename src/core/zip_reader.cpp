#include "core/zip_reader.h"

#include <fmt/format.h>
#include <zip.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <system_error>
#include <vector>

namespace hlw {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
struct EntryCloser {
    void operator()(zip_file_t* file) const noexcept { zip_fclose(file); }
};

// Removes the file unless it was kept: a failed unpacking leaves no truncated file behind.
class PartialFile {
  public:
    explicit PartialFile(std::filesystem::path path) : path_(std::move(path)) {}
    ~PartialFile()
    {
        if (!kept_) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    void keep() noexcept { kept_ = true; }

  private:
    std::filesystem::path path_;
    bool kept_ = false;
};

} // namespace

ZipReader::~ZipReader() { close(); }

bool ZipReader::open(const std::filesystem::path& archive, std::string& error)
{
    close();
    int code = 0;
    archive_ = zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (archive_ == nullptr) {
        zip_error_t zipError;
        zip_error_init_with_code(&zipError, code);
        error = zip_error_strerror(&zipError);
        zip_error_fini(&zipError);
        return false;
    }
    return true;
}

void ZipReader::close() noexcept
{
    if (archive_ != nullptr) {
        zip_discard(archive_);
        archive_ = nullptr;
    }
}

std::uint64_t ZipReader::entryCount() const noexcept
{
    if (archive_ == nullptr) {
        return 0;
    }
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    return count < 0 ? 0 : static_cast<std::uint64_t>(count);
}

std::string ZipReader::entryName(std::uint64_t index) const
{
    const char* name = archive_ == nullptr ? nullptr : zip_get_name(archive_, index, 0);
    return name == nullptr ? std::string() : std::string(name);
}

std::optional<std::uint64_t> ZipReader::entrySize(std::uint64_t index) const
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (archive_ == nullptr || zip_stat_index(archive_, index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        return std::nullopt;
    }
    return stat.size;
}

bool ZipReader::extract(std::uint64_t index, const std::filesystem::path& target, std::string& error,
                        std::uint64_t maxBytes, const std::function<bool()>& stop) const
{
    if (archive_ == nullptr) {
        error = "archive not open";
        return false;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_, index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        error = zip_strerror(archive_);
        return false;
    }
    if (stat.size > maxBytes) {
        error = fmt::format("entry of {} bytes is larger than {} bytes", stat.size, maxBytes);
        return false;
    }
    const std::unique_ptr<zip_file_t, EntryCloser> entry(zip_fopen_index(archive_, index, 0));
    if (!entry) {
        error = zip_strerror(archive_);
        return false;
    }
    PartialFile partial(target);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(target.c_str(), "wb"));
    if (!file) {
        error = fmt::format("cannot create {}: {}", target.string(), std::generic_category().message(errno));
        return false;
    }
    // Reserving the entry's blocks at once spares every write its own reservation; where the file system cannot,
    // or the disk has no room, the writes below say so.
    static_cast<void>(::fallocate(::fileno(file.get()), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(stat.size)));
    std::vector<char> chunk(zipChunkBytes);
    std::uint64_t written = 0;
    while (true) {
        if (stop && stop()) {
            error = "stopped";
            return false;
        }
        const zip_int64_t read = zip_fread(entry.get(), chunk.data(), chunk.size());
        if (read < 0) {
            error = zip_file_strerror(entry.get());
            return false;
        }
        if (read == 0) {
            break;
        }
        written += static_cast<std::uint64_t>(read);
        if (written > stat.size) {
            error = fmt::format("entry holds more than its {} bytes", stat.size);
            return false;
        }
        if (std::fwrite(chunk.data(), 1, static_cast<std::size_t>(read), file.get()) !=
            static_cast<std::size_t>(read)) {
            error = fmt::format("write to {} failed: {}", target.string(), std::generic_category().message(errno));
            return false;
        }
    }
    std::FILE* raw = file.release();
    const bool flushed = std::fflush(raw) == 0;
    const bool closed = std::fclose(raw) == 0;
    if (!flushed || !closed) {
        error = fmt::format("closing {} failed: {}", target.string(), std::generic_category().message(errno));
        return false;
    }
    if (written != stat.size) {
        error = fmt::format("{} bytes written, the entry holds {}", written, stat.size);
        return false;
    }
    partial.keep();
    return true;
}

} // namespace hlw
