#include "QtHandOffPump.h"

#include <QMetaObject>

#include "UiHandOff.h"

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
  handOff_.RunPending();
}
