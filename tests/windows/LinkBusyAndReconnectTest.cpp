// One link user at a time during a download, and the Communications OK that
// ends the link so that the next window reconnects with the new port.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "app/ConnectionMonitor.h"
#include "app/frmCommunicationSettings.h"
#include "app/frmMain.h"
#include "run/frmLumiTerm.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

class LinkBusyAndReconnectTest : public ProgramWindowsFixture {
 protected:
  LinkBusyAndReconnectTest() {
    // An instrument that connects, answers the status question with "tray
    // inside", ejects, and drops the connection on a goodbye.
    port->setFarEnd([this](MemorySerialPort& p, const QByteArray& bytes) {
      line_ += bytes;
      if (!line_.endsWith("\r\n")) return;
      requests.push_back(line_);
      if (line_.startsWith("Who are you?")) p.deliver("(@A2VrHd010702030305CA1230FFFF)");
      if (line_.startsWith("Connect to me!")) p.deliver("(2A2VrHd010702030305CA1233FFFF)");
      if (line_.startsWith("How are you?")) p.deliver("(2B60t0FFFF)");
      if (line_.contains("B7e")) p.deliver("(2B60e1FFFF)(2B63e0FFFF)");
      if (line_.startsWith("Goodbye")) p.deliver("(@A2VrHd010702030305CA1230FFFF)");
      line_.clear();
    });
  }
  int count(const char* text) const {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [text](const QByteArray& r) { return r.contains(text); }));
  }
  QPushButton* trayButton() { return windows.runWindow().findChild<QPushButton*>(QStringLiteral("cmdToggleOpenPark")); }
  QString statusLine() { return windows.runWindow().findChild<QLabel*>(QStringLiteral("lblStatusLine"))->text(); }

  std::vector<QByteArray> requests;

 private:
  QByteArray line_;
};

TEST_F(LinkBusyAndReconnectTest, CommunicationsOkEndsTheLinkAndTheNextTrayReconnects) {
  trayButton()->click();
  ASSERT_TRUE(app.linkState().LinkInitialised);
  ASSERT_EQ(count("B7e"), 1);

  onModal[QStringLiteral("frmCommunicationSettings")] = [](QDialog& shown) {
    shown.findChild<QRadioButton*>(QStringLiteral("optComPort_2"))->setChecked(true);
    shown.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  };
  windows.mainWindow().mnuSettingsCommunications_Click();
  EXPECT_EQ(count("Goodbye"), 1);
  EXPECT_FALSE(app.linkState().LinkInitialised);
  EXPECT_FALSE(port->isOpen());
  EXPECT_FALSE(windows.mainWindow().connectionMonitor().tmrConnectionWithVarnhold.isActive());

  trayButton()->click();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_TRUE(app.linkState().LinkInitialised);
  EXPECT_EQ(count("Who are you?"), 2);
  EXPECT_EQ(count("B7e"), 2);
}

TEST_F(LinkBusyAndReconnectTest, CommunicationsOkWithNoPortChosenKeepsThePortNumber) {
  settings->write(QStringLiteral("Communication"), QStringLiteral("ComPort"), 6);
  onModal[QStringLiteral("frmCommunicationSettings")] = [](QDialog& shown) {
    shown.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  };
  windows.mainWindow().mnuSettingsCommunications_Click();
  EXPECT_EQ(windows.communicationSettingsDialog().tag, QStringLiteral("True"));
  EXPECT_EQ(windows.mainWindow().comPortNumber(), 6);
  EXPECT_EQ(settings->read(QStringLiteral("Communication"), QStringLiteral("ComPort"), {}).toString(), QStringLiteral("6"));
}

TEST_F(LinkBusyAndReconnectTest, DuringADownloadTrayTimerAndKeepAliveLeaveTheLineAlone) {
  trayButton()->click();
  ASSERT_TRUE(app.linkState().LinkInitialised);
  const QByteArray before = port->written();
  app.linkState().DownloadInProgress = true;
  trayButton()->click();
  windows.runWindow().tmrComStatus_Timer();
  app.linkState().LastTimerTick = app.linkState().LastSendTime.addSecs(1);  // the keep-alive would be due
  windows.mainWindow().connectionMonitor().tmrConnectionWithVarnhold_Timer();
  EXPECT_EQ(port->written(), before);
  EXPECT_EQ(statusLine(), QStringLiteral("Firmware download in progress"));
  EXPECT_TRUE(prompts->shown().empty());

  app.linkState().DownloadInProgress = false;
  windows.runWindow().tmrComStatus_Timer();
  EXPECT_EQ(statusLine(), QString());
}

}  // namespace
