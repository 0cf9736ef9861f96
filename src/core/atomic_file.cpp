#include "core/atomic_file.h"

#include "core/fresh_file.h"
#include "core/log.h"

#include <fmt/format.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;

std::string lf_systemMessage(int code)
{
    return std::generic_category().message(code);
}

// Unique per process and call, so that two writers of the same file never share a temporary file.
fs::path lf_temporaryPathFor(const fs::path& target)
{
    static std::atomic<unsigned> counter{0};
    fs::path temporary = target;
    temporary += fmt::format(".{}.{}.tmp", ::getpid(), counter.fetch_add(1));
    return temporary;
}

// The path whose directory entry is replaced: a symbolic link is followed, so the link itself survives.
bool lf_resolveTarget(const fs::path& path, fs::path& target, std::string& error)
{
    std::error_code ec;
    target = path;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        target = fs::weakly_canonical(path, ec);
        if (ec) {
            error = ec.message();
            return false;
        }
    }
    const auto status = fs::status(target, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        error = "not a regular file";
        return false;
    }
    return true;
}

// A replaced file keeps the permission bits of the file it replaces.
void lf_copyPermissions(int descriptor, const fs::path& target)
{
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        ::fchmod(descriptor, old.st_mode & 07777);
    }
}

// Makes the rename itself durable.
bool lf_syncFolder(const fs::path& target, std::string& error)
{
    fs::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        error = lf_systemMessage(errno);
        return false;
    }
    const bool synced = ::fsync(descriptor) == 0;
    if (!synced) {
        error = lf_systemMessage(errno);
    }
    ::close(descriptor);
    return synced;
}

bool lf_replace(const fs::path& target, std::string_view bytes, std::string& error)
{
    const fs::path temporary = lf_temporaryPathFor(target);
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        error = lf_systemMessage(errno);
        return false;
    }
    lf_copyPermissions(descriptor, target);
    bool written = gf_writeAllAndSync(descriptor, bytes, error);
    if (::close(descriptor) != 0 && written) {
        error = lf_systemMessage(errno);
        written = false;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = lf_systemMessage(errno);
        written = false;
    }
    if (!written) {
        ::unlink(temporary.c_str());
    }
    return written;
}

} // namespace

bool gf_writeAllAndSync(int descriptor, std::string_view bytes, std::string& error)
{
    if (!gf_writeAll(descriptor, bytes)) {
        error = lf_systemMessage(errno);
        return false;
    }
    if (::fsync(descriptor) != 0) {
        error = lf_systemMessage(errno);
        return false;
    }
    return true;
}

bool gf_replaceFileContents(const fs::path& path, std::string_view bytes)
{
    std::string error;
    fs::path target;
    if (!lf_resolveTarget(path, target, error) || !lf_replace(target, bytes, error)) {
        gf_logAlert(fmt::format("Failed to write {} ({})", path.string(), error));
        return false;
    }
    if (!lf_syncFolder(target, error)) {
        // The new contents are in place; only their survival of a power loss is in doubt.
        gf_logAlert(fmt::format("Failed to sync the folder of {} ({})", path.string(), error));
    }
    return true;
}

} // namespace hlw
