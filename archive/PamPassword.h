// Checks a system account's password through PAM, so that a signer proves who they are with the
// password they log in with. Nothing here keeps or writes the password.
#pragma once

#include <string>

// The PAM service the package configures in /etc/pam.d.
extern const char* const kSignPamService;

struct PasswordCheck {
  bool accepted = false;
  std::string refusal;  // PAM's reason when refused: a wrong password, an expired account...
};

// Authenticates `user` with `password` and checks that the account may be used now (not expired,
// not locked). `password` is wiped before return, whatever the outcome. `configFolder` names
// another folder of PAM service files than the system's (tests use the packaged one).
// Note: PAM's own modules check another user's password only when run as root; an ordinary user
// can check their own.
PasswordCheck CheckSystemPassword(const std::string& user, std::string& password,
                                  const char* configFolder = nullptr);

// Overwrites `text` with zeros in a way the compiler keeps, then empties it.
void WipeText(std::string& text);
