#include "window_base/ErrorReport.h"

#include <QMessageBox>
#include <exception>

namespace {
std::function<void(const QString&)> g_observer;
bool g_showBox = true;
}  // namespace

QString ErrorReportText(const QString& message) {
  if (message.endsWith(QLatin1Char('.'))) return message;
  return message + QLatin1Char('.');
}

void ShowErrorReport(QWidget* parent, const QString& message) {
  const QString text = ErrorReportText(message);
  if (g_observer) g_observer(text);
  if (!g_showBox) return;
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Velmorante"), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

bool RunReportingErrors(QWidget* parent, const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    ShowErrorReport(parent, QString::fromLocal8Bit(error.what()));
  }
  return false;
}

void SetErrorReportObserver(std::function<void(const QString&)> observer, bool showBox) {
  g_observer = std::move(observer);
  g_showBox = g_observer ? showBox : true;
}
