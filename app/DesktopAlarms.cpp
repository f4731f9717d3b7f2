// Desktop notifications of alarm events over D-Bus.
#include "app/DesktopAlarms.h"

#include <QtDBus/QDBusMessage>
#include <nlohmann/json.hpp>

#include "app/ArchiveModuleLoader.h"
#include "notify/AlarmText.h"

namespace {

// Events shown at one look at most; more wait for the next.
constexpr int kAtOnce = 10;

// Notification servers may read the body as simple markup.
QString PlainText(const std::string& text) {
  return QString::fromStdString(text).toHtmlEscaped();
}

}  // namespace

DesktopAlarms::DesktopAlarms(std::function<QDBusConnection()> bus, Source source,
                             std::chrono::milliseconds every, QObject* parent)
    : QObject(parent), connect_(std::move(bus)), source_(std::move(source)) {
  timer_.setInterval(every);
  connect(&timer_, &QTimer::timeout, this, &DesktopAlarms::Look);
}

DesktopAlarms::Source DesktopAlarms::ArchiveSource(const std::string& path) {
  return {[path] { return LoadArchiveModule().LatestAlarmEventId(path); },
          [path](std::int64_t after) {
            return LoadArchiveModule().ReadAlarmEventsAfter(path, after, kAtOnce);
          }};
}

void DesktopAlarms::Start(std::chrono::milliseconds delay) {
  QTimer::singleShot(delay, this, [this] {
    // The connection is made only now, off the program's start.
    bus_ = connect_();
    if (!bus_->isConnected()) return;  // no desktop session: nothing to show
    Look();
    timer_.start();
  });
}

void DesktopAlarms::Look() {
  ++looks_;
  try {
    if (!seen_) {
      seen_ = source_.latest();
      return;
    }
    for (const AlarmEventView& event : source_.after(*seen_)) {
      Show(event);
      seen_ = event.id;
    }
  } catch (const std::exception&) {
    // An archive being written or moved: looked at again at the next tick.
  }
}

void DesktopAlarms::Show(const AlarmEventView& event) {
  const nlohmann::json json = nlohmann::json::parse(event.payload, nullptr, false);
  const AlarmText text = MakeAlarmText(json);
  const bool raised = json.is_object() && json.contains("event") && json["event"] == "raised";
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                     "/org/freedesktop/Notifications",
                                                     "org.freedesktop.Notifications", "Notify");
  QVariantMap hints;
  hints["desktop-entry"] = QStringLiteral("velmorante");
  // Critical for a new alarm, normal for its end or acknowledgement.
  hints["urgency"] = QVariant::fromValue(static_cast<uchar>(raised ? 2 : 1));
  call << QStringLiteral("Velmorante") << 0u << QStringLiteral("velmorante")
       << QString::fromStdString(text.title) << PlainText(text.body) << QStringList() << hints
       << -1;
  // Sent without waiting for the answer: a busy or missing notification service never holds up
  // the windows.
  bus_->send(call);
  ++shown_;
}
