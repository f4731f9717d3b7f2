// A plain-text mail in UTF-8 as it travels: the headers (Date, Message-ID, From, To, a Subject
// encoded for any language, MIME type and encoding) and the body in quoted-printable, CR LF line
// ends throughout.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct MailMessage {
  std::string from;
  std::vector<std::string> to;
  std::string subject;  // UTF-8
  std::string body;     // UTF-8, lines ended by '\n'
};

// The message ready for the SMTP DATA phase. `when` fills the Date header (in UTC) and, with
// `unique`, the Message-ID.
std::string ComposeMail(const MailMessage& mail, std::chrono::system_clock::time_point when,
                        const std::string& unique);

// `text` as RFC 2047 encoded words (UTF-8, base64) when it holds anything but printable ASCII,
// each word short enough for a header line.
std::string EncodeHeaderText(const std::string& text);
// `text` in quoted-printable with CR LF line ends and lines of at most 76 characters.
std::string QuotedPrintable(const std::string& text);
