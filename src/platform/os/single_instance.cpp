#include "platform/os/single_instance.h"

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

std::unique_ptr<SingleInstanceLock> SingleInstanceLock::acquire(std::string_view name)
{
    const char* runtimeFolder = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeFolder != nullptr && std::filesystem::path{runtimeFolder}.is_absolute()) {
        return acquireIn(runtimeFolder, name);
    }
    // The shared temporary folder holds every user's locks, so the user id keeps them apart.
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) {
        folder = "/tmp";
    }
    return acquireIn(folder, std::string{name} + "-" + std::to_string(getuid()));
}

std::unique_ptr<SingleInstanceLock> SingleInstanceLock::acquireIn(const std::filesystem::path& folder,
                                                                  std::string_view name)
{
    const std::filesystem::path file = folder / fileNameFor(name);
    const int descriptor = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) {
        return nullptr;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<SingleInstanceLock>(new SingleInstanceLock(descriptor));
}

} // namespace hlw::os
