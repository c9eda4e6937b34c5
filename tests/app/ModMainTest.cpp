#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/AppContext.h"
#include "app/modMain.h"
#include "platform/MemorySerialPort.h"
#include "tests/support/DoublePlatform.h"

namespace {

struct SwitchSpy : KeepAliveSwitch {
  void setKeepAliveEnabled(bool enabled) override { calls.push_back(enabled); }
  std::vector<bool> calls;
};

// InitializeLink on an in-memory port whose far end behaves like a ready instrument.
class InitializeLinkTest : public ::testing::Test {
 protected:
  InitializeLinkTest() : app(doubles.make(home.path())), main(app) {
    port = doubles.port;
    prompts = doubles.prompts;
    for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts"}) QDir(home.path()).mkpath(folder);
    port->setFarEnd([this](MemorySerialPort& p, const QByteArray& bytes) {
      line += bytes;
      if (!line.endsWith("\r\n")) return;
      if (line.startsWith("Who are you?")) p.deliver(identifyReply);
      if (line.startsWith("Connect to me!")) p.deliver("(2A2VrHd010702030305C" + serial + "3FFFF)");
      line.clear();
    });
    app.link().setKeepAliveSwitch(&keepAlive);
  }

  QString logPath(const char* folder) const {
    return QDir::toNativeSeparators(home.path() + QLatin1Char('/') + folder + QLatin1Char('/') + serial + ".txt");
  }

