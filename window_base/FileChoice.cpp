// The answer that stands in for the platform's file dialogs while one is set.
#include "window_base/FileChoice.h"

#include <utility>

namespace {

FileChoiceAnswer& SetAnswer() {
  static FileChoiceAnswer answer;
  return answer;
}

}  // namespace

void SetFileChoiceAnswer(FileChoiceAnswer answer) {
  SetAnswer() = std::move(answer);
}

std::optional<QString> AnsweredFileChoice(QWidget* parent, const QString& suffix) {
  if (!SetAnswer()) return std::nullopt;
  return SetAnswer()(parent, suffix);
}
