#include <QChart>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSet>

#include "app/frmMain.h"
#include "options/RunOptions.h"
#include "platform/QtSerialPort.h"
#include "run/KineticsChart.h"
#include "run/PlateView.h"
#include "run/RunDisplay.h"
#include "run/RunMonitor.h"
#include "run/SequenceProgressView.h"
#include "run/StoredSequenceList.h"
#include "run/frmLumiTerm.h"
#include "sim/Simulator.h"
#include "tests/windows/ProgramWindowsFixture.h"
#include "tests/windows/SimulatedSessionFixture.h"

namespace {

// A working session against the simulated instrument on a real serial port,
// its clock forty times faster than the PC's.
class RunWindowSessionTest : public SimulatedSessionFixture {};

// Three sequences of three runs of 24 wells (rows B to D, columns 1 to 8):
// the list names all three, the last one's kinetics start near 0 s on its
// own clock, 24 curves are listed by row, the plate marks them, and the
// window keeps its size. With LUMIVANE_SCREENSHOT_DIR set, the window is
// saved there as run-window-session.png (the README's picture).
TEST_F(RunWindowSessionTest, ThreeSequencesWith24WellsPlotted) {
  ASSERT_TRUE(simulator);
  frmMain& main = windows.mainWindow();
  main.useDevice(simulator->devicePath());
  const QString path = QDir(home.path()).filePath(QStringLiteral("Templates/") + DefaultTemplate::kFileName);
  QString error;
  ASSERT_TRUE(DefaultTemplate::write(path, &error)) << error.toStdString();
  main.show();
  main.Form_Activate();
  modExcel& store = windows.store();
  ASSERT_TRUE(store.OpenDataWorkbook(path)) << store.WorkbookErrorText.toStdString();
  store.StoreOption(QStringLiteral("NumberOfRuns"), QStringLiteral("3"));
  store.StoreOption(QStringLiteral("DelayBetweenRuns"), QStringLiteral("30"));
  RunOptions& options = windows.runOptions();
  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  QList<int> wells;
  for (int well = 0; well < RunMonitor::kWells; ++well) {
    const bool chosen = well / 12 >= 1 && well / 12 <= 3 && well % 12 < 8;
    options.lblWell.setSelected(well, chosen);
    if (chosen) wells << well;
  }
  options.StoreOptions();
  ASSERT_TRUE(options.LoadOptionsFromWorkbook());
  frmLumiTerm& run = windows.runWindow();
  run.showSummary();
  main.resize(1280, 740);
  QCoreApplication::processEvents();
  const QSize size = main.size();
  run.findChild<QLineEdit*>(QStringLiteral("txtTest"))->setText(QStringLiteral("Luciferase kinetics"));
  run.findChild<QLineEdit*>(QStringLiteral("txtOperator"))->setText(QStringLiteral("Grace"));
  RunDisplay& display = run.display();
  for (int sequence = 1; sequence <= 3; ++sequence) {
    run.findChild<QLineEdit*>(QStringLiteral("txtPlateNo"))->setText(QStringLiteral("P-%1").arg(sequence));
    prompts->script({PromptAnswer::Ok});
    run.findChild<QPushButton*>(QStringLiteral("cmdStartCancel"))->click();
    ASSERT_EQ(run.findChild<QLabel*>(QStringLiteral("lblStatusLine"))->text(),
              QStringLiteral("The last run completed successfully."));
    if (sequence == 1) display.kinetics().showWells(wells, false);
    QCoreApplication::processEvents();
    EXPECT_EQ(main.size(), size) << "after sequence " << sequence;
  }

  ASSERT_EQ(display.storedSequences().count(), 3);
  EXPECT_TRUE(display.storedSequences().itemText(2).contains(QStringLiteral("plate P-3   3 runs")))
      << display.storedSequences().itemText(2).toStdString();
  EXPECT_EQ(display.plate().runCaption(), QStringLiteral("Run 3"));
  EXPECT_EQ(display.progress().percent(), 100);
  KineticsChart& kinetics = display.kinetics();
  ASSERT_EQ(kinetics.chart().series().size(), 24);
  EXPECT_EQ(kinetics.legendEntries(), (QStringList{QStringLiteral("Row B (8 wells)"), QStringLiteral("Row C (8 wells)"),
                                                   QStringLiteral("Row D (8 wells)")}));
  EXPECT_EQ(display.plate().markedWells().size(), 24);
  // The third sequence's first run on its own clock, not the session's.
  const QList<QPointF> first = qobject_cast<QLineSeries*>(kinetics.chart().series().at(0))->points();
  ASSERT_EQ(first.size(), 3);
  EXPECT_LT(first[0].x(), RunMonitor::kClockTolerance);
  EXPECT_GT(first[1].x() - first[0].x(), 30.0) << "the runs lie the delay and a run's reading apart";
  const QStringList labels = kinetics.timeLabels();
  EXPECT_EQ(labels.front(), QStringLiteral("0"));
  EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), labels.size()) << "every tick label once";

  const QString folder = qEnvironmentVariable("LUMIVANE_SCREENSHOT_DIR");
  if (!folder.isEmpty()) {
    EXPECT_TRUE(main.grab().save(QDir(folder).filePath(QStringLiteral("run-window-session.png")), "PNG"));
  }
  EXPECT_TRUE(app.link().SayGoodbye());
}

}  // namespace
