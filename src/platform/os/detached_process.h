#pragma once
// Starts a helper program that outlives its caller's interest in it (a file browser, for example).
#include <string>
#include <vector>

namespace hlw::os {

// Runs the program (searched in PATH when it holds no '/') with the arguments, without a shell and without
// waiting for it to finish; it is never left as a zombie. True when the program was started.
bool startDetachedProgram(const std::string& program, const std::vector<std::string>& arguments);

} // namespace hlw::os
