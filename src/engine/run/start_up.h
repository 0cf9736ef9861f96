#pragma once
// The start-up of a worker's run: program and output folders, settings and installation, data files and the
// livery scan.
#include "engine/run/worker_context.h"

#include <filesystem>

namespace hlw {

// Start-up. Throws UserErrorException 41 when "docs" is not a folder of the current folder.
void gf_checkProgramFolder();
// Settings, simulator choice, output folders, version check (first start only), data files (once per program
// run), simulator installation and the live-traffic application's marker. False ends the start-up: a newer
// version was found, or production mode ends the program here.
bool gf_detectInstall(WorkerContext& context);
// Creates every folder the program writes into and removes the old "ObjectIdList.txt"; file-system errors throw.
void gf_checkOutputFolders();
// Removes plain copies of the sealed data files left in "input".
void gf_removeDecryptedCopies();
// The livery scan when "SCAN_LIVERIES" is on or "LiveriesScanned.xml" is missing, then the livery tables (once
// per program run, or after a rebuild request). Nothing is built after a stop.
void gf_runLiveryStartUp();
// The flight-plan folder "orig_dest" in the per-user data folder.
std::filesystem::path gf_flightPlanFolder();

} // namespace hlw
