#include "app/StartupTiming.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class FirstPaintWatcher : public QObject {
 public:
  FirstPaintWatcher(QWidget* window, QElapsedTimer sinceStart)
      : QObject(window), sinceStart_(sinceStart) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      watched->removeEventFilter(this);
      // After the paint has finished: the window is on screen.
      QTimer::singleShot(0, this, [this] {
        std::printf("Primera ventana en %lld ms\n", static_cast<long long>(sinceStart_.elapsed()));
        std::fflush(stdout);
        if (auto* window = qobject_cast<QWidget*>(parent())) window->close();
        QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  QElapsedTimer sinceStart_;
  bool done_ = false;
};

}  // namespace

void QuitAfterFirstPaint(QWidget* window, QElapsedTimer sinceStart) {
  new FirstPaintWatcher(window, sinceStart);
}
