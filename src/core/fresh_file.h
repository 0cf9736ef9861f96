#pragma once
// Files created anew in folders that others may write to (the program folder): whatever file or link stands at
// the name is removed first and the new file is created exclusively, so a write never goes through a planted
// symbolic link. The program may run with administrator rights, and a followed link would let it overwrite any
// file.
#include <filesystem>
#include <string_view>

namespace hlw {

// Removes a regular file or a symbolic link at path, then creates an empty file there for writing
// (O_CREAT | O_EXCL | O_NOFOLLOW, permissions 0666 less the umask). Any other entry at the name (a folder, a
// device) is left alone and the creation fails. Returns the open descriptor, or -1 with errno set.
int gf_createFreshFile(const std::filesystem::path& path);

// Writes every byte to an open descriptor, retrying short and interrupted writes. False with errno set on failure.
bool gf_writeAll(int descriptor, std::string_view bytes);

} // namespace hlw
