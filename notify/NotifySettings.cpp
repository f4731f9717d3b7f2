// Checks of a station's notification settings and the reading of the SMTP password.
#include "notify/NotifySettings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

NotifyProblem CheckSmtpUrl(const std::string& url) {
  std::string rest;
  if (url.rfind("smtp://", 0) == 0) {
    rest = url.substr(7);
  } else if (url.rfind("smtps://", 0) == 0) {
    rest = url.substr(8);
  } else {
    return NotifyProblem::kBadSmtpUrl;
  }
  // Credentials in the address would end up in listings and logs.
  if (rest.empty() || rest[0] == '/' || rest[0] == ':' || rest.find('@') != std::string::npos) {
    return NotifyProblem::kBadSmtpUrl;
  }
  for (const char c : rest) {
    if (std::iscntrl(static_cast<unsigned char>(c)) != 0 || c == ' ') {
      return NotifyProblem::kBadSmtpUrl;
    }
  }
  return NotifyProblem::kNone;
}

bool IsMailAddress(const std::string& address) {
  const std::size_t at = address.rfind('@');
  if (at == std::string::npos || at == 0 || at + 1 == address.size()) return false;
  for (const char c : address) {
    // A line break or angle bracket would let the address write headers or commands of its own.
    if (std::iscntrl(static_cast<unsigned char>(c)) != 0 || c == ' ' || c == '<' || c == '>' ||
        c == ',') {
      return false;
    }
  }
  return true;
}

NotifyProblem CheckNotify(const StationNotify& notify) {
  if (!notify.smtpUrl.empty()) {
    if (const NotifyProblem url = CheckSmtpUrl(notify.smtpUrl); url != NotifyProblem::kNone) {
      return url;
    }
  }
  if (!notify.mailFrom.empty() && !IsMailAddress(notify.mailFrom)) {
    return NotifyProblem::kBadAddress;
  }
  for (const std::string& to : notify.mailTo) {
    if (!IsMailAddress(to)) return NotifyProblem::kBadAddress;
  }
  if (notify.HasMail() && (notify.mailFrom.empty() || notify.mailTo.empty())) {
    return NotifyProblem::kMailIncomplete;
  }
  if (!notify.passwordFile.empty() && !notify.passwordEnv.empty()) {
    return NotifyProblem::kTwoPasswordSources;
  }
  for (const char c : notify.passwordEnv) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '_') {
      return NotifyProblem::kBadEnvName;
    }
  }
  const bool password = !notify.passwordFile.empty() || !notify.passwordEnv.empty();
  if (!notify.smtpUser.empty() && !password) return NotifyProblem::kUserWithoutPassword;
  if (notify.smtpUser.empty() && password) return NotifyProblem::kPasswordWithoutUser;
  return NotifyProblem::kNone;
}

PasswordFileProblem CheckPasswordFile(const std::string& path) {
  if (path.empty() || path[0] != '/') return PasswordFileProblem::kNotAbsolute;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), R_OK) != 0) {
    return PasswordFileProblem::kMissing;
  }
  if (!S_ISREG(info.st_mode)) return PasswordFileProblem::kNotAFile;
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) return PasswordFileProblem::kOpenToOthers;
  return PasswordFileProblem::kNone;
}

std::optional<std::string> ReadSmtpPassword(const StationNotify& notify) {
  if (!notify.passwordEnv.empty()) {
    const char* value = std::getenv(notify.passwordEnv.c_str());
    if (value == nullptr) {
      throw std::runtime_error("the environment variable " + notify.passwordEnv +
                               " that holds the SMTP password is not set");
    }
    return std::string(value);
  }
  if (notify.passwordFile.empty()) return std::nullopt;
  switch (CheckPasswordFile(notify.passwordFile)) {
    case PasswordFileProblem::kNone:
      break;
    case PasswordFileProblem::kOpenToOthers:
      throw std::runtime_error("the SMTP password file " + notify.passwordFile +
                               " may be read by others than its owner; make it private with "
                               "chmod 600");
    default:
      throw std::runtime_error("the SMTP password file " + notify.passwordFile + " cannot be read");
  }
  std::ifstream file(notify.passwordFile, std::ios::binary);
  std::string password;
  std::getline(file, password);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (file.bad()) {
    throw std::runtime_error("the SMTP password file " + notify.passwordFile + " cannot be read");
  }
  return password;
}

std::string JoinAddresses(const std::vector<std::string>& addresses) {
  std::string text;
  for (const std::string& address : addresses) {
    if (!text.empty()) text += '\n';
    text += address;
  }
  return text;
}

std::vector<std::string> SplitAddresses(const std::string& text) {
  std::vector<std::string> addresses;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    if (end > from) addresses.push_back(text.substr(from, end - from));
    from = end + 1;
  }
  return addresses;
}
