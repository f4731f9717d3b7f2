#include "link/SerialPortList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A throw-away /dev and /sys/class/tty made of plain files and folders.
class FakeDeviceTree : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "portlist-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    roots_.devDir = (root_ / "dev").string();
    roots_.ttyClassDir = (root_ / "sys").string();
    roots_.requireCharacterDevice = false;
    fs::create_directories(roots_.devDir);
    fs::create_directories(roots_.ttyClassDir);
  }
  void TearDown() override { fs::remove_all(root_); }

  void Node(const std::string& name) { std::ofstream(fs::path(roots_.devDir) / name).put('\0'); }
  void LegacyPort(const std::string& name, const char* type, bool driver) {
    Node(name);
    const fs::path dir = fs::path(roots_.ttyClassDir) / name;
    fs::create_directories(dir);
    if (type != nullptr) std::ofstream(dir / "type") << type << "\n";
    if (driver) fs::create_directories(dir / "device" / "driver");
  }
  std::string Dev(const std::string& name) const { return roots_.devDir + "/" + name; }

  fs::path root_;
  SerialPortRoots roots_;
};

TEST_F(FakeDeviceTree, ListsAdaptersAndOnlyLegacyPortsWithHardware) {
  LegacyPort("ttyS0", "4", true);       // a 16550A
  LegacyPort("ttyS1", "0", true);       // placeholder of the legacy driver: no UART
  LegacyPort("ttyS2", nullptr, true);   // no type attribute, driver bound
  LegacyPort("ttyS3", nullptr, false);  // no type attribute, nothing bound
  Node("ttyS4");                        // no entry in the tty class at all
  for (const char* name : {"ttyUSB0", "ttyACM0", "ttyAMA0", "rfcomm0", "ttyXRUSB1"}) Node(name);
  for (const char* name : {"tty0", "ttyUSB", "ttyUSBx", "console", "ttyprintk", "ttyS1a"})
    Node(name);
  fs::create_directories(fs::path(roots_.devDir) / "ttyUSB7");  // a folder is no device

  const std::vector<std::string> expected = {Dev("rfcomm0"),  Dev("ttyACM0"), Dev("ttyAMA0"),
                                             Dev("ttyS0"),    Dev("ttyS2"),   Dev("ttyUSB0"),
                                             Dev("ttyXRUSB1")};
  EXPECT_EQ(ListSerialPortsUnder(roots_), expected);
}

TEST_F(FakeDeviceTree, SortsWithoutRegardToCaseAndDropsDuplicates) {
  Node("ttyUSB2");
  Node("ttyUSB10");
  Node("ttyUSB1");
  const std::vector<std::string> extra = {"COM2", "COM10",        "com1", "",
                                          "COM2", Dev("ttyUSB1"), "COM1"};
  const std::vector<std::string> expected = {
      Dev("ttyUSB1"), Dev("ttyUSB10"), Dev("ttyUSB2"), "COM1", "com1", "COM10", "COM2"};
  // The temporary folder's path starts with '/', which sorts before letters.
  EXPECT_EQ(ListSerialPortsUnder(roots_, extra), expected);
}

TEST_F(FakeDeviceTree, StableNamesGiveTheDeviceTheyPointToAndSkipDanglingLinks) {
  EXPECT_TRUE(ListSerialPortLinksUnder(roots_).empty());  // no by-id folder: nothing plugged in
  Node("ttyUSB0");
  Node("ttyUSB1");
  const fs::path byId = fs::path(roots_.devDir) / "serial" / "by-id";
  fs::create_directories(byId);
  fs::create_symlink("../../ttyUSB1", byId / "usb-Maker_B_2-if00-port0");
  fs::create_symlink("../../ttyUSB0", byId / "usb-Maker_A_1-if00-port0");
  fs::create_symlink("../../ttyUSB5", byId / "usb-Gone_C_3-if00-port0");  // unplugged
  const std::vector<SerialPortLink> links = ListSerialPortLinksUnder(roots_);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0].path, (byId / "usb-Maker_A_1-if00-port0").string());
  EXPECT_EQ(links[0].device, fs::canonical(Dev("ttyUSB0")).string());
  EXPECT_EQ(links[1].device, fs::canonical(Dev("ttyUSB1")).string());
}

TEST_F(FakeDeviceTree, UnreadableFoldersGiveOnlyTheExtraNames) {
  SerialPortRoots missing;
  missing.devDir = (root_ / "nowhere").string();
  missing.ttyClassDir = (root_ / "nowhere-either").string();
  EXPECT_EQ(ListSerialPortsUnder(missing, {"/dev/pts/7"}), std::vector<std::string>{"/dev/pts/7"});
}

TEST(PortNameOrder, IsPlainCaseInsensitiveStringOrder) {
  std::vector<std::string> names = {"COM2", "COM10", "COM1", "com3", "COM3", "COM1"};
  SortPortNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM10", "COM2", "COM3", "com3"}));
}

TEST(PortNameOrder, MachineListKeepsExtraNames) {
  // Reads the real /dev and /sys without opening anything.
  const auto ports = ListSerialPorts({"/dev/pts/999"});
  EXPECT_NE(std::find(ports.begin(), ports.end(), "/dev/pts/999"), ports.end());
  EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(), PortNameLess));
}

}  // namespace
