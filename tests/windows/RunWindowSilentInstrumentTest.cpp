// The run window against a simulated instrument that falls silent after run 1:
// the sequence ends with the same failure text lumivanectl prints, run 1 kept.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "app/frmMain.h"
#include "options/RunOptions.h"
#include "platform/FileDialogs.h"
#include "platform/QtSerialPort.h"
#include "run/frmLumiTerm.h"
#include "sim/SimCommands.h"
#include "sim/Simulator.h"
#include "tests/support/DoublePlatform.h"
#include "workbook/DefaultTemplate.h"
#include "tests/windows/SimulatedSessionFixture.h"
#include "workbook/modExcel.h"

namespace {

class RunWindowSilentInstrument : public SimulatedSessionFixture {};

TEST_F(RunWindowSilentInstrument, SequenceEndsWithStoppedAnsweringAndKeepsRunOne) {
  ASSERT_TRUE(simulator);
  windows.mainWindow().useDevice(simulator->devicePath());
  const QString path = QDir(home.path()).filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
  QString error;
  ASSERT_TRUE(DefaultTemplate::write(path, &error)) << error.toStdString();
  modExcel& store = windows.store();
  store.StartExcel();
  ASSERT_TRUE(store.OpenDataWorkbook(path)) << store.WorkbookErrorText.toStdString();
  for (const auto& [key, value] : {std::pair{"NumberOfRuns", "3"}, std::pair{"DelayBetweenRuns", "0"},
                                   std::pair{"IncubationDelay", "0"}, std::pair{"DelayBeforeEjection", "0"}})
    store.StoreOption(QLatin1String(key), QLatin1String(value));
  ASSERT_TRUE(windows.runOptions().LoadOptionsFromWorkbook());
  ASSERT_TRUE(store.OptionsConfirmed);

  // Once run 1's dark-current column is reported, the instrument says nothing more.
  SimCommands hands(simulator->model());
  QObject::connect(&simulator->model(), &InstrumentModel::reply, [&hands](const QByteArray& frame) {
    if (!frame.contains("B4N0010")) return;
    QTimer::singleShot(0, [&hands] {
      hands.run(QStringLiteral("fault silent on"));
      hands.run(QStringLiteral("fault drop"));
    });
  });

  frmLumiTerm& run = windows.runWindow();
  run.showSummary();
  auto* start = run.findChild<QPushButton*>(QStringLiteral("cmdStartCancel"));
  ASSERT_TRUE(start->isEnabled());
  prompts->script({PromptAnswer::Ok});  // the plate is on the tray
  start->click();

  const QString silent = QStringLiteral("Lumivane stopped answering during run 2.");
  EXPECT_EQ(run.findChild<QLabel*>(QStringLiteral("lblStatusLine"))->text(), silent);
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[1].prompt, silent);
  EXPECT_EQ(prompts->shown()[1].title, QStringLiteral("ERROR; run abandoned."));
  EXPECT_EQ(prompts->shown()[1].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompts->shown()[1].icon, PromptIcon::Exclamation);
  EXPECT_EQ(start->text(), QStringLiteral("&Start"));
  EXPECT_TRUE(run.findChild<QPushButton*>(QStringLiteral("cmdOptions"))->isEnabled());
  EXPECT_FALSE(app.linkState().RunInProgress);
  EXPECT_TRUE(store.Range(QStringLiteral("Data!$D$3")).Value().isNumeric()) << "run 1 is kept";
  EXPECT_TRUE(store.Range(QStringLiteral("Data!$D$12")).Value().isEmpty());
  EXPECT_EQ(windows.runOptions().txtNextDataStorage.text, QStringLiteral("Data!$D$12"));
}

}  // namespace
