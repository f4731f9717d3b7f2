// The SMTP exchange through libcurl's easy interface.
#include "notify/MailDelivery.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "notify/StopSignal.h"

namespace {

struct Upload {
  const std::string* message;
  std::size_t sent = 0;
};

std::size_t ReadMessage(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto* upload = static_cast<Upload*>(user);
  const std::size_t room = size * count;
  const std::size_t left = upload->message->size() - upload->sent;
  const std::size_t taken = std::min(room, left);
  std::memcpy(buffer, upload->message->data() + upload->sent, taken);
  upload->sent += taken;
  return taken;
}

// Called by curl at least once a second, also while it connects: a non-zero return aborts.
int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const StopSignal*>(user)->requested() ? 1 : 0;
}

struct CurlList {
  curl_slist* list = nullptr;
  ~CurlList() { curl_slist_free_all(list); }
};

struct CurlHandle {
  CURL* curl = curl_easy_init();
  ~CurlHandle() { curl_easy_cleanup(curl); }
};

}  // namespace

MailOutcome SendMail(const MailServer& server, const std::string& from,
                     const std::vector<std::string>& to, const std::string& message,
                     const StopSignal& stop) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  MailOutcome outcome;
  CurlHandle handle;
  if (handle.curl == nullptr) {
    outcome.error = "cannot start an SMTP exchange (curl_easy_init failed)";
    return outcome;
  }
  CURL* curl = handle.curl;
  CurlList recipients;
  for (const std::string& address : to) {
    recipients.list = curl_slist_append(recipients.list, ("<" + address + ">").c_str());
  }
  const std::string sender = "<" + from + ">";
  Upload upload{&message};
  char errorText[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(curl, CURLOPT_URL, server.url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  // STARTTLS whenever the server offers it; smtps:// is encrypted from the start anyway.
  curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
  curl_easy_setopt(curl, CURLOPT_MAIL_FROM, sender.c_str());
  curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients.list);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadMessage);
  curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &stop);
  // A thread must not use signals for its time-outs.
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(server.connectLimit.count()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(server.limit.count()));
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  if (!server.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, server.user.c_str());
    if (server.password) curl_easy_setopt(curl, CURLOPT_PASSWORD, server.password->c_str());
  }
  const CURLcode result = curl_easy_perform(curl);
  if (result == CURLE_OK) {
    outcome.delivered = true;
  } else if (result == CURLE_ABORTED_BY_CALLBACK) {
    outcome.error = "stopped before the mail was sent";
  } else {
    outcome.error = std::string("mail not sent: ") +
                    (errorText[0] != '\0' ? errorText : curl_easy_strerror(result));
  }
  return outcome;
}
