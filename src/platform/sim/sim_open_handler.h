#pragma once
// The seam for an in-process back end of the simulator client layer, such as the tests' recording one: while an
// open handler is installed, SimConnect_Open asks it first.
#include "platform/sim/simconnect_shim.h"

namespace hlw {

// Opens a connection of its own and returns true, with the open's result in result and the handle in *handle; or
// returns false to leave the open to the socket back end.
using SimOpenHandler = bool (*)(const char* clientName, HANDLE* handle, HRESULT& result);

// nullptr removes the handler.
void gf_simSetOpenHandler(SimOpenHandler handler) noexcept;
SimOpenHandler gf_simOpenHandler() noexcept;

}  // namespace hlw
