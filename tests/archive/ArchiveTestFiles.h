// Temporary folders and file helpers shared by the archive tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace archive_test {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::path(::testing::TempDir()) / "velmorante-archive-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  std::string File(const char* name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

inline std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A download text of `samples` sample lines, in the logger's layout, with its end marker.
inline std::string DownloadText(int samples, int seed = 0) {
  std::string text = "012003015030\r\n045014002000\r\n";
  for (int k = 0; k < samples; ++k) {
    char line[32];
    std::snprintf(line, sizeof line, "%03d%03d%03d%03d\r\n", 7, (68 + k + seed) % 256, 2,
                  (223 + 3 * k) % 256);
    text += line;
  }
  return text + "A";
}

}  // namespace archive_test
