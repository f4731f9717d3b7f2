// Serves the serial port's hand-off queue from the Qt event loop: every time a worker thread queues
// a task, a queued call is posted to the user-interface thread that runs the pending tasks there.
// Nested event loops (modal windows, message boxes) serve it too, so the port's notices keep coming
// while a dialog is open.
#pragma once

#include <QObject>

class UiHandOff;

class QtHandOffPump : public QObject {
  Q_OBJECT
 public:
  // Installs itself as `handOff`'s wake-up; must be created on the user-interface thread.
  explicit QtHandOffPump(UiHandOff& handOff, QObject* parent = nullptr);
  // Removes the wake-up again.
  ~QtHandOffPump() override;

 private:
  void Serve();

  UiHandOff& handOff_;
};
