#include <QFile>
#include <QImage>

#include "run/KineticsChart.h"
#include "run/PlateView.h"
#include "run/RunDisplay.h"
#include "run/RunMonitor.h"
#include "run/frmLumiTerm.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

// The run window's plate picture and kinetics leave the program as PNG and
// CSV files where the operator chooses; a failed write is said, not hidden.
class RunDisplayExportTest : public ProgramWindowsFixture {
 protected:
  RunDisplayExportTest() {
    // Two runs of well A1 alone (column 1), dark 1200.
    std::array<bool, RunMonitor::kWells> selected{};
    selected[0] = true;
    RunMonitor& monitor = display().monitor();
    monitor.beginSequence(selected, QStringLiteral("TFFFFFFFFFFF"));
    for (int run = 1; run <= 2; ++run) {
      monitor.takePlateColumn(run, 1, {1300.0 + run, 1200, 1200, 1200, 1200, 1200, 1200, 1200}, 10.0 * run);
      monitor.takeDarkColumn({1200, 1200, 1200, 1200, 1200, 1200, 1200, 1200}, true);
    }
    display().kinetics().showWells({0}, false);
  }
  RunDisplay& display() { return windows.runWindow().display(); }
  QString file(const char* name) const { return QDir(home.path()).filePath(QLatin1String(name)); }
};

TEST_F(RunDisplayExportTest, PlatePictureAndKineticsAreSavedWhereChosen) {
  fileDialogs->choose(file("plate"));  // the extension is added
  fileDialogs->choose(file("curves.csv"));
  fileDialogs->cancel();
  EXPECT_TRUE(display().plate().saveAsPng());
  EXPECT_TRUE(display().kinetics().exportCsv());
  EXPECT_FALSE(display().plate().saveAsPng());

  ASSERT_EQ(fileDialogs->asked().size(), 3u);
  EXPECT_EQ(fileDialogs->asked()[0].request.title, QStringLiteral("Save the plate picture"));
  EXPECT_EQ(fileDialogs->asked()[0].request.filter, QStringLiteral("PNG image (*.png)"));
  EXPECT_EQ(fileDialogs->asked()[1].request.filter, QStringLiteral("CSV file (*.csv)"));
  const QImage saved(file("plate.png"));
  EXPECT_GE(saved.width(), 480);
  EXPECT_GE(saved.height(), 300);
  QFile csv(file("curves.csv"));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QByteArray written = csv.readAll();
  EXPECT_TRUE(written.startsWith("Test,\nPlate No,\nOperator,\nStart,")) << written.toStdString();
  EXPECT_TRUE(written.endsWith("\n\nWell,Run,Elapsed seconds,Value\nA1,1,10,10110\nA1,2,20,10210\n"))
      << written.toStdString();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_EQ(display().exportedText(), QStringLiteral("Saved ") + QDir::toNativeSeparators(file("curves.csv")));
}

TEST_F(RunDisplayExportTest, AFailedWriteIsReported) {
  fileDialogs->choose(file("missing-folder/plate.png"));
  fileDialogs->choose(file("missing-folder/curves.csv"));
  EXPECT_FALSE(display().plate().saveAsPng());
  EXPECT_FALSE(display().kinetics().exportCsv());
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].prompt,
            QStringLiteral("The picture could not be saved as %1.").arg(file("missing-folder/plate.png")));
  EXPECT_EQ(prompts->shown()[0].title, QStringLiteral("Save the plate picture"));
  EXPECT_EQ(prompts->shown()[0].icon, PromptIcon::Exclamation);
  EXPECT_EQ(prompts->shown()[1].prompt,
            QStringLiteral("The kinetics could not be written to %1.").arg(file("missing-folder/curves.csv")));
  EXPECT_EQ(prompts->shown()[1].title, QStringLiteral("Export the kinetics"));
}

}  // namespace
