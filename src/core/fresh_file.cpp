#include "core/fresh_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hlw {

int gf_createFreshFile(const std::filesystem::path& path)
{
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && (S_ISREG(existing.st_mode) || S_ISLNK(existing.st_mode))) {
        ::unlink(path.c_str());
    }
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

bool gf_writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

} // namespace hlw
