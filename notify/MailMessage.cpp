// Composition of plain-text mails: headers, encoded subject and quoted-printable body.
#include "notify/MailMessage.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(const std::string& bytes) {
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                       static_cast<unsigned char>(bytes[i + 1]) << 8 |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += {kBase64[v >> 18], kBase64[(v >> 12) & 63], kBase64[(v >> 6) & 63], kBase64[v & 63]};
  }
  if (i + 1 == bytes.size()) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    out += {kBase64[v >> 18], kBase64[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const unsigned v =
        static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += {kBase64[v >> 18], kBase64[(v >> 12) & 63], kBase64[(v >> 6) & 63], '='};
  }
  return out;
}

bool PlainAscii(const std::string& text) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7e) return false;
  }
  // "=?" would be read as the start of an encoded word.
  return text.find("=?") == std::string::npos;
}

// Length of the UTF-8 sequence that starts with `lead`.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xf0) return 4;
  if (lead >= 0xe0) return 3;
  if (lead >= 0xc0) return 2;
  return 1;
}

// Header values never carry a line break of their own.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
  return line;
}

}  // namespace

std::string EncodeHeaderText(const std::string& raw) {
  const std::string text = OneLine(raw);
  if (PlainAscii(text)) return text;
  // 45 bytes become 60 characters of base64, which with "=?UTF-8?B?" and "?=" fit a line. A
  // word never splits a character.
  std::string out;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = from;
    while (end < text.size()) {
      const std::size_t next = end + SequenceLength(static_cast<unsigned char>(text[end]));
      if (next - from > 45) break;
      end = next;
    }
    if (end == from) end = std::min(text.size(), from + 1);
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64(text.substr(from, end - from)) + "?=";
    from = end;
  }
  return out;
}

std::string QuotedPrintable(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  std::size_t column = 0;
  const auto put = [&](const std::string& piece) {
    if (column + piece.size() > 75) {
      out += "=\r\n";  // a soft break
      column = 0;
    }
    out += piece;
    column += piece.size();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      out += "\r\n";
      column = 0;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    const bool lineEnds = i + 1 == text.size() || text[i + 1] == '\n' || text[i + 1] == '\r';
    // A space or tab at a line's end would be dropped on the way: it is encoded.
    const bool plain = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnds);
    // A line that is only "." would end the SMTP data; curl escapes it, but a leading "." is
    // encoded all the same so that no relay has to.
    if (plain && !(c == '.' && column == 0)) {
      put(std::string(1, static_cast<char>(c)));
    } else {
      put(std::string{'=', kHex[c >> 4], kHex[c & 15]});
    }
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

std::string ComposeMail(const MailMessage& mail, std::chrono::system_clock::time_point when,
                        const std::string& unique) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  // RFC 5322 names days and months in English whatever the locale.
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char date[64];
  std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  const std::size_t at = mail.from.rfind('@');
  const std::string domain =
      at == std::string::npos ? "velmorante.invalid" : mail.from.substr(at + 1);
  std::string to;
  for (const std::string& address : mail.to) {
    if (!to.empty()) to += ",\r\n ";
    to += "<" + OneLine(address) + ">";
  }
  std::string message;
  message += "Date: " + std::string(date) + "\r\n";
  message += "Message-ID: <" + std::to_string(seconds) + "." + unique + ".velmorante@" +
             OneLine(domain) + ">\r\n";
  message += "From: Velmorante <" + OneLine(mail.from) + ">\r\n";
  message += "To: " + to + "\r\n";
  message += "Subject: " + EncodeHeaderText(mail.subject) + "\r\n";
  message += "MIME-Version: 1.0\r\n";
  message += "Content-Type: text/plain; charset=UTF-8\r\n";
  message += "Content-Transfer-Encoding: quoted-printable\r\n";
  message += "\r\n";
  message += QuotedPrintable(mail.body);
  return message;
}