  QTemporaryDir home;
  DoublePlatform doubles;
  MemorySerialPort* port = nullptr;
  ScriptedPrompts* prompts = nullptr;
  AppContext app;
  modMain main;
  SwitchSpy keepAlive;
  QByteArray line;
  QByteArray identifyReply = "(@A2VrHd010702030305CA1230FFFF)";
  QByteArray serial = "A123";
};

TEST_F(InitializeLinkTest, ConnectsOpensTheLogsAndStartsTheKeepAlive) {
  QFile existing(logPath("DarkCurrents"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("earlier recipe\n");
  existing.close();

  EXPECT_EQ(main.InitializeLink(), modMain::kConnected);
  const LinkState& link = app.linkState();
  EXPECT_TRUE(link.LinkInitialised);
  EXPECT_EQ(link.FrameHeader, QStringLiteral("(2"));
  EXPECT_EQ(link.HostName, QStringLiteral("-PC2"));
  EXPECT_EQ(port->lineSettings(), QStringLiteral("9600,n,8,1"));
  EXPECT_EQ(link.LastTimerTick, link.LastSendTime);
  EXPECT_EQ(keepAlive.calls, std::vector<bool>{true});
  EXPECT_TRUE(link.DarkCurrentsFile.isOpen());
  EXPECT_TRUE(link.EventLogFile.isOpen());
  EXPECT_TRUE(link.StepCountsFile.isOpen());
  EXPECT_TRUE(QFile::exists(logPath("EventLogs")));
  EXPECT_TRUE(QFile::exists(logPath("StepCounts")));

  // An existing log is appended to.
  app.linkState().DarkCurrentsFile.write("new recipe\n");
  app.link().CloseLink();
  QFile appended(logPath("DarkCurrents"));
  ASSERT_TRUE(appended.open(QIODevice::ReadOnly));
  EXPECT_EQ(appended.readAll(), QByteArray("earlier recipe\nnew recipe\n"));
}

TEST_F(InitializeLinkTest, SecondCallKeepsPortAndFilesAndAsksAgain) {
  ASSERT_EQ(main.InitializeLink(), modMain::kConnected);
  port->takeWritten();
  identifyReply = "(2A2VrHd010702030305CA1233FFFF)";
  EXPECT_EQ(main.InitializeLink(), modMain::kConnected);
  EXPECT_EQ(port->openCount(), 1);
  EXPECT_TRUE(QString::fromLatin1(port->written()).startsWith(QStringLiteral("Who are you?(@A1FFFF)\r\n")));

  // An instrument that no longer answers is reported, and nothing stale passes for an answer.
  identifyReply.clear();
  app.linkState().RxBuffer = QStringLiteral("(2A2VrHd010702030305CA1233FFFF)");
  EXPECT_EQ(main.InitializeLink(), modMain::kNoInstrument);
  EXPECT_TRUE(app.linkState().LinkInitialised);
  EXPECT_TRUE(app.linkState().RxBuffer.isEmpty());
}

TEST_F(InitializeLinkTest, NoInstrumentLeavesThePortOpenAndNoFiles) {
  identifyReply.clear();
  EXPECT_EQ(main.InitializeLink(), modMain::kNoInstrument);
  EXPECT_TRUE(port->isOpen());
  EXPECT_FALSE(app.linkState().LinkInitialised);
  EXPECT_FALSE(app.linkState().DarkCurrentsFile.isOpen());
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(InitializeLinkTest, PortThatCannotBeOpenedIsReported) {
  port->refuseOpen(QStringLiteral("Permission denied"));
  EXPECT_EQ(main.InitializeLink(), modMain::kPortOrFileError);
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown()[0].prompt, QStringLiteral("Cannot access Com Port"));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Connection to Lumivane Abandoned"));
  EXPECT_EQ(prompts->shown()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::None);
  EXPECT_FALSE(port->isOpen());
}

TEST_F(InitializeLinkTest, LogFolderBlockedByAFileIsReportedAndEverythingClosed) {
  QDir(home.path()).rmdir(QStringLiteral("StepCounts"));
  QFile blocker(home.path() + QStringLiteral("/StepCounts"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  EXPECT_EQ(main.InitializeLink(), modMain::kPortOrFileError);
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_TRUE(prompts->shown()[0].prompt.startsWith(QStringLiteral("Cannot open logfile: ") + logPath("StepCounts") +
                                                    QStringLiteral("\r\nError: ")));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Connection to Lumivane Abandoned"));
  EXPECT_FALSE(port->isOpen());
  EXPECT_FALSE(app.linkState().LinkInitialised);
  EXPECT_FALSE(app.linkState().DarkCurrentsFile.isOpen());
  EXPECT_FALSE(app.linkState().EventLogFile.isOpen());
}

TEST_F(InitializeLinkTest, EmptyProgramFolderGetsItsFolders) {
  for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts"}) QDir(home.path()).rmdir(folder);
  EXPECT_EQ(main.InitializeLink(), modMain::kConnected);
  for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Reports", "Recovery"})
    EXPECT_TRUE(QFileInfo(home.path() + QLatin1Char('/') + folder).isDir()) << folder;
  EXPECT_TRUE(QFile::exists(logPath("EventLogs")));
}

TEST_F(InitializeLinkTest, EverySerialNumberConnectsUnderAFileNameInsideItsFolder) {
  const std::pair<QByteArray, QString> cases[] = {
      {"AB  ", QStringLiteral("AB")},  // as the parameter-9 writer pads "AB"
      {"../x", QStringLiteral("___x")},
      {"A B/", QStringLiteral("A B_")},
  };
  for (const auto& [reported, fileName] : cases) {
    SCOPED_TRACE(reported.toStdString());
    serial = reported;
    app.link().CloseLink();
    prompts->clear();
    EXPECT_EQ(main.InitializeLink(), modMain::kConnected);
    EXPECT_EQ(app.linkState().InstrumentSerialNumber, QString::fromLatin1(reported));
    EXPECT_TRUE(prompts->shown().empty());
    for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts"})
      EXPECT_TRUE(QFile::exists(home.path() + QLatin1Char('/') + folder + QLatin1Char('/') + fileName + ".txt"))
          << folder;
  }
  EXPECT_EQ(QDir(home.path()).entryList(QDir::Files).size(), 0);
}

TEST(SerialNumberFileName, KeepsWhatAFileNameMayHold) {
  const std::pair<const char*, const char*> cases[] = {
      {"A123", "A123"}, {"AB  ", "AB"}, {"A B ", "A B"}, {"a-_9", "a-_9"}, {"..", "__"},
      {"C:\\x", "C__x"}, {"    ", "_"}, {"", "_"}, {"\xe9t\x01", "_t_"},
  };
  for (const auto& [serial, name] : cases)
    EXPECT_EQ(modMain::fileNameForSerialNumber(QString::fromLatin1(serial)), QLatin1String(name)) << serial;
}

TEST(HostIdentity, FromTheComputerName) {
  auto id = modMain::hostIdentityFor(QStringLiteral("LAB-PC2"));
  EXPECT_EQ(id.address, QStringLiteral("2"));
  EXPECT_EQ(id.header, QStringLiteral("(2"));
  EXPECT_EQ(id.name, QStringLiteral("-PC2"));
  id = modMain::hostIdentityFor(QStringLiteral("AB"));
  EXPECT_EQ(id.name, QStringLiteral("  AB"));
  EXPECT_EQ(id.address, QStringLiteral("B"));
  id = modMain::hostIdentityFor(QStringLiteral("ROOM@"));
  EXPECT_EQ(id.address, QStringLiteral("A"));
  EXPECT_EQ(id.header, QStringLiteral("(A"));
  id = modMain::hostIdentityFor(QString());
  EXPECT_EQ(id.address, QStringLiteral("t"));
  EXPECT_EQ(id.name, QStringLiteral("host"));
  id = modMain::hostIdentityFor(QStringLiteral("BENCH7   "));
  EXPECT_EQ(id.address, QStringLiteral("7"));
}

}  // namespace
