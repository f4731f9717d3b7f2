#include "window_base/ModalWindow.h"

#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

namespace {

// Ends a local event loop when the watched window is hidden or destroyed.
class HideWatcher : public QObject {
 public:
  HideWatcher(QWidget* window, QEventLoop& loop) : loop_(loop) {
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Hide) loop_.quit();
    return false;
  }

 private:
  QEventLoop& loop_;
};

}  // namespace

void ShowModal(QWidget* window) {
  if (!window) return;
  if (auto* dialog = qobject_cast<QDialog*>(window)) {
    dialog->exec();
    return;
  }
  QPointer<QWidget> guard(window);
  window->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  HideWatcher watcher(window, loop);
  window->show();
  loop.exec();
  if (guard) guard->removeEventFilter(&watcher);
}
