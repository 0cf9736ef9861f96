#include "core/shell_actions.h"

#include "core/fresh_file.h"
#include "core/known_folders.h"
#include "core/user_warning.h"
#include "platform/os/elevation.h"

#include <algorithm>
#include <array>
#include <system_error>

#include <unistd.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;

bool lf_openFolderOf(const fs::path& path, std::string_view failureText)
{
    if (gf_shellOpen(path)) {
        return true;
    }
    gf_warnUser(failureText);
    return false;
}

bool lf_isUnder(const fs::path& folder, const fs::path& root)
{
    const fs::path normal = folder.lexically_normal();
    return std::mismatch(root.begin(), root.end(), normal.begin(), normal.end()).first == root.end();
}

} // namespace

bool gf_openParametersFolder(const fs::path& parametersFile)
{
    return lf_openFolderOf(parametersFile, "Could not open folder with parameters.xml");
}

bool gf_openManual()
{
    std::error_code ec;
    return lf_openFolderOf(fs::current_path(ec) / "docs" / "Manual.pdf", "Could not open local folder with Manual");
}

bool gf_isProtectedInstallFolder(const fs::path& folder)
{
    static const std::array<fs::path, 2> systemRoots{"/usr", "/opt"};
    return std::any_of(systemRoots.begin(), systemRoots.end(),
                       [&folder](const fs::path& root) { return lf_isUnder(folder, root); });
}

bool gf_folderIsWritable(const fs::path& folder)
{
    const fs::path probe = folder / ".write_test.tmp";
    // An old probe (or a link planted at its name) is replaced, never written through.
    const int descriptor = gf_createFreshFile(probe);
    if (descriptor < 0) {
        return false;
    }
    const bool written = gf_writeAll(descriptor, std::string_view("\0", 1));
    ::close(descriptor);
    ::unlink(probe.c_str());
    return written;
}

std::string_view gf_newVersionWording(bool protectedFolder, bool writable, bool elevated) noexcept
{
    return protectedFolder && !writable && !elevated ? newVersionRunAsAdministrator : newVersionRunNormally;
}

std::string gf_newVersionMessage(const fs::path& installFolder)
{
    if (!gf_isProtectedInstallFolder(installFolder) || gf_folderIsWritable(installFolder)) {
        return std::string(newVersionRunNormally);
    }
    return std::string(gf_newVersionWording(true, false, os::isElevated()));
}

} // namespace hlw
