// The yardstick for the program's start-up: the barest Qt window program, a label that is shown and
// closed as soon as its first paint has finished.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>

namespace {

class QuitAfterFirstPaint : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      QTimer::singleShot(0, watched, [watched] {
        static_cast<QWidget*>(watched)->close();
        QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("Velmorante"));
  QuitAfterFirstPaint watcher;
  label.installEventFilter(&watcher);
  label.show();
  return app.exec();
}
