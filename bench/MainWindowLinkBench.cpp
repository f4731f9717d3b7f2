// The main window on a pseudo-terminal, connected: how long from the last byte of a status reply
// written to the line until the displays show it (set, and painted), and how much of a core the
// program uses while connected and idle with one reply a second. Prints the figures.
// Usage: mainwindow_link_bench [REPLIES] [IDLE_SECONDS]   (defaults: 40 and 30)
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <ctime>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ProgramWindows.h"
#include "app/QtHandOffPump.h"
#include "link/UiHandOff.h"
#include "widgets/ValueIndicator.h"

namespace {

using Clock = std::chrono::steady_clock;

// A status reply whose seconds and channel 2 reading change with `n`, so that every reply
// changes the time box and repaints the channel display.
std::string Reply(int n) {
  char reply[40];
  std::snprintf(reply, sizeof reply, "%02d10030914%02d1800309202021%02d001010", n % 60, n % 60,
                50 + n % 40);
  return reply;
}

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += static_cast<size_t>(n);
  }
}

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class PaintClock : public QObject {
 public:
  Clock::time_point painted{};

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = Clock::now();
    return false;
  }
};

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * values.size()))];
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  const int replies = argc > 1 ? std::atoi(argv[1]) : 40;
  const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 30;
  QtHandOffPump pump(UiHandOff::Main());

  int master = -1, slave = -1;
  char name[256];
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    std::fprintf(stderr, "mainwindow_link_bench: no pseudo-terminal\n");
    return 1;
  }
  TForm1::Options options;
  options.runSetupDialog = false;  // the port is the pseudo-terminal's
  ProgramWindows windows = CreateProgramWindows(std::move(options));
  TForm1& main = *windows.Form1;
  main.show();
  Wait(300);
  main.ComPort1.SetPort(name);
  main.AbRockerSwitch1Click();
  if (!main.ComPort1.Connected()) return 1;
  PaintClock paints;
  main.AbValueInd2->installEventFilter(&paints);
  Wait(200);

  // Latency: 32 characters first, then the last one alone, timed from its write.
  std::vector<double> setMs, paintedMs;
  Clock::time_point shownAt{};
  QObject::connect(main.Edit3, &QLineEdit::textChanged, [&](const QString& text) {
    if (!text.isEmpty()) shownAt = Clock::now();
  });
  for (int i = 0; i < replies; ++i) {
    const std::string reply = Reply(i + 1);
    WriteAll(master, reply.substr(0, 32));
    Wait(30);
    shownAt = {};
    paints.painted = {};
    WriteAll(master, reply.substr(32));
    const Clock::time_point written = Clock::now();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (paints.painted > written || Clock::now() - written > std::chrono::seconds(2)) loop.quit();
    });
    poll.start(1);
    loop.exec();
    if (shownAt > written && paints.painted > written) {
      setMs.push_back(std::chrono::duration<double, std::milli>(shownAt - written).count());
      paintedMs.push_back(
          std::chrono::duration<double, std::milli>(paints.painted - written).count());
    }
    Wait(50);
  }
  if (setMs.empty()) {
    std::fprintf(stderr, "mainwindow_link_bench: no reply was shown\n");
    return 1;
  }
  std::printf(
      "status latency, last byte written -> displays set:     median %.2f ms, 95th %.2f ms\n",
      Percentile(setMs, 0.5), Percentile(setMs, 0.95));
  std::printf(
      "status latency, last byte written -> displays painted: median %.2f ms, 95th %.2f ms"
      "  (%zu replies; goal <= 5 ms)\n",
      Percentile(paintedMs, 0.5), Percentile(paintedMs, 0.95), paintedMs.size());

  // Idle: one reply a second, as the logger sends them. The logger is a process of its own, as
  // the real one is a device of its own: its timer and writes are not the program's work.
  std::vector<std::string> idleReplies;
  for (int i = 0; i < idleSeconds + 5; ++i) idleReplies.push_back(Reply(i + 1));
  const pid_t logger = fork();
  if (logger == 0) {
    // Only writes and sleeps here: the parent's other threads may hold locks.
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (const std::string& reply : idleReplies) {
      next.tv_sec += 1;
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
      if (write(master, reply.data(), reply.size()) < 0) break;
    }
    _exit(0);
  }
  if (logger < 0) {
    std::fprintf(stderr, "mainwindow_link_bench: no logger process\n");
    return 1;
  }
  Wait(1500);
  const double cpuStart = CpuSeconds();
  const Clock::time_point wallStart = Clock::now();
  Wait(idleSeconds * 1000);
  const double cpu = CpuSeconds() - cpuStart;
  const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
  std::printf(
      "CPU while connected and idle, one reply a second: %.3f %% of a core over %.0f s"
      "  (goal <= 0.2 %%)\n",
      100.0 * cpu / wall, wall);
  kill(logger, SIGTERM);
  waitpid(logger, nullptr, 0);
  main.AbRockerSwitch1Click();
  close(master);
  close(slave);
  return 0;
}
