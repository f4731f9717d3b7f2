// The one place every window's file question (save, export, open) can be answered without the
// platform's dialog: tests set an answer here, and each dialog site asks here first.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// Answers a file question: the window asking and the extension the file would get (empty when
// opening). An empty text means the operator cancelled.
using FileChoiceAnswer = std::function<QString(QWidget* parent, const QString& suffix)>;

// Tests: answers every file question instead of the platform's dialog; an empty function restores
// the dialogs.
void SetFileChoiceAnswer(FileChoiceAnswer answer);

// The set answer to a question from `parent` for a file with `suffix`; nothing when the platform's
// dialog is to ask.
std::optional<QString> AnsweredFileChoice(QWidget* parent, const QString& suffix);
