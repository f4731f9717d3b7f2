#include "link/SerialPortList.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

namespace {

// Name prefixes of serial drivers whose device nodes exist only when there is hardware behind them
// (USB and Bluetooth adapters, on-chip UARTs of embedded boards).
constexpr const char* kAdapterPrefixes[] = {
    "ttyUSB", "ttyACM", "ttyAMA", "ttyXRUSB", "rfcomm", "ttyO",  "ttymxc",
    "ttySAC", "ttyTHS", "ttyMFD", "ttyHS",    "ttyLP",  "ttySC", "ttyGS",
};
constexpr const char* kLegacyPrefix = "ttyS";

// `name` is `prefix` followed by one or more digits.
bool HasNumberedPrefix(const std::string& name, const std::string& prefix) {
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; });
}

bool IsDeviceNode(const std::string& path, bool requireCharacterDevice) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  return requireCharacterDevice ? S_ISCHR(info.st_mode) : !S_ISDIR(info.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// A ttyS port is real when the kernel reports a UART type other than "unknown" (0). Older kernels
// without the type attribute: when a driver is bound to the port's device.
bool LegacyPortHasHardware(const std::string& classDir) {
  std::ifstream typeFile(classDir + "/type");
  if (typeFile) {
    long type = 0;
    if (typeFile >> type) return type != 0;
    return false;
  }
  return PathExists(classDir + "/device/driver");
}

std::vector<std::string> DirectoryEntries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* handle = ::opendir(dir.c_str());
  if (handle == nullptr) return names;
  while (const dirent* entry = ::readdir(handle)) names.emplace_back(entry->d_name);
  ::closedir(handle);
  return names;
}

int CompareIgnoringCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

bool PortNameLess(const std::string& a, const std::string& b) {
  const int c = CompareIgnoringCase(a, b);
  return c != 0 ? c < 0 : a < b;
}

void SortPortNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), PortNameLess);
  names.erase(std::unique(names.begin(), names.end()), names.end());
}

std::vector<std::string> ListSerialPortsUnder(const SerialPortRoots& roots,
                                              const std::vector<std::string>& extra) {
  std::vector<std::string> ports;
  for (const std::string& name : DirectoryEntries(roots.devDir)) {
    const std::string path = roots.devDir + "/" + name;
    bool wanted = false;
    if (HasNumberedPrefix(name, kLegacyPrefix)) {
      wanted = LegacyPortHasHardware(roots.ttyClassDir + "/" + name);
    } else {
      wanted = std::any_of(std::begin(kAdapterPrefixes), std::end(kAdapterPrefixes),
                           [&](const char* prefix) { return HasNumberedPrefix(name, prefix); });
    }
    if (wanted && IsDeviceNode(path, roots.requireCharacterDevice)) ports.push_back(path);
  }
  for (const std::string& name : extra)
    if (!name.empty()) ports.push_back(name);
  SortPortNames(ports);
  return ports;
}

std::vector<std::string> ListSerialPorts(const std::vector<std::string>& extra) {
  return ListSerialPortsUnder(SerialPortRoots{}, extra);
}

std::vector<SerialPortLink> ListSerialPortLinksUnder(const SerialPortRoots& roots) {
  const std::string folder = roots.devDir + "/serial/by-id";
  std::vector<SerialPortLink> links;
  for (const std::string& name : DirectoryEntries(folder)) {
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    // A link left behind by an adapter just pulled out points nowhere: it is no port.
    char* target = ::realpath(path.c_str(), nullptr);
    if (target == nullptr) continue;
    const std::string device = target;
    std::free(target);
    if (IsDeviceNode(device, roots.requireCharacterDevice)) links.push_back({path, device});
  }
  std::sort(links.begin(), links.end(), [](const SerialPortLink& a, const SerialPortLink& b) {
    return PortNameLess(a.path, b.path);
  });
  return links;
}

std::vector<SerialPortLink> ListSerialPortLinks() {
  return ListSerialPortLinksUnder(SerialPortRoots{});
}
