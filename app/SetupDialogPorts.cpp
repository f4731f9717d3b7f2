// Collects the extra names of the setup dialog's port list.
#include "app/SetupDialogPorts.h"

std::vector<std::string> SetupDialogExtraPorts(const std::vector<std::string>& given,
                                               const SerialPortRoots& roots) {
  std::vector<std::string> names = given;
  for (const SerialPortLink& link : ListSerialPortLinksUnder(roots)) names.push_back(link.path);
  return names;
}
