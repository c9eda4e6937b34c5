#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/frmCommunicationSettings.h"
#include "app/frmMain.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

class CommunicationSettingsTest : public ProgramWindowsFixture {
 protected:
  frmCommunicationSettings& dialog() { return windows.communicationSettingsDialog(); }
  bool selected(const char* name) { return dialog().findChild<QRadioButton*>(QLatin1String(name))->isChecked(); }
  void click(const char* name) { dialog().findChild<QRadioButton*>(QLatin1String(name))->setChecked(true); }
};

TEST_F(CommunicationSettingsTest, LoadsThePortOfTheMainWindowAndReadsItBack) {
  settings->write(QStringLiteral("Communication"), QStringLiteral("ComPort"), 2);
  EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Communication Settings"));
  EXPECT_TRUE(selected("optComPort_2"));
  EXPECT_TRUE(selected("optBaudRate_3"));
  EXPECT_TRUE(selected("optParity_4"));
  EXPECT_TRUE(selected("optWordLength_3"));
  EXPECT_TRUE(selected("optStopBits_0"));
  EXPECT_EQ(dialog().comPort(), 2);
  EXPECT_EQ(dialog().Settings(), QStringLiteral("9600,N,8,1"));
  EXPECT_FALSE(dialog().findChild<QGroupBox*>(QStringLiteral("fraAdvanced"))->isVisibleTo(&dialog()));
}

TEST_F(CommunicationSettingsTest, WritingSelectsMatchingButtonsAndLeavesTheRest) {
  dialog().setSettings(QStringLiteral("4800,e,7,1.5"));
  EXPECT_EQ(dialog().Settings(), QStringLiteral("4800,E,7,1.5"));
  dialog().setSettings(QStringLiteral("300,x,9,3"));  // nothing matches: every group stays
  EXPECT_EQ(dialog().Settings(), QStringLiteral("4800,E,7,1.5"));
  dialog().setSettings(QStringLiteral("1200,m,5,2"));
  EXPECT_EQ(dialog().Settings(), QStringLiteral("1200,M,5,2"));

  dialog().setComPort(3);
  EXPECT_EQ(dialog().comPort(), 3);
  dialog().setComPort(5);
  EXPECT_EQ(dialog().comPort(), 3);
}

TEST_F(CommunicationSettingsTest, OkAppliesAndStoresTheChoiceAndCancelChangesNothing) {
  port->open();
  onModal[QStringLiteral("frmCommunicationSettings")] = [](QDialog& shown) {
    shown.findChild<QRadioButton*>(QStringLiteral("optComPort_4"))->setChecked(true);
    shown.findChild<QRadioButton*>(QStringLiteral("optBaudRate_2"))->setChecked(true);
    shown.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  };
  windows.mainWindow().mnuSettingsCommunications_Click();
  EXPECT_EQ(dialog().tag, QStringLiteral("True"));
  EXPECT_FALSE(port->isOpen());
  EXPECT_EQ(windows.mainWindow().comPortNumber(), 4);
  EXPECT_EQ(port->deviceName(), QStringLiteral("/dev/ttyS3"));
  EXPECT_EQ(settings->read(QStringLiteral("Communication"), QStringLiteral("ComPort"), {}).toString(), QStringLiteral("4"));
  EXPECT_EQ(settings->read(QStringLiteral("Communication"), QStringLiteral("Settings"), {}).toString(),
            QStringLiteral("4800,N,8,1"));

  // Closed from its title bar: the same as Cancel, nothing applied.
  port->open();
  onModal[QStringLiteral("frmCommunicationSettings")] = [](QDialog& shown) {
    shown.findChild<QRadioButton*>(QStringLiteral("optComPort_1"))->setChecked(true);
    shown.reject();
  };
  windows.mainWindow().mnuSettingsCommunications_Click();
  EXPECT_EQ(dialog().tag, QStringLiteral("False"));
  EXPECT_TRUE(port->isOpen());
  EXPECT_EQ(windows.mainWindow().comPortNumber(), 4);
}

}  // namespace
