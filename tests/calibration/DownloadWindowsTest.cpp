#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/modMain.h"
#include "firmware/HexImage.h"
#include "firmware/frmDownloadNew.h"
#include "firmware/frmDownloadProgress.h"
#include "tests/calibration/SimulatedWindowsFixture.h"

namespace {

const QString kRefusal = QStringLiteral(
    "Aborting download will leave Lumivane's programs broken;\r\n"
    "that's why no CANCEL button has been provided.\r\n"
    "Please sit back, relax, and let downloading finish.");

class DownloadWindowsTest : public SimulatedWindowsFixture {
 protected:
  frmDownloadNew& dialog() { return windows->downloadNewDialog(); }
  QLineEdit* password() { return dialog().findChild<QLineEdit*>(QStringLiteral("txtPassword")); }
  QString sampleImage() {
    const QString path = QDir(home.path()).filePath(QStringLiteral("Firmware/Firmware.hex"));
    QFile::remove(path);
    EXPECT_TRUE(QFile::copy(QStringLiteral(LUMIVANE_SOURCE_DIR "/sim/data/Firmware.hex"), path));
    return path;
  }
  // The Utilities menu's download with the operator's actions inside the dialog.
  void downloadFromMenu(const std::function<void()>& inside) {
    onModal[QStringLiteral("frmDownloadNew")] = [inside](QDialog&) { inside(); };
    windows->mainWindow().mnuUtilitiesDownloadFirmware_Click();
  }
};

TEST_F(DownloadWindowsTest, AccessCodeFileAndDownloadWithTheProgressWindow) {
  start();
  files->choose(sampleImage());
  std::vector<int> percents;
  QObject::connect(windows->downloadProgressWindow().findChild<QProgressBar*>(QStringLiteral("prgPercentLoaded")),
                   &QProgressBar::valueChanged, &ticker, [&](int value) { percents.push_back(value); });
  downloadFromMenu([this] {
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Download Firmware, Softlogic, or Bootstrap"));
    EXPECT_EQ(app->port().isOpen(), true) << "the menu reopens the port before the dialog";
    password()->setText(QStringLiteral("marvin"));
    password()->returnPressed();
  });
  ASSERT_EQ(files->asked().size(), 1u);
  const FileDialogRequest& asked = files->asked()[0].request;
  EXPECT_EQ(asked.title, QStringLiteral("Browse to the file to be downloaded"));
  EXPECT_EQ(asked.filter, QStringLiteral("Firmware, Softlogic, or Bootstrap (*.hex);;All files (*.*)"));
  EXPECT_EQ(asked.initialFolder, home.path());
  ASSERT_EQ(prompts->shown().size(), 1u) << prompts->shown()[0].prompt.toStdString();
  expectPrompt(0,
               QStringLiteral("Please power-cycle the Lumivane, wait for steady yellow and green LEDs on the front "
                              "panel, then click OK."),
               QStringLiteral("Download has completed successfully."), PromptButtons::Ok, PromptIcon::None);
  EXPECT_GT(instrument().recordsLoaded(), 2);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_FALSE(windows->downloadProgressWindow().isVisible());
  // An interactive download closes the link.
  EXPECT_FALSE(app->linkState().LinkInitialised);
}

TEST_F(DownloadWindowsTest, WrongCodeRetriesAndCancelledFileDialogTouchesNothing) {
  start();
  prompts->script({PromptAnswer::Retry, PromptAnswer::Cancel});
  downloadFromMenu([this] {
    password()->setText(QStringLiteral("BLUEHERONS"));
    dialog().findChild<QPushButton*>(QStringLiteral("cmdEnterNewPassword"))->click();
    EXPECT_TRUE(password()->text().isEmpty());
    password()->setText(QStringLiteral("MARVIN "));
    dialog().cmdEnterNewPassword_Click();
  });
  ASSERT_EQ(prompts->shown().size(), 2u);
  expectPrompt(1, QStringLiteral("Wrong password; try again"), QStringLiteral("Password error"),
               PromptButtons::RetryCancel, PromptIcon::Exclamation);
  EXPECT_TRUE(files->asked().empty());

  prompts->clear();
  files->cancel();
  downloadFromMenu([this] {
    password()->setText(QStringLiteral("Marvin"));
    dialog().cmdEnterNewPassword_Click();
  });
  EXPECT_EQ(files->asked().size(), 1u);
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_FALSE(instrument().isConnected());
  EXPECT_FALSE(dialog().findChild<QLineEdit*>(QStringLiteral("txtPassword"))->isHidden())
      << "the next showing starts with the access code again";
}

TEST_F(DownloadWindowsTest, BrokenImageIsRefusedBeforeTheInstrumentHearsOfIt) {
  start();
  const QString path = QDir(home.path()).filePath(QStringLiteral("Firmware/Broken.hex"));
  QFile broken(path);
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  // A data record ahead of the address record would be sent without its address.
  broken.write(":0400000001020304F2\r\n:020000040000FA\r\n:00000001FF\r\n");
  broken.close();
  files->choose(path);
  downloadFromMenu([this] {
    password()->setText(QStringLiteral("marvin"));
    password()->returnPressed();
  });
  ASSERT_EQ(prompts->shown().size(), 1u) << shownText();
  EXPECT_EQ(prompts->shown()[0].prompt, CheckFirmwareImage(path).failure);
  EXPECT_FALSE(prompts->shown()[0].prompt.isEmpty());
  EXPECT_EQ(instrument().recordsLoaded(), 0);
}

TEST_F(DownloadWindowsTest, ProgressWindowHoldsItsCloseWhileTheLinkIsBusyDownloading) {
  start();
  frmDownloadProgress& progress = windows->downloadProgressWindow();
  progress.show();
  app->linkState().DownloadInProgress = true;
  EXPECT_FALSE(progress.close());
  app->linkState().DownloadInProgress = false;
  EXPECT_TRUE(progress.close());
  EXPECT_EQ(prompts->shown().size(), 1u);
}

TEST_F(DownloadWindowsTest, ShownModallyTheDialogDownloadsAndCloses) {
  start();
  files->choose(sampleImage());
  windows->setModalRunner({});  // the program's own QDialog::exec()
  every(200, [this] {
    if (!password()->isVisible()) return;
    password()->setText(QStringLiteral("Marvin"));
    dialog().findChild<QPushButton*>(QStringLiteral("cmdEnterNewPassword"))->click();
  });
  windows->mainWindow().mnuUtilitiesDownloadFirmware_Click();
  ASSERT_EQ(prompts->shown().size(), 1u) << shownText();
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Download has completed successfully."));
  EXPECT_FALSE(dialog().isVisible());
}

TEST_F(DownloadWindowsTest, ProgressWindowRefusesItsCloseBoxWhileTheDownloadRuns) {
  start();
  frmDownloadProgress& progress = windows->downloadProgressWindow();
  EXPECT_EQ(progress.windowTitle(), QStringLiteral("Download in progress"));
  EXPECT_EQ(progress.findChild<QProgressBar*>(QStringLiteral("prgPercentLoaded"))->toolTip(),
            QStringLiteral("We'll be done soon.  This tells you how soon"));
  progress.Showform();
  EXPECT_EQ(QApplication::activeModalWidget(), &progress) << "the rest of the program waits for the download";
  progress.setPercent(40);
  EXPECT_FALSE(progress.close());
  EXPECT_TRUE(progress.isVisible());
  ASSERT_EQ(prompts->shown().size(), 1u);
  expectPrompt(0, kRefusal, QStringLiteral("Cancellation request refused:"), PromptButtons::Ok,
               PromptIcon::Exclamation);
  EXPECT_EQ(prompts->notices().size(), 1u) << "the refusal stays up without holding anything";
  // The program's own unload at the end of the download passes, and takes the refusal with it.
  progress.unload();
  EXPECT_FALSE(progress.isVisible());
  EXPECT_TRUE(prompts->notices().empty());
  EXPECT_EQ(prompts->shown().size(), 1u);
}

TEST_F(DownloadWindowsTest, AutomaticRepairShowsTheProgressWindow) {
  SimOptions options;
  options.damaged = true;
  start(options);
  sampleImage();
  app->link().setFirmwareDownload(modDownload::automaticRepair(app->link(), frmDownloadProgress::hooksFor(*windows)));
  std::vector<int> percents;
  QObject::connect(windows->downloadProgressWindow().findChild<QProgressBar*>(QStringLiteral("prgPercentLoaded")),
                   &QProgressBar::valueChanged, &ticker, [&](int value) { percents.push_back(value); });
  prompts->script({PromptAnswer::Ok});
  EXPECT_EQ(modMain(*app).InitializeLink(), modMain::kConnected);
  ASSERT_GE(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Lumivane's firmware is damaged and not useable"));
  EXPECT_EQ(prompts->shown()[1].title, QStringLiteral("Download has completed successfully."));
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_FALSE(windows->downloadProgressWindow().isVisible());
}

}  // namespace
