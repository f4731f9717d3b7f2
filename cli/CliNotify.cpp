// Notification settings on velmorante-cli's command line.
#include "cli/CliNotify.h"

#include <filesystem>

#include "cli/Translate.h"
#include "notify/NotifyStore.h"

namespace cli {
namespace {

std::string ProblemText(NotifyProblem problem) {
  switch (problem) {
    case NotifyProblem::kNone:
      break;
    case NotifyProblem::kBadSmtpUrl:
      return _("--smtp must be smtp://HOST:PORT or smtps://HOST:PORT, without a user or password");
    case NotifyProblem::kBadAddress:
      return _("a mail address must be of the form name@domain, without spaces or angle brackets");
    case NotifyProblem::kMailIncomplete:
      return _(
          "mail needs an SMTP server (--smtp), a sender (--mail-from) and at least one "
          "recipient (--mail-to)");
    case NotifyProblem::kUserWithoutPassword:
      return _("--smtp-user needs --smtp-password-file or --smtp-password-env");
    case NotifyProblem::kPasswordWithoutUser:
      return _("an SMTP password needs --smtp-user");
    case NotifyProblem::kTwoPasswordSources:
      return _("give either --smtp-password-file or --smtp-password-env, not both");
    case NotifyProblem::kBadEnvName:
      return _("--smtp-password-env must name an environment variable (letters, digits and '_')");
  }
  return "";
}

std::string PasswordFile(const std::string& given) {
  if (given.empty()) return given;
  std::error_code error;
  const std::string path = std::filesystem::absolute(given, error).lexically_normal().string();
  switch (CheckPasswordFile(path)) {
    case PasswordFileProblem::kNone:
      return path;
    case PasswordFileProblem::kOpenToOthers:
      throw UsageError(Format(_("the password file %s may be read by others than its owner; make "
                                "it private first: chmod 600 %s"),
                              path, path));
    case PasswordFileProblem::kNotAFile:
      throw UsageError(Format(_("the password file %s is not a file"), path));
    case PasswordFileProblem::kNotAbsolute:
    case PasswordFileProblem::kMissing:
      break;
  }
  throw UsageError(Format(_("cannot read the password file %s"), path));
}

}  // namespace

const std::set<std::string>& NotifyOptions() {
  static const std::set<std::string> options = {
      "--notify-command", "--smtp",          "--mail-from",          "--mail-to",
      "--smtp-user",      "--smtp-password", "--smtp-password-file", "--smtp-password-env"};
  return options;
}

bool ApplyNotifyOptions(const CommandLine& line, StationNotify& notify) {
  // Taken only to be refused: a password on the command line shows in every process listing.
  if (line.Has("--smtp-password")) {
    throw UsageError(
        _("a password is never given on the command line: keep it in a file only "
          "you can read (--smtp-password-file) or in an environment variable "
          "(--smtp-password-env)"));
  }
  bool given = false;
  const auto take = [&](const char* option, std::string& setting) {
    if (!line.Has(option)) return;
    setting = line.Value(option);
    given = true;
  };
  take("--notify-command", notify.command);
  take("--smtp", notify.smtpUrl);
  take("--mail-from", notify.mailFrom);
  take("--smtp-user", notify.smtpUser);
  if (line.Has("--mail-to")) {
    notify.mailTo.clear();
    for (const std::string& to : line.Values("--mail-to")) {
      if (!to.empty()) notify.mailTo.push_back(to);
    }
    given = true;
  }
  // The two sources of the password replace each other.
  if (line.Has("--smtp-password-file")) {
    notify.passwordFile = PasswordFile(line.Value("--smtp-password-file"));
    if (line.Has("--smtp-password-env")) {
      throw UsageError(ProblemText(NotifyProblem::kTwoPasswordSources));
    }
    notify.passwordEnv.clear();
    given = true;
  } else if (line.Has("--smtp-password-env")) {
    notify.passwordEnv = line.Value("--smtp-password-env");
    notify.passwordFile.clear();
    given = true;
  }
  if (given) {
    if (const NotifyProblem problem = CheckNotify(notify); problem != NotifyProblem::kNone) {
      throw UsageError(ProblemText(problem));
    }
  }
  return given;
}

nlohmann::ordered_json NotifyJson(const StationNotify& notify) {
  using Json = nlohmann::ordered_json;
  const auto text = [](const std::string& value) {
    return value.empty() ? Json(nullptr) : Json(value);
  };
  return {{"command", text(notify.command)},
          {"smtp", text(notify.smtpUrl)},
          {"mail_from", text(notify.mailFrom)},
          {"mail_to", notify.mailTo},
          {"smtp_user", text(notify.smtpUser)},
          {"smtp_password_file", text(notify.passwordFile)},
          {"smtp_password_env", text(notify.passwordEnv)}};
}

std::string DescribeNotify(const StationNotify& notify) {
  std::string text;
  if (notify.HasCommand()) text = Format(_("by command '%s'"), notify.command);
  if (notify.HasMail()) {
    std::string to;
    for (const std::string& address : notify.mailTo) to += (to.empty() ? "" : ", ") + address;
    if (!text.empty()) text += "; ";
    text += Format(_("by mail through %s from %s to %s"), notify.smtpUrl, notify.mailFrom, to);
    if (!notify.smtpUser.empty()) {
      text +=
          " " + (notify.passwordFile.empty() ? Format(_("(user %s, password from the variable %s)"),
                                                      notify.smtpUser, notify.passwordEnv)
                                             : Format(_("(user %s, password from the file %s)"),
                                                      notify.smtpUser, notify.passwordFile));
    }
  }
  return text.empty() ? std::string(_("none configured")) : text;
}

void PrintDeliveries(const DeliveryTally& tally, std::ostream& out) {
  if (tally.delivered == 0 && tally.waiting == 0) return;
  out << "  "
      << Format(_("notifications: %s delivered, %s waiting"), std::to_string(tally.delivered),
                std::to_string(tally.waiting))
      << '\n';
  if (!tally.lastError.empty()) {
    out << "  " << Format(_("last notification failure: %s"), tally.lastError) << '\n';
  }
}

}  // namespace cli
