// Sends one mail through an SMTP server with libcurl: smtp:// with STARTTLS when the server offers
// it, smtps:// with TLS from the start, time limits on connecting and on the whole exchange, and an
// abort within about a second when a stop is asked.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class StopSignal;

struct MailServer {
  std::string url;  // smtp://host:port or smtps://host:port
  std::string user;
  std::optional<std::string> password;
  std::chrono::milliseconds connectLimit{15000};
  std::chrono::milliseconds limit{60000};
};

struct MailOutcome {
  bool delivered = false;
  std::string error;  // curl's account of the failure; never the password
};

// `message` is the whole mail as ComposeMail makes it. Throws nothing.
MailOutcome SendMail(const MailServer& server, const std::string& from,
                     const std::vector<std::string>& to, const std::string& message,
                     const StopSignal& stop);
