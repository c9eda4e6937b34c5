#pragma once

#include <gtest/gtest.h>

#include <QTimer>

#include <QByteArray>
#include <QString>
#include <deque>

#include "link/LinkState.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/MemorySerialPort.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"

// A link on an in-memory port with a fake clock: the far end is scripted per
// test, and waits of many seconds pass instantly.
class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture() : pump(port, clock), link(state, port, pump, prompts, program) {
    program.folder = QStringLiteral("/nonexistent");
    program.executableName = QStringLiteral("LumivaneQX");
    state.HostAddress = QStringLiteral("2");
    state.FrameHeader = QStringLiteral("(2");
    state.HostName = QStringLiteral("-PC2");
    port.open();
  }

  // Each write of a complete request line is answered by the next scripted
  // reply (several frames may be concatenated in one reply).
  void answerEachRequestWith(std::initializer_list<QByteArray> replies) {
    pending_.insert(pending_.end(), replies);
    port.setFarEnd([this](MemorySerialPort& p, const QByteArray& bytes) {
      if (!bytes.endsWith("\r\n") || pending_.empty()) return;
      p.deliver(pending_.front());
      pending_.pop_front();
    });
  }

  QString written() const { return QString::fromLatin1(port.written()); }

  MemorySerialPort port;
  FakeClock clock;
  ScriptedPrompts prompts;
  ProgramInfo program;
  LinkState state;
  Pump pump;
  modVrHd link;

 private:
  std::deque<QByteArray> pending_;
};
