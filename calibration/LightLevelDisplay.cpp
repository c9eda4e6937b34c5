#include "calibration/LightLevelDisplay.h"

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/modMain.h"
#include "calibration/CalibrationTexts.h"
#include "calibration/ServiceRequests.h"

namespace {
const QString kLightStream = QStringLiteral("T");
}

LightLevelDisplay::End LightLevelDisplay::run() {
  using namespace CalibrationTexts;
  if (modMain(app_).InitializeLink() != modMain::kConnected) {
    prompts_.show(kNoCommunication, kNoCommunicationTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return End::NoCommunication;
  }
  modVrHd& link = app_.link();
  link.ReleaseMotors();
  link.FlushInput();
  if (ServiceRequests::switchDataStream(link, true, kLightStream) != 1) {
    prompts_.show(kStreamNotOn, kInstrumentErrorTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return End::StreamNotOn;
  }
  for (;;) {
    QString payload;
    const QString type = link.ReceiveFrame(payload);
    if (type == QLatin1String("BC"))
      view_.showSample(Common::Val(payload));
    else if (type != QLatin1String("A2") && type != QLatin1String("B6"))
      break;
    if (view_.stopRequested()) break;
  }
  if (ServiceRequests::switchDataStream(link, false, kLightStream) != 0) {
    prompts_.show(kStreamNotOff, kInstrumentErrorTitle, PromptButtons::Ok, PromptIcon::Exclamation);
    return End::StreamNotOff;
  }
  link.SayGoodbye();
  return End::Done;
}
