// The sign command: the target and meaning from the command line, the password from the terminal
// without echo or one line of standard input, then the signature or the refusal.
#include "cli/CliSign.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <ostream>
#include <stdexcept>

#include "archive/DownloadArchive.h"
#include "archive/PamPassword.h"
#include "archive/SignedData.h"
#include "archive/Signing.h"
#include "cli/CliArguments.h"
#include "cli/OutputTargets.h"
#include "cli/Translate.h"
#include "record/RecordSelection.h"

namespace cli {
namespace {

const char kProgram[] = "velmorante-cli";

SignTarget TargetOf(const CommandLine& line) {
  const bool history = line.Has("--history");
  const bool station = line.Has("--station");
  if (history == station) throw UsageError(_("give either --history ID or --station NAME"));
  if (history) {
    if (line.Has("--from") || line.Has("--to"))
      throw UsageError(_("--from and --to go with --station, not with --history"));
    return SignTarget::Download(WholeNumber("--history", line.Value("--history"), 1, 2147483647));
  }
  if (!line.Has("--from") || !line.Has("--to"))
    throw UsageError(_("a station's period needs both --from and --to"));
  for (const char* name : {"--from", "--to"}) {
    if (!record::WallClockFromIso(line.Value(name)))
      throw UsageError(Format(_("%s must be a local date and time YYYY-MM-DDTHH:MM:SS, not '%s'"),
                              name, line.Value(name)));
  }
  if (*record::WallClockFromIso(line.Value("--from")) >
      *record::WallClockFromIso(line.Value("--to")))
    throw UsageError(_("--from is later than --to"));
  return SignTarget::StationPeriod(line.Value("--station"), line.Value("--from"),
                                   line.Value("--to"));
}

// The terminal's settings while echo is off, for the signal handler below.
termios gSavedTerminal{};

// A signal that ends the program while the password is typed gives the terminal its echo back
// first, then ends the program as it would have.
void RestoreTerminalAndDie(int signal) {
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Turns the terminal's echo off while the password is typed, and back on however reading ends.
class EchoOff {
 public:
  EchoOff() {
    if (tcgetattr(STDIN_FILENO, &gSavedTerminal) != 0)
      throw std::runtime_error(_("cannot read the terminal's settings"));
    for (const int signal : kSignals)
      previous_[Index(signal)] = std::signal(signal, RestoreTerminalAndDie);
    termios quiet = gSavedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
      Restore();
      throw std::runtime_error(_("cannot turn the terminal's echo off"));
    }
  }
  ~EchoOff() { Restore(); }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
  static std::size_t Index(int signal) {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
      if (kSignals[i] == signal) return i;
    return 0;
  }
  void Restore() {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
    for (const int signal : kSignals) std::signal(signal, previous_[Index(signal)]);
  }

  using Handler = void (*)(int);
  Handler previous_[std::size(kSignals)] = {};
};

// One line of standard input, without its line end.
std::string ReadPassword(bool fromStdin, const std::string& user, std::ostream& err) {
  std::string password;
  if (fromStdin) {
    std::getline(std::cin, password);
  } else {
    if (isatty(STDIN_FILENO) == 0)
      throw UsageError(_("no terminal to ask the password on: give it with --password-stdin"));
    err << Format(_("Password of %s: "), user) << std::flush;
    EchoOff quiet;
    std::getline(std::cin, password);
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return password;
}

}  // namespace

int SignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line =
      Parse(args, {"--history", "--station", "--from", "--to", "--meaning", "--user", "--archive"},
            {"--password-stdin"}, 0);
  const SignTarget target = TargetOf(line);
  if (!line.Has("--meaning"))
    throw UsageError(_("give the signature's meaning: --meaning revisado or --meaning aprobado"));
  const std::optional<SignMeaning> meaning = SignMeaningFromCode(line.Value("--meaning"));
  if (!meaning)
    throw UsageError(
        Format(_("--meaning must be revisado or aprobado, not '%s'"), line.Value("--meaning")));
  const AuditActor actor = CurrentActor(kProgram, VELMORANTE_VERSION);
  const std::string user = line.Has("--user") ? line.Value("--user") : actor.user;
  const std::string path = ArchivePathOf(line);
  if (!std::filesystem::exists(path)) throw std::runtime_error(Format(_("no archive at %s"), path));
  {
    // What is to be signed must be there before anyone is asked for a password.
    DownloadArchive data(path, ArchiveAccess::kReadOnly);
    SignedDataSha256(data, target);
  }
  std::string password = ReadPassword(line.Has("--password-stdin"), user, err);
  const SignOutcome outcome = SignWithPassword(path, target, *meaning, user, password, actor);
  if (!outcome.signedOk) {
    err << kProgram << ": "
        << Format(_("signature refused for %s: %s; the attempt is recorded in the audit trail"),
                  user, outcome.refusal)
        << '\n';
    return kFailed;
  }
  const SignatureRecord& s = *outcome.signature;
  out << Format(_("%s signed \"%s\" by %s at %s; data SHA-256 %s"), SignTargetText(target),
                SignMeaningTitle(s.meaning), s.signer, s.signedAt, s.dataSha256)
      << '\n';
  return kOk;
}

}  // namespace cli
