#pragma once
// The worker's start-up steps that the program has so far, in the order the worker runs them: the program
// folder check, "parameters.xml", the chosen simulator, the output folders and the removal of temporary files
// that killed runs left there and in the settings folder, the reference database, the airports database, the
// simulator installation, and the removal of decrypted copies left in "input". Each reader logs its own counts;
// the steps return the same counts as lines for the console.
#include <string>
#include <vector>

namespace hlw {

// The per-user data folder that holds "parameters.xml"; made before the settings are read.
void gf_makeDataFolder();

// Runs the steps and returns the summary lines. Throws UserErrorException 41 outside the program folder,
// std::runtime_error "reading data files failed!" or "reading '{}' failed!" when a database holds nothing, the
// readers' own errors (UserErrorException 61 and 88 among them), and UserErrorException 150 when no simulator
// installation is stored or found.
std::vector<std::string> gf_runStartUpSteps();

} // namespace hlw
