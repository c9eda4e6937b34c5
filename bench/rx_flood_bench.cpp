// A flood on the line: megabytes of frames for another PC, or of noise, then
// the reply a command waits for. The reply must be found, and the cost must
// grow with the flood's size only (goal: under 1 s for 10 MB).
//
//   rx_flood_bench                       every case, timed inside
//   rx_flood_bench foreign|noise MB frame|status   one case (for timing from outside)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "link/LinkState.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"
#include "platform/SerialPort.h"

namespace {

// A port that hands its input over in pieces of the size a serial driver
// reads at a time, as a fast line would deliver a flood.
class FloodPort : public SerialPort {
 public:
  static constexpr qsizetype kPiece = 4096;
  void load(QByteArray input) {
    input_ = std::move(input);
    at_ = 0;
  }
  void setDeviceName(const QString&) override {}
  QString deviceName() const override { return QStringLiteral("flood"); }
  bool setLineSettings(const QString&) override { return true; }
  bool open() override { return true; }
  void close() override {}
  bool isOpen() const override { return true; }
  qint64 bytesWaiting() override { return input_.size() - at_; }
  void discardInput() override { at_ = input_.size(); }
  bool write(const QByteArray&) override { return true; }
  QByteArray readAll() override {
    const QByteArray piece = input_.mid(at_, kPiece);
    at_ += piece.size();
    return piece;
  }
  QString errorText() const override { return {}; }
  bool hasFailed() const override { return false; }

 private:
  QByteArray input_;
  qsizetype at_ = 0;
};

QByteArray flood(const QString& kind, qsizetype bytes) {
  QByteArray text;
  text.reserve(bytes + 64);
  if (kind == QLatin1String("foreign")) {
    while (text.size() < bytes) text += "(3B60t0FFFF)(@A2VrHd010702030305CA1230FFFF)(3C2001FFFF)";
  } else {
    // Printable noise with many ")" and no "(": every ")" a frame end without a start.
    quint32 state = 12345;
    while (text.size() < bytes) {
      state = state * 1103515245u + 12345u;
      const char c = static_cast<char>(' ' + (state >> 16) % 95);
      text += c == '(' ? ')' : c;
    }
  }
  return text;
}

struct Outcome {
  bool found = false;
  double seconds = 0;
};

Outcome run(const QString& kind, qsizetype megabytes, const QString& receive) {
  FloodPort port;
  FakeClock clock;
  ScriptedPrompts prompts;
  ProgramInfo program;
  LinkState state;
  state.FrameHeader = QStringLiteral("(2");
  Pump pump(port, clock);
  modVrHd link(state, port, pump, prompts, program);
  const bool status = receive == QLatin1String("status");
  port.load(flood(kind, megabytes * 1024 * 1024) + (status ? "(2B60t0FFFF)" : "(2C20C0FFFFFFFFFFFF)"));
  QElapsedTimer timer;
  timer.start();
  Outcome outcome;
  if (status) {
    outcome.found = link.ReceiveStatusReply(QStringLiteral("t")) == QLatin1String("0t0FFFF)");
  } else {
    QString payload;
    outcome.found = link.ReceiveFrame(payload) == QLatin1String("C2") && payload == QLatin1String("0C0FFFFFFFFFFFF)");
  }
  outcome.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QTextStream out(stdout);
  const QStringList args = application.arguments().mid(1);
  if (args.size() == 3) {
    const Outcome outcome = run(args[0], args[1].toLongLong(), args[2]);
    out << (outcome.found ? "found" : "NOT FOUND") << " in " << QString::number(outcome.seconds, 'f', 3) << " s"
        << Qt::endl;
    return outcome.found ? 0 : 1;
  }
  bool allFound = true;
  out << "| Flood | Size | ReceiveFrame | ReceiveStatusReply |" << Qt::endl << "|---|---|---|---|" << Qt::endl;
  for (const char* kind : {"foreign", "noise"}) {
    for (const qsizetype megabytes : {1, 10}) {
      const Outcome frame = run(QLatin1String(kind), megabytes, QStringLiteral("frame"));
      const Outcome status = run(QLatin1String(kind), megabytes, QStringLiteral("status"));
      allFound = allFound && frame.found && status.found;
      out << "| " << kind << " | " << megabytes << " MB | " << QString::number(frame.seconds, 'f', 3) << " s"
          << (frame.found ? "" : " (NOT FOUND)") << " | " << QString::number(status.seconds, 'f', 3) << " s"
          << (status.found ? "" : " (NOT FOUND)") << " |" << Qt::endl;
    }
  }
  return allFound ? 0 : 1;
}
