#include "core/zip_archive.h"

#include "core/atomic_file.h"

#include <fmt/format.h>
#include <zip.h>

#include <cstdio>
#include <utility>

namespace hlw {
namespace {

std::string lf_zipError(zip_error_t* error)
{
    std::string text = zip_error_strerror(error);
    zip_error_fini(error);
    return text;
}

// The whole content of a memory source that libzip has finished writing.
bool lf_readSource(zip_source_t* source, std::string& bytes, std::string& error)
{
    if (zip_source_open(source) < 0) {
        error = zip_error_strerror(zip_source_error(source));
        return false;
    }
    bool ok = zip_source_seek(source, 0, SEEK_END) == 0;
    const zip_int64_t size = ok ? zip_source_tell(source) : -1;
    ok = ok && size >= 0 && zip_source_seek(source, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        ok = zip_source_read(source, bytes.data(), static_cast<zip_uint64_t>(size)) == size;
    }
    if (!ok) {
        error = zip_error_strerror(zip_source_error(source));
    }
    zip_source_close(source);
    return ok;
}

} // namespace

ZipArchive::ZipArchive(std::filesystem::path target) : target_(std::move(target)) {}

ZipArchive::~ZipArchive()
{
    discard();
}

void ZipArchive::discard() noexcept
{
    if (archive_ != nullptr) {
        zip_discard(archive_);
        archive_ = nullptr;
    }
    if (buffer_ != nullptr) {
        zip_source_free(buffer_);
        buffer_ = nullptr;
    }
    entries_.clear();
}

bool ZipArchive::openNew(std::string& error)
{
    discard();
    zip_error_t zipError;
    zip_error_init(&zipError);
    buffer_ = zip_source_buffer_create(nullptr, 0, 0, &zipError);
    if (buffer_ == nullptr) {
        error = lf_zipError(&zipError);
        return false;
    }
    archive_ = zip_open_from_source(buffer_, ZIP_TRUNCATE, &zipError);
    if (archive_ == nullptr) {
        error = lf_zipError(&zipError);
        discard();
        return false;
    }
    zip_error_fini(&zipError);
    // The archive frees its source when it closes; the buffer must outlive that, to be read afterwards.
    zip_source_keep(buffer_);
    return true;
}

bool ZipArchive::addData(std::string_view name, std::string bytes, std::string& error)
{
    if (archive_ == nullptr) {
        error = "archive not open";
        return false;
    }
    const std::string& kept = entries_.emplace_back(std::move(bytes));
    zip_source_t* source = zip_source_buffer(archive_, kept.data(), kept.size(), 0);
    if (source == nullptr) {
        error = zip_strerror(archive_);
        entries_.pop_back();
        return false;
    }
    const std::string entryName(name);
    if (zip_file_add(archive_, entryName.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
        error = zip_strerror(archive_);
        zip_source_free(source);
        entries_.pop_back();
        return false;
    }
    return true;
}

bool ZipArchive::close(std::string& error)
{
    if (archive_ == nullptr) {
        error = "archive not open";
        return false;
    }
    if (zip_close(archive_) < 0) {
        error = zip_strerror(archive_);
        discard();
        return false;
    }
    archive_ = nullptr;
    std::string bytes;
    const bool read = lf_readSource(buffer_, bytes, error);
    discard();
    if (!read) {
        return false;
    }
    if (!gf_replaceFileContents(target_, bytes)) {
        error = fmt::format("{} could not be written", target_.string());
        return false;
    }
    return true;
}

} // namespace hlw
