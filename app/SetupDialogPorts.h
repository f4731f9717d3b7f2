// The names the setup dialog offers beyond the machine's plain devices: the ones the program was
// given (an emulator's pseudo-terminal, --port) and each adapter's stable by-id name, which stays
// the same whichever device number the adapter gets when plugged in.
#pragma once

#include <string>
#include <vector>

#include "link/SerialPortList.h"

// `given` followed by the stable names found under `roots`.
std::vector<std::string> SetupDialogExtraPorts(const std::vector<std::string>& given,
                                               const SerialPortRoots& roots = {});
