#include "app/QtHandOffPump.h"

#include <QMetaObject>

#include <exception>

#include "link/UiHandOff.h"
#include "window_base/ErrorReport.h"

QtHandOffPump::QtHandOffPump(UiHandOff& handOff, QObject* parent)
    : QObject(parent), handOff_(handOff) {
  // Called on the queuing thread: posting a queued call is thread-safe and returns at once.
  handOff_.SetWakeup(
      [this] { QMetaObject::invokeMethod(this, &QtHandOffPump::Serve, Qt::QueuedConnection); });
  // Anything queued before the pump existed is served by the first turn of the event loop.
  QMetaObject::invokeMethod(this, &QtHandOffPump::Serve, Qt::QueuedConnection);
}

QtHandOffPump::~QtHandOffPump() {
  handOff_.SetWakeup({});
}

void QtHandOffPump::Serve() {
  // An exception must not reach Qt's event loop (it would end the program): show it and go on.
  // Tasks still queued behind the failed one are served by the next turn.
  try {
    handOff_.RunPending();
  } catch (const std::exception& error) {
    QMetaObject::invokeMethod(this, &QtHandOffPump::Serve, Qt::QueuedConnection);
    ShowErrorReport(nullptr, QString::fromLocal8Bit(error.what()));
  }
}
