#include "platform/os/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace hlw::os {

SingleInstanceLock::~SingleInstanceLock() { close(descriptor_); }

std::string SingleInstanceLock::fileNameFor(std::string_view name)
{
    std::string fileName;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '-' || c == '_';
        fileName.push_back(plain ? c : '_');
    }
    return fileName + ".lock";
}

SingleInstanceAttempt SingleInstanceLock::acquire(std::string_view name)
{
    const char* runtimeFolder = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeFolder != nullptr && std::filesystem::path{runtimeFolder}.is_absolute()) {
        SingleInstanceAttempt attempt = acquireIn(runtimeFolder, name);
        if (attempt || attempt.heldByAnother()) {
            return attempt;
        }
    }
    // The shared temporary folder holds every user's locks, so the user id keeps them apart.
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) {
        folder = "/tmp";
    }
    return acquireIn(folder, std::string{name} + "-" + std::to_string(getuid()));
}

SingleInstanceAttempt SingleInstanceLock::acquireIn(const std::filesystem::path& folder, std::string_view name)
{
    SingleInstanceAttempt attempt;
    attempt.file = folder / fileNameFor(name);
    const int descriptor = open(attempt.file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) {
        attempt.error = errno;
        return attempt;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        attempt.error = errno == EWOULDBLOCK ? 0 : errno;
        close(descriptor);
        return attempt;
    }
    attempt.lock.reset(new SingleInstanceLock(descriptor));
    return attempt;
}

} // namespace hlw::os
