#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include "app/AppContext.h"
#include "app/LineRecordingItem.h"
#include "app/ProgramWindows.h"
#include "app/frmMain.h"
#include "platform/TracingSerialPort.h"
#include "tests/support/DoublePlatform.h"

namespace {

// The program's windows over a recording port around the in-memory line.
class LineRecording : public ::testing::Test {
 protected:
  LineRecording() : app(makePlatform()), windows(app) {}

  Platform makePlatform() {
    QDir(home.path()).mkpath(QStringLiteral("EventLogs"));
    Platform platform = doubles.make(home.path());
    platform.port = std::make_unique<TracingSerialPort>(std::move(platform.port));
    auto dialogs = std::make_unique<ScriptedFileDialogs>();
    fileDialogs = dialogs.get();
    platform.fileDialogs = std::move(dialogs);
    return platform;
  }
  QAction* item() { return windows.mainWindow().menuItem(QStringLiteral("mnuUtilitiesRecordSerialLine")); }
  TracingSerialPort& tracing() { return static_cast<TracingSerialPort&>(app.port()); }

  QTemporaryDir home;
  DoublePlatform doubles;
  ScriptedFileDialogs* fileDialogs = nullptr;
  AppContext app;
  ProgramWindows windows;
};

TEST_F(LineRecording, TheItemAsksForAFileRecordsAndStopsWhenChosenAgain) {
  ASSERT_NE(item(), nullptr);
  EXPECT_TRUE(windows.mainWindow().menu(QStringLiteral("mnuUtilities"))->actions().contains(item()));
  EXPECT_EQ(item()->text(), QStringLiteral("Record the serial line..."));
  EXPECT_FALSE(item()->isChecked());

  fileDialogs->cancel();
  item()->trigger();
  ASSERT_EQ(fileDialogs->asked().size(), 1u);
  const FileDialogRequest& asked = fileDialogs->asked()[0].request;
  EXPECT_EQ(fileDialogs->asked()[0].kind, ScriptedFileDialogs::Kind::Save);
  EXPECT_EQ(asked.title, QStringLiteral("Record the serial line"));
  EXPECT_EQ(asked.filter, QStringLiteral("Line traces (*.txt);;All files (*)"));
  EXPECT_EQ(asked.initialFolder, QDir(home.path()).filePath(QStringLiteral("EventLogs")));
  EXPECT_TRUE(asked.fileName.startsWith(QStringLiteral("Line "))) << asked.fileName.toStdString();
  EXPECT_FALSE(item()->isChecked()) << "cancelled: nothing recorded";
  EXPECT_FALSE(tracing().isTracing());

  const QString path = QDir(home.path()).filePath(QStringLiteral("line.txt"));
  fileDialogs->choose(path);
  item()->trigger();
  EXPECT_TRUE(tracing().isTracing());
  EXPECT_TRUE(item()->isChecked());
  EXPECT_EQ(item()->text(), QStringLiteral("Stop recording the serial line"));
  ASSERT_TRUE(app.port().open());
  app.link().WritePieces({QStringLiteral("Goodbye"), QStringLiteral("(2"), QStringLiteral("A6FFFF)\r\n")});

  item()->trigger();
  EXPECT_FALSE(tracing().isTracing());
  EXPECT_FALSE(item()->isChecked());
  EXPECT_EQ(item()->text(), QStringLiteral("Record the serial line..."));
  EXPECT_EQ(fileDialogs->asked().size(), 2u) << "stopping asks nothing";
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains(" > Goodbye(2A6FFFF)\\r\\n\n"));
  EXPECT_TRUE(doubles.prompts->shown().empty());
}

TEST_F(LineRecording, AFileThatFailsDuringASequenceIsReportedOnceWhenTheSequenceEnds) {
  ASSERT_TRUE(app.port().open());
  ASSERT_TRUE(windows.mainWindow().lineRecording().start(QStringLiteral("/dev/full")) == false);
  QCoreApplication::processEvents();
  ASSERT_EQ(doubles.prompts->shown().size(), 1u) << "not during a sequence: at once";
  EXPECT_EQ(doubles.prompts->shown()[0].prompt,
            QStringLiteral("The serial line cannot be recorded in /dev/full: No space left on device\n"
                           "The instrument link goes on without the record."));
  EXPECT_EQ(doubles.prompts->shown()[0].title, QStringLiteral("Record the serial line"));
  EXPECT_EQ(doubles.prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(doubles.prompts->shown()[0].icon, PromptIcon::Exclamation);
  doubles.prompts->clear();

  windows.mainWindow().setSequenceMenusEnabled(false);
  EXPECT_FALSE(windows.mainWindow().lineRecording().start(QStringLiteral("/dev/full")));
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(doubles.prompts->shown().empty()) << "no message box in the middle of a sequence";
  EXPECT_FALSE(item()->isChecked());
  windows.mainWindow().setSequenceMenusEnabled(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(doubles.prompts->shown().size(), 1u);
  windows.mainWindow().setSequenceMenusEnabled(false);
  windows.mainWindow().setSequenceMenusEnabled(true);
  EXPECT_EQ(doubles.prompts->shown().size(), 1u) << "once";
}

}  // namespace
