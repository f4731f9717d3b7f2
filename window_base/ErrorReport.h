// The program's standard error report: an error that leaves an operator's action is shown in a
// message box with the error icon and an OK button, titled "Velmorante", with a full stop added
// when the text does not end in one. The program then goes on.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// The text as shown: `message` with a full stop added when it does not end in one.
QString ErrorReportText(const QString& message);

// Shows the report modally over `parent`.
void ShowErrorReport(QWidget* parent, const QString& message);

// Runs `action`; an exception it raises is shown in the report and false is returned.
bool RunReportingErrors(QWidget* parent, const std::function<void()>& action);

// Tests: every report's text is also handed to `observer` (before the box is shown); with
// `showBox` false no box is shown at all. Pass an empty observer to restore the default.
void SetErrorReportObserver(std::function<void(const QString&)> observer, bool showBox = true);
