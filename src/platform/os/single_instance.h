#pragma once
// Keeps a second copy of the program from running: the first copy holds an advisory lock on a named lock file
// for as long as it runs; the system drops the lock when the process ends, however it ends.
#include <filesystem>
#include <memory>
#include <string_view>

namespace hlw::os {

struct SingleInstanceAttempt;

class SingleInstanceLock {
public:
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock of that name in the user's runtime folder ($XDG_RUNTIME_DIR), else in the temporary folder
    // with the user id in the file name: when the variable is unset or relative, or the lock file cannot be made
    // in the runtime folder. Only a lock that another process holds there keeps it from the temporary folder.
    static SingleInstanceAttempt acquire(std::string_view name);
    // The same in a given folder.
    static SingleInstanceAttempt acquireIn(const std::filesystem::path& folder, std::string_view name);

    // The lock file's name for a lock name: every character but letters, digits, '.', '-' and '_' becomes '_'.
    static std::string fileNameFor(std::string_view name);

private:
    explicit SingleInstanceLock(int descriptor) : descriptor_(descriptor) {}
    int descriptor_;
};

// The lock, or why there is none: another process holds it, or its file cannot be made.
struct SingleInstanceAttempt {
    std::unique_ptr<SingleInstanceLock> lock;
    // The lock file tried last.
    std::filesystem::path file;
    // Without the lock: 0 when another process holds it, else the system's error number for the lock file.
    int error = 0;

    explicit operator bool() const noexcept { return lock != nullptr; }
    bool heldByAnother() const noexcept { return lock == nullptr && error == 0; }
};

} // namespace hlw::os
