// velmorante-cli as a process of a test: started with its standard output and error in files, its
// messages in English whatever the language of the session running the tests (LC_ALL=C, the
// other language variables left out), and, where file permissions must hold for a test run by
// the superuser, as the unprivileged user "nobody" (65534).
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

struct CliOutputFiles {
  std::string out, err;
  bool truncateOut = true;  // false: write into an existing file as it stands
};

// The process id, or -1 when it could not be started.
inline pid_t StartCli(const std::vector<std::string>& args, const CliOutputFiles& files,
                      bool asNobody = false) {
  std::vector<std::string> all = {VELMORANTE_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> entries = {"LC_ALL=C"};
  for (char** variable = environ; *variable; ++variable) {
    const std::string entry = *variable;
    if (entry.rfind("LC_", 0) != 0 && entry.rfind("LANG", 0) != 0) entries.push_back(entry);
  }
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  const int outFlags = O_WRONLY | (files.truncateOut ? O_CREAT | O_TRUNC : 0);
  const pid_t pid = fork();
  if (pid == 0) {
    // Only calls that are safe between fork and exec: the test runs threads of its own.
    const int out = ::open(files.out.c_str(), outFlags, 0600);
    const int err = ::open(files.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    if (asNobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// Waits for the process to end: its exit status, -1 when a signal ended it or it never started.
inline int WaitForCli(pid_t pid) {
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
