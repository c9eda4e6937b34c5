#include "sim/ReplayOnPty.h"

ReplayOnPty::ReplayOnPty(const std::vector<LineTraceText::Line>& trace, double timeScale)
    : clock_(timeScale),
      replay_(std::make_unique<LineReplay>(trace, clock_, timeScale)),
      pty_([this](const QByteArray& bytes) { replay_->feed(bytes); }) {
  QObject::connect(replay_.get(), &LineReplay::reply, &pty_, &PtyInstrument::send);
}

std::unique_ptr<ReplayOnPty> ReplayOnPty::start(const QString& tracePath, double timeScale, QString* error) {
  const auto trace = LineTraceText::readFile(tracePath, error);
  if (!trace) return nullptr;
  std::unique_ptr<ReplayOnPty> replay(new ReplayOnPty(*trace, timeScale));
  if (!replay->pty_.open(error)) return nullptr;
  replay->replay_->start();
  return replay;
}
