// How a station's alarm events reach people: a command that receives each event as JSON, and mail
// sent through an SMTP server. The settings, their checks, and the reading of the server's
// password, which is kept only in a file of its owner's or in an environment variable.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct StationNotify {
  std::string station;
  std::string command;  // run with /bin/sh -c; empty: no command
  std::string smtpUrl;  // smtp://host:port or smtps://host:port; empty: no mail
  std::string smtpUser;
  std::string passwordFile;  // absolute path; at most one of the two password sources
  std::string passwordEnv;
  std::string mailFrom;
  std::vector<std::string> mailTo;

  bool HasCommand() const { return !command.empty(); }
  bool HasMail() const { return !smtpUrl.empty(); }
  bool operator==(const StationNotify&) const = default;
};

// What is wrong with a setting; kNone when it may be kept.
enum class NotifyProblem {
  kNone,
  kBadSmtpUrl,      // not smtp:// or smtps:// with a host, or carrying a user or password
  kBadAddress,      // a mail address that is not local@domain, or holds a line break
  kMailIncomplete,  // a server without a sender or without a recipient
  kUserWithoutPassword,
  kPasswordWithoutUser,
  kTwoPasswordSources,
  kBadEnvName,  // not letters, digits and '_'
};
NotifyProblem CheckSmtpUrl(const std::string& url);
bool IsMailAddress(const std::string& address);
// The first problem of the settings as a whole.
NotifyProblem CheckNotify(const StationNotify& notify);

// What stops a password file from being used.
enum class PasswordFileProblem {
  kNone,
  kNotAbsolute,
  kMissing,       // cannot be read (missing, no permission)
  kNotAFile,      // a folder, a device, ...
  kOpenToOthers,  // group or others may read or write it
};
PasswordFileProblem CheckPasswordFile(const std::string& path);

// The password from the file (its first line, without the line end) or the environment variable;
// none when the settings name no source. Throws std::runtime_error, whose text never holds the
// password, when the source cannot be used.
std::optional<std::string> ReadSmtpPassword(const StationNotify& notify);

// The recipients as the archive keeps them (one line each) and back.
std::string JoinAddresses(const std::vector<std::string>& addresses);
std::vector<std::string> SplitAddresses(const std::string& text);
