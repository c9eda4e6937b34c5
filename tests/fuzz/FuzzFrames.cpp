// libFuzzer target: any bytes from the instrument are taken, passed over or
// dropped by the receive operations, never crash or hang them.
#include <QCoreApplication>

#include "link/LinkState.h"
#include "link/Pump.h"
#include "link/modVrHd.h"
#include "platform/Clock.h"
#include "platform/MemorySerialPort.h"
#include "platform/ProgramInfo.h"
#include "platform/Prompts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  MemorySerialPort port;
  FakeClock clock;
  ScriptedPrompts prompts;
  ProgramInfo program;
  LinkState state;
  state.FrameHeader = QStringLiteral("(2");
  Pump pump(port, clock);
  modVrHd link(state, port, pump, prompts, program);
  port.open();
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  port.deliver(bytes);
  QString payload;
  (void)link.PollStatusReply(QStringLiteral("x"));
  (void)link.ReceiveStatusReply(QStringLiteral("t"));
  (void)link.ReceiveFrame(payload);
  (void)link.ReceiveAnyFrame();
  port.deliver(bytes);
  (void)link.IdentifyAndConnect();
  return 0;
}
