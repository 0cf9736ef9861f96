#pragma once
// Keeps a second copy of the program from running: the first copy holds an advisory lock on a named lock file
// for as long as it runs; the system drops the lock when the process ends, however it ends.
#include <filesystem>
#include <memory>
#include <string_view>

namespace hlw::os {

class SingleInstanceLock {
public:
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock of that name in the user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder with
    // the user id in the file name). Nullptr when another process holds it or the lock file cannot be opened.
    static std::unique_ptr<SingleInstanceLock> acquire(std::string_view name);
    // The same in a given folder.
    static std::unique_ptr<SingleInstanceLock> acquireIn(const std::filesystem::path& folder, std::string_view name);

    // The lock file's name for a lock name: every character but letters, digits, '.', '-' and '_' becomes '_'.
    static std::string fileNameFor(std::string_view name);

private:
    explicit SingleInstanceLock(int descriptor) : descriptor_(descriptor) {}
    int descriptor_;
};

} // namespace hlw::os
