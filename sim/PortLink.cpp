// The emulator's stable port name: a symbolic link to its pseudo-terminal, made and removed.
#include "sim/PortLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

std::string LinkTarget(const std::string& link) {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace

void PointPortLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    throw std::runtime_error(link + " exists and is not a symbolic link");
  }
  // Made under a name of its own and renamed over the old link: no moment without a link.
  const std::string fresh = link + ".new-" + std::to_string(::getpid());
  ::unlink(fresh.c_str());
  if (::symlink(target.c_str(), fresh.c_str()) != 0) {
    throw std::runtime_error("cannot make the link " + link + ": " + std::strerror(errno));
  }
  if (::rename(fresh.c_str(), link.c_str()) != 0) {
    const int error = errno;
    ::unlink(fresh.c_str());
    throw std::runtime_error("cannot make the link " + link + ": " + std::strerror(error));
  }
}

void RemovePortLink(const std::string& link, const std::string& target) {
  if (!link.empty() && LinkTarget(link) == target) ::unlink(link.c_str());
}
