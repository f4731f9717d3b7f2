// PAM authentication with a conversation that hands over the password it was given.
#include "archive/PamPassword.h"

#include <security/pam_appl.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>

const char* const kSignPamService = "velmorante";

namespace {

struct Conversation {
  const std::string* user;
  const std::string* password;
};

// Frees the first `count` answers, wiping each, and the array.
void FreeAnswers(pam_response* answers, int count) {
  for (int k = 0; k < count; ++k) {
    if (answers[k].resp != nullptr) {
      explicit_bzero(answers[k].resp, std::strlen(answers[k].resp));
      std::free(answers[k].resp);
    }
  }
  std::free(answers);
}

// Answers PAM's prompts: the password for a hidden prompt, the user's name for a visible one;
// messages get an empty answer. PAM frees the answers (and its modules wipe the password's copy).
int Converse(int count, const pam_message** messages, pam_response** responses, void* data) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
  const auto* conversation = static_cast<const Conversation*>(data);
  auto* answers = static_cast<pam_response*>(std::calloc(count, sizeof(pam_response)));
  if (answers == nullptr) return PAM_BUF_ERR;
  for (int i = 0; i < count; ++i) {
    const char* text = nullptr;
    switch (messages[i]->msg_style) {
      case PAM_PROMPT_ECHO_OFF:
        text = conversation->password->c_str();
        break;
      case PAM_PROMPT_ECHO_ON:
        text = conversation->user->c_str();
        break;
      case PAM_ERROR_MSG:
      case PAM_TEXT_INFO:
        break;
      default:
        FreeAnswers(answers, i);
        return PAM_CONV_ERR;
    }
    if (text != nullptr) {
      answers[i].resp = strdup(text);
      if (answers[i].resp == nullptr) {
        FreeAnswers(answers, i);
        return PAM_BUF_ERR;
      }
    }
  }
  *responses = answers;
  return PAM_SUCCESS;
}

}  // namespace

void WipeText(std::string& text) {
  if (!text.empty()) explicit_bzero(text.data(), text.size());
  text.clear();
}

PasswordCheck CheckSystemPassword(const std::string& user, std::string& password,
                                  const char* configFolder) {
  PasswordCheck check;
  if (user.empty()) {
    WipeText(password);
    check.refusal = "no user name";
    return check;
  }
  Conversation conversation{&user, &password};
  const pam_conv conv{&Converse, &conversation};
  pam_handle_t* handle = nullptr;
  int result = configFolder != nullptr
                   ? pam_start_confdir(kSignPamService, user.c_str(), &conv, configFolder, &handle)
                   : pam_start(kSignPamService, user.c_str(), &conv, &handle);
  if (result != PAM_SUCCESS) {
    WipeText(password);
    check.refusal = handle != nullptr ? pam_strerror(handle, result) : "PAM could not start";
    if (handle != nullptr) pam_end(handle, result);
    return check;
  }
  // Only the password counts: an empty one is refused even where the account has none.
  result = pam_authenticate(handle, PAM_DISALLOW_NULL_AUTHTOK);
  if (result == PAM_SUCCESS) result = pam_acct_mgmt(handle, PAM_DISALLOW_NULL_AUTHTOK);
  WipeText(password);
  check.accepted = result == PAM_SUCCESS;
  if (!check.accepted) check.refusal = pam_strerror(handle, result);
  pam_end(handle, result);
  return check;
}
