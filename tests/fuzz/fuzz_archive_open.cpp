// Opens download archives with damaged pages: an archive of a few downloads, made once, with the
// fuzzer's bytes written over it at the place the input's first four bytes choose (or cut there).
// Whatever the damage, opening, listing, reading, verifying and archiving either work or raise an
// ArchiveError: no crash, no hang, nothing read out of bounds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "archive/DownloadArchive.h"

namespace {

namespace fs = std::filesystem;

fs::path g_folder;
std::string g_archive;  // the bytes of the whole archive

NewDownload Download(int samples) {
  NewDownload download;
  download.rawText = "012003015030\r\n045014002000\r\n";
  for (int k = 0; k < samples; ++k) download.rawText += "007068002223\r\n";
  download.rawText += 'A';
  download.port = "/dev/pts/1";
  download.program = "fuzz";
  return download;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void RemoveSideFiles(const fs::path& path) {
  std::error_code ignored;
  for (const char* suffix : {"-wal", "-shm", "-journal"})
    fs::remove(path.string() + suffix, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // In memory where the machine has it: every archived download is synced, and a loaded disk
  // would make a sync, not the code under test, take the time.
  std::error_code error;
  const fs::path base =
      fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string pattern = (base / "velmorante-fuzz-archive-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  g_folder = pattern;
  const fs::path seed = g_folder / "seed.sqlite";
  {
    DownloadArchive archive(seed.string());
    archive.Add(Download(3));
    archive.Add(Download(400));  // a text that spills over several pages
    NewDownload cut = Download(2);
    cut.rawText.pop_back();
    cut.reason = EndReason::kLineLost;
    archive.RecordSave(archive.Add(cut), "/tmp/x.txt", {});
  }
  g_archive = ReadAll(seed);
  if (g_archive.empty()) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const std::uint32_t place = data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t{data[3]} << 24;
  std::string bytes = g_archive;
  const std::size_t at = place % bytes.size();
  const std::string_view patch(reinterpret_cast<const char*>(data) + 4, size - 4);
  if (patch.empty()) {
    bytes.resize(at);  // cut short
  } else {
    bytes.replace(at, std::min(patch.size(), bytes.size() - at), patch);
  }
  const fs::path path = g_folder / "a.sqlite";
  RemoveSideFiles(path);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

  try {
    DownloadArchive archive(path.string(), ArchiveAccess::kReadOnly);
    for (const DownloadSummary& record : archive.List()) archive.Get(record.id);
    archive.Verify();
  } catch (const ArchiveError&) {
  }
  try {
    DownloadArchive archive(path.string());
    archive.Add(Download(1));
  } catch (const ArchiveError&) {
  }
  return 0;
}
