// The environment of a program that a test runs and whose messages it reads: this process's own,
// with the language variables replaced by LC_ALL=C, so that the messages are the English ones
// whatever the language of the session running the tests.
#pragma once

#include <string>
#include <vector>

extern char** environ;

class EnglishEnvironment {
 public:
  EnglishEnvironment() {
    entries_.push_back("LC_ALL=C");
    for (char** variable = environ; *variable; ++variable) {
      const std::string entry = *variable;
      if (entry.rfind("LC_", 0) != 0 && entry.rfind("LANG", 0) != 0) entries_.push_back(entry);
    }
    for (std::string& entry : entries_) pointers_.push_back(entry.data());
    pointers_.push_back(nullptr);
  }
  EnglishEnvironment(const EnglishEnvironment&) = delete;
  EnglishEnvironment& operator=(const EnglishEnvironment&) = delete;

  // For posix_spawn and execve; valid while this object lives.
  char** get() { return pointers_.data(); }

 private:
  std::vector<std::string> entries_;
  std::vector<char*> pointers_;
};
