#include "core/atomic_file.h"

#include "core/count_text.h"
#include "core/fresh_file.h"
#include "core/log.h"
#include "platform/os/process_state.h"

#include <fmt/format.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <optional>
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

// The process id in a name made by lf_temporaryPathFor, or nothing for any other name.
std::optional<long> lf_temporaryFileProcess(std::string_view name)
{
    constexpr std::string_view suffix = ".tmp";
    if (!name.ends_with(suffix)) {
        return std::nullopt;
    }
    name.remove_suffix(suffix.size());
    long numbers[2] = {};
    for (long& number : numbers) {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string_view::npos || dot + 1 == name.size()) {
            return std::nullopt;
        }
        const std::string_view digits = name.substr(dot + 1);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '-') {
            return std::nullopt;
        }
        name = name.substr(0, dot);
    }
    if (name.empty()) {
        return std::nullopt;
    }
    return numbers[1];
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

bool lf_replace(const fs::path& target, std::string_view bytes, Durability durability, std::string& error)
{
    const fs::path temporary = lf_temporaryPathFor(target);
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        error = lf_systemMessage(errno);
        return false;
    }
    lf_copyPermissions(descriptor, target);
    bool written = durability == Durability::now ? gf_writeAllAndSync(descriptor, bytes, error)
                                                 : gf_writeAll(descriptor, bytes);
    if (!written && error.empty()) {
        error = lf_systemMessage(errno);
    }
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

void gf_removeOrphanTemporaryFiles(const fs::path& folder)
{
    std::error_code ec;
    std::size_t removed = 0;
    for (fs::directory_iterator entry(folder, ec), end; !ec && entry != end; entry.increment(ec)) {
        const std::optional<long> process = lf_temporaryFileProcess(entry->path().filename().native());
        std::error_code typeError;
        if (!process || os::processIsRunning(*process) || !entry->is_regular_file(typeError)) {
            continue;
        }
        std::error_code removeError;
        if (fs::remove(entry->path(), removeError)) {
            ++removed;
        } else if (removeError) {
            gf_logAlert(fmt::format("Failed to remove {} ({})", entry->path().string(), removeError.message()));
        }
    }
    if (removed != 0) {
        gf_log(fmt::format("{} temporary file{} of ended runs removed from {}", removed, gf_plural(removed),
                           folder.string()));
    }
}

bool gf_replaceFileContents(const fs::path& path, std::string_view bytes, Durability durability)
{
    std::string error;
    fs::path target;
    if (!lf_resolveTarget(path, target, error) || !lf_replace(target, bytes, durability, error)) {
        gf_logAlert(fmt::format("Failed to write {} ({})", path.string(), error));
        return false;
    }
    if (durability == Durability::now && !lf_syncFolder(target, error)) {
        // The new contents are in place; only their survival of a power loss is in doubt.
        gf_logAlert(fmt::format("Failed to sync the folder of {} ({})", path.string(), error));
    }
    return true;
}

bool gf_syncFileSystem(const fs::path& folder)
{
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = descriptor >= 0 && ::syncfs(descriptor) == 0;
    const int code = errno;
    if (descriptor >= 0) {
        ::close(descriptor);
    }
    if (!synced) {
        gf_logAlert(fmt::format("Failed to sync {} ({})", folder.string(), lf_systemMessage(code)));
    }
    return synced;
}

} // namespace hlw
