// The serial ports of this machine, as names that the serial port component can open.
//
// On Linux these are the device nodes under /dev of the usual serial drivers: ttyUSB, ttyACM,
// ttyAMA, rfcomm and similar adapters are listed when their node exists, and 16550-style ttyS ports
// only when the kernel found a real UART behind them (a ttyS node exists for every possible legacy
// port, most of them with nothing behind). No device is ever opened to find out.
#pragma once

#include <string>
#include <vector>

// Where to look: the device folder and the kernel's tty class folder. Tests point these at a fake
// tree.
struct SerialPortRoots {
  std::string devDir = "/dev";
  std::string ttyClassDir = "/sys/class/tty";
  // Real device nodes are character devices; a fake tree made of plain files turns this off.
  bool requireCharacterDevice = true;
};

// The machine's serial ports plus `extra` names (an emulator's pseudo-terminal, a name given on the
// command line), without duplicates, sorted by PortNameLess. Empty extra names are skipped. A
// folder that cannot be read contributes nothing.
std::vector<std::string> ListSerialPorts(const std::vector<std::string>& extra = {});
std::vector<std::string> ListSerialPortsUnder(const SerialPortRoots& roots,
                                              const std::vector<std::string>& extra = {});

// A stable name of a serial adapter: the link udev keeps under /dev/serial/by-id, named after the
// adapter's maker, model and serial number, so that it stays the same whichever ttyUSB number the
// adapter gets when plugged in.
struct SerialPortLink {
  std::string path;    // "/dev/serial/by-id/usb-Maker_Model_SERIAL-if00-port0"
  std::string device;  // where it points now: "/dev/ttyUSB0"
};

// The by-id links whose device exists, sorted by PortNameLess of their paths. The links are read,
// never the devices opened. A missing folder (no adapter plugged in) gives none.
std::vector<SerialPortLink> ListSerialPortLinks();
std::vector<SerialPortLink> ListSerialPortLinksUnder(const SerialPortRoots& roots);

// Plain string order without regard to case ("COM1" < "COM10" < "COM2"); names equal but for case
// are ordered by their exact text, so the order is total.
bool PortNameLess(const std::string& a, const std::string& b);

// Sorts by PortNameLess and removes exact duplicates.
void SortPortNames(std::vector<std::string>& names);
