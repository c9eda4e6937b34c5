#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QMap>
#include <cmath>
#include <map>
#include <vector>

#include "assay/LayoutCsv.h"
#include "assay/LayoutSheet.h"
#include "tests/e2e/E2eSupport.h"
#include "workbook/engine/Automation.h"

// `lumivanectl analyse` on a workbook measured against the simulator, its
// tables checked against numbers worked out here from the stored cells.
namespace {

const QString kTemplate = QStringLiteral(LUMIVANE_BIN_DIR "/Templates/2DimensionalFormat.xltx");
constexpr int kRuns = 3;

RunResult ctl(const QStringList& arguments) { return runProgram(QStringLiteral("lumivanectl"), arguments, 120000); }

// The standards' light follows y = d + (a − d) / (1 + (x / c)^b).
constexpr double kA = 5000, kB = 1.2, kC = 30, kD = 80000;
const std::vector<double> kConcentrations = {0, 1, 3, 10, 30, 100, 300, 1000};
double logistic(double x) { return kD + (kA - kD) / (1 + std::pow(x / kC, kB)); }

QString wellName(int row, int column) { return QChar(u'A' + row) + QString::number(column + 1); }

struct Plate {
  QString layoutCsv = QStringLiteral("Well,Role,Group,Concentration\n");
  QStringList lights;  // --well-light arguments
  QMap<QString, QString> roleOf, groupOf;
  void add(int row, int column, const QString& role, const QString& group, const QString& concentration,
           double light) {
    const QString well = wellName(row, column);
    layoutCsv += QStringLiteral("%1,%2,%3,%4\n").arg(well, role, group, concentration);
    lights << QStringLiteral("--well-light") << QStringLiteral("%1=%2").arg(well).arg(std::llround(light));
    roleOf[well] = role;
    groupOf[well] = role == QLatin1String("Standard") ? concentration
                    : role.endsWith(QLatin1String("Control")) ? role
                                                               : group;
  }
};

// Blanks A1..A3; standards in B1..B8 and C1..C8; samples S1 (in range), S2
// (below), S3 (above) in D; the controls in E. The rest of rows A..E is read
// without a role.
Plate plate() {
  Plate p;
  for (int c = 0; c < 3; ++c) p.add(0, c, QStringLiteral("Blank"), {}, {}, 0);
  for (int row : {1, 2})
    for (size_t i = 0; i < kConcentrations.size(); ++i)
      p.add(row, int(i), QStringLiteral("Standard"), {}, QString::number(kConcentrations[i]),
            logistic(kConcentrations[i]));
  const std::vector<std::pair<QString, std::vector<double>>> samples = {
      {"S1", {20000, 21000, 22500}}, {"S2", {3000, 3100, 2950}}, {"S3", {79500, 79600, 79700}}};
  for (size_t s = 0; s < samples.size(); ++s)
    for (size_t i = 0; i < 3; ++i)
      p.add(3, int(s * 3 + i), QStringLiteral("Sample"), samples[s].first, {}, samples[s].second[i]);
  for (int i = 0; i < 3; ++i) p.add(4, i, QStringLiteral("PositiveControl"), {}, {}, 50000 + 2000 * (i - 1));
  for (int i = 0; i < 3; ++i) p.add(4, 3 + i, QStringLiteral("NegativeControl"), {}, {}, 500 + 20 * (i - 1));
  return p;
}

// A CSV file as rows of fields (no quoted fields in these tables).
std::vector<QStringList> readCsv(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  std::vector<QStringList> rows;
  for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    rows.push_back(line.split(QLatin1Char(',')));
  return rows;
}

void expectClose(const QString& text, double expected, const std::string& what) {
  bool ok = false;
  const double value = text.toDouble(&ok);
  ASSERT_TRUE(ok) << what << ": \"" << text.toStdString() << "\"";
  EXPECT_NEAR(value, expected, std::max(std::abs(expected), 1e-300) * 1e-6 + 1e-9) << what;
}

struct Stats {
  double mean = 0, sd = 0;
};
Stats stats(const std::vector<double>& v) {
  Stats s;
  for (double x : v) s.mean += x;
  s.mean /= double(v.size());
  for (double x : v) s.sd += (x - s.mean) * (x - s.mean);
  s.sd = std::sqrt(s.sd / double(v.size() - 1));
  return s;
}

class AnalyseCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    book = home.dir.filePath(QStringLiteral("book.xlsx"));
    ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, book}).exitCode, 0);
    ASSERT_EQ(ctl({QStringLiteral("set-options"), book, QStringLiteral("--runs"), QString::number(kRuns),
                   QStringLiteral("--delay"), QStringLiteral("5"), QStringLiteral("--wells"), QStringLiteral("A,B,C,D,E")})
                  .exitCode,
              0);
    layout = plate();
    QStringList args = {QStringLiteral("--home"), home.path(), QStringLiteral("--simulate"), QStringLiteral("--time-scale"),
                        QStringLiteral("50"), QStringLiteral("--dark-current"), QStringLiteral("1200")};
    args << layout.lights << QStringLiteral("measure") << book;
    const RunResult run = ctl(args);
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    layoutFile = home.dir.filePath(QStringLiteral("layout.csv"));
    QFile file(layoutFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(layout.layoutCsv.toUtf8());
  }

  QString out(const char* name) const { return home.dir.filePath(QLatin1String(name)); }

  ProgramFolder home;
  QString book, layoutFile;
  Plate layout;
};

TEST_F(AnalyseCommand, TablesAgreeWithTheStoredValues) {
  const RunResult run = ctl({QStringLiteral("analyse"), book, QStringLiteral("--layout"), layoutFile,
                             QStringLiteral("--wells"), out("wells.csv"), QStringLiteral("--groups"), out("groups.csv"),
                             QStringLiteral("--controls"), out("controls.csv"), QStringLiteral("--kinetics"),
                             out("kinetics.csv"), QStringLiteral("--curve"), out("curve.csv")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

  // The stored cells: data block from Data!D3, time block from Data!V3, 9 rows a run.
  xl::Application app;
  xl::Workbook* opened = app.Workbooks().Open(book);
  ASSERT_NE(opened, nullptr);
  std::map<std::pair<int, QString>, double> value, seconds;  // (run, well)
  for (int k = 1; k <= kRuns; ++k) {
    for (int row = 0; row < 5; ++row) {
      for (int column = 0; column < 12; ++column) {
        const xl::Range data = opened->Range(QStringLiteral("Data!$D$3")).Offset((k - 1) * 9 + row, column);
        const xl::Range time = opened->Range(QStringLiteral("Data!$V$3")).Offset((k - 1) * 9 + row, column);
        ASSERT_TRUE(data.Value().isNumeric()) << k << " " << wellName(row, column).toStdString();
        value[{k, wellName(row, column)}] = data.Value().number;
        seconds[{k, wellName(row, column)}] = time.Value().number;
      }
    }
  }
  std::map<int, double> blank;
  std::map<std::pair<int, QString>, std::vector<double>> groups;
  for (int k = 1; k <= kRuns; ++k) {
    blank[k] = (value[{k, "A1"}] + value[{k, "A2"}] + value[{k, "A3"}]) / 3;
    for (const auto& [well, role] : layout.roleOf.asKeyValueRange())
      if (role != QLatin1String("Blank")) groups[{k, layout.groupOf[well]}].push_back(value[{k, well}] - blank[k]);
  }

  const auto wells = readCsv(out("wells.csv"));
  ASSERT_EQ(wells.size(), 1u + kRuns * 60);
  EXPECT_EQ(wells[0].join(','), QStringLiteral("Sequence,Run,Well,Role,Group,Value,BlankCorrected"));
  for (size_t i = 1; i < wells.size(); ++i) {
    const QStringList& f = wells[i];
    const int k = f[1].toInt();
    EXPECT_EQ(f[0], QStringLiteral("1"));
    EXPECT_EQ(f[3], layout.roleOf.value(f[2]));
    EXPECT_EQ(f[4], layout.groupOf.value(f[2]));
    expectClose(f[5], value[{k, f[2]}], "value " + f[2].toStdString());
    expectClose(f[6], value[{k, f[2]}] - blank[k], "corrected " + f[2].toStdString());
  }

  const auto groupRows = readCsv(out("groups.csv"));
  ASSERT_EQ(groupRows.size(), 1u + kRuns * (8 + 3 + 2));
  for (size_t i = 1; i < groupRows.size(); ++i) {
    const QStringList& f = groupRows[i];
    const Stats s = stats(groups[{f[1].toInt(), f[2]}]);
    const std::string what = "group " + f[2].toStdString() + " run " + f[1].toStdString();
    EXPECT_EQ(f[4].toInt(), int(groups[{f[1].toInt(), f[2]}].size())) << what;
    expectClose(f[5], s.mean, what);
    expectClose(f[6], s.sd, what);
    expectClose(f[7], 100 * s.sd / s.mean, what);
    if (f[2] == QLatin1String("S2")) {
      EXPECT_EQ(f[8], QStringLiteral("<0")) << "below the lowest standard";
    }
    if (f[2] == QLatin1String("S3")) {
      EXPECT_EQ(f[8], QStringLiteral(">1000")) << "above the highest standard";
    }
    if (f[2] == QLatin1String("S1")) {
      // Inverting the generating curve (in stored units, 100 × light) gives the concentration to 0.1 %.
      const double y = s.mean;
      const double x = kC * std::pow((100 * kA - 100 * kD) / (y - 100 * kD) - 1, 1 / kB);
      EXPECT_NEAR(f[8].toDouble(), x, x * 1e-3);
    }
  }

  const auto controls = readCsv(out("controls.csv"));
  ASSERT_EQ(controls.size(), 1u + kRuns);
  for (size_t i = 1; i < controls.size(); ++i) {
    const int k = controls[i][1].toInt();
    const Stats pos = stats(groups[{k, "PositiveControl"}]);
    const Stats neg = stats(groups[{k, "NegativeControl"}]);
    expectClose(controls[i][2], pos.mean / neg.mean, "S/B");
    expectClose(controls[i][3], 1 - 3 * (pos.sd + neg.sd) / std::abs(pos.mean - neg.mean), "Z'");
  }

  const auto kinetics = readCsv(out("kinetics.csv"));
  ASSERT_EQ(kinetics.size(), 1u + 60);
  for (size_t i = 1; i < kinetics.size(); ++i) {
    const QString well = kinetics[i][1];
    std::vector<double> t, v;
    for (int k = 1; k <= kRuns; ++k) {
      t.push_back(seconds[{k, well}]);
      v.push_back(value[{k, well}] - blank[k]);
    }
    size_t top = 0;
    for (size_t j = 1; j < v.size(); ++j)
      if (v[j] > v[top]) top = j;
    const double mt = (t[0] + t[1] + t[2]) / 3, mv = (v[0] + v[1] + v[2]) / 3;
    double sxy = 0, sxx = 0, area = 0;
    for (size_t j = 0; j < 3; ++j) {
      sxy += (t[j] - mt) * (v[j] - mv);
      sxx += (t[j] - mt) * (t[j] - mt);
      if (j > 0) area += (t[j] - t[j - 1]) * (v[j] + v[j - 1]) / 2;
    }
    expectClose(kinetics[i][2], v[top], "max " + well.toStdString());
    expectClose(kinetics[i][3], t[top], "time of max " + well.toStdString());
    expectClose(kinetics[i][4], sxy / sxx, "slope " + well.toStdString());
    expectClose(kinetics[i][5], area, "area " + well.toStdString());
  }

  // The curve of every run: the generating parameters in stored units (blank-corrected 100 × light).
  const auto curve = readCsv(out("curve.csv"));
  ASSERT_EQ(curve.size(), 1u + kRuns);
  EXPECT_EQ(curve[0].join(','), QStringLiteral("Sequence,Run,Model,A,B,C,D,RSquared"));
  for (size_t i = 1; i < curve.size(); ++i) {
    EXPECT_EQ(curve[i][2], QStringLiteral("4pl"));
    EXPECT_NEAR(curve[i][3].toDouble(), 100 * kA, 100 * kA * 1e-3);
    EXPECT_NEAR(curve[i][4].toDouble(), kB, kB * 1e-3);
    EXPECT_NEAR(curve[i][5].toDouble(), kC, kC * 1e-3);
    EXPECT_NEAR(curve[i][6].toDouble(), 100 * kD, 100 * kD * 1e-3);
    EXPECT_NEAR(curve[i][7].toDouble(), 1, 1e-6);
  }
}

TEST_F(AnalyseCommand, LineModelAndRefusals) {
  // A line through the standards: slope and intercept, C and D empty.
  RunResult run = ctl({QStringLiteral("analyse"), book, QStringLiteral("--layout"), layoutFile, QStringLiteral("--model"),
                       QStringLiteral("line"), QStringLiteral("--sequence"), QStringLiteral("1"), QStringLiteral("--curve"),
                       out("line.csv")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const auto line = readCsv(out("line.csv"));
  ASSERT_EQ(line.size(), 1u + kRuns);
  EXPECT_EQ(line[1][2], QStringLiteral("line"));
  EXPECT_TRUE(line[1][5].isEmpty());
  EXPECT_TRUE(line[1][6].isEmpty());

  // No Layout sheet and no --layout.
  run = ctl({QStringLiteral("analyse"), book});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("book.xlsx has no Layout sheet; give the plate layout with --layout FILE.csv.\n"));
  // A layout that names no wells.
  const QString empty = out("empty.csv");
  QFile file(empty);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Well,Role,Group,Concentration\n");
  file.close();
  run = ctl({QStringLiteral("analyse"), book, QStringLiteral("--layout"), empty});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("The plate layout names no wells.\n"));
  // A bad line of the layout.
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Well,Role,Group,Concentration\nA1,Blank,,\nQ1,Blank,,\n");
  file.close();
  run = ctl({QStringLiteral("analyse"), book, QStringLiteral("--layout"), empty});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, empty + QStringLiteral(": Line 3: \"Q1\" is not a well (A1 to H12).\n"));
  // A sequence the workbook does not hold.
  run = ctl({QStringLiteral("analyse"), book, QStringLiteral("--layout"), layoutFile, QStringLiteral("--sequence"),
             QStringLiteral("2")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, QStringLiteral("book.xlsx holds sequences 1 to 1; there is no sequence 2.\n"));
  // A workbook without runs.
  const QString fresh = out("fresh.xlsx");
  ASSERT_EQ(ctl({QStringLiteral("new-workbook"), kTemplate, fresh}).exitCode, 0);
  run = ctl({QStringLiteral("analyse"), fresh, QStringLiteral("--layout"), layoutFile});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.startsWith(QStringLiteral("fresh.xlsx holds no runs"))) << run.err.toStdString();
  EXPECT_EQ(ctl({QStringLiteral("analyse"), book, QStringLiteral("--model"), QStringLiteral("cubic")}).exitCode, 64);
}

}  // namespace

namespace {

TEST_F(AnalyseCommand, ReportOfTheThreeRunSequenceShowsEverySection) {
  const QString pdf = out("report.pdf");
  const RunResult run =
      ctl({QStringLiteral("report"), book, QStringLiteral("--layout"), layoutFile, QStringLiteral("--pdf"), pdf});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("Wrote the report of sequence 1 to ") + pdf + QLatin1Char('\n'));
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString shown = QString::fromUtf8(text.readAllStandardOutput());
  for (const char* section : {"Run report", "book.xlsx", "Number of runs:", "Heat map of the last run",
                              "Run 3, stored values.", "Kinetics of the groups", "Plate layout", "Groups",
                              "Controls", "Standard curve", "Kinetics", "S1", "PositiveControl", "R²"})
    EXPECT_TRUE(shown.contains(QString::fromUtf8(section))) << section;
  EXPECT_EQ(ctl({QStringLiteral("report"), book, QStringLiteral("--layout"), layoutFile}).exitCode, 64)
      << "--pdf is needed";
}

}  // namespace

namespace {

// Without --layout the workbook's own Layout sheet serves, with the same results.
TEST_F(AnalyseCommand, TheWorkbooksLayoutSheetServesWhenNoFileIsGiven) {
  {
    xl::Application app;
    xl::Workbook* opened = app.Workbooks().Open(book);
    ASSERT_NE(opened, nullptr);
    QString error;
    const std::optional<assay::PlateLayout> layout = assay::layoutFromCsv(this->layout.layoutCsv, &error);
    ASSERT_TRUE(layout) << error.toStdString();
    assay::writeLayoutSheet(*opened, *layout);
    ASSERT_TRUE(opened->Save());
  }
  ASSERT_EQ(ctl({QStringLiteral("analyse"), book, QStringLiteral("--groups"), out("sheet.csv")}).exitCode, 0);
  ASSERT_EQ(ctl({QStringLiteral("analyse"), book, QStringLiteral("--layout"), layoutFile, QStringLiteral("--groups"),
                 out("file.csv")})
                .exitCode,
            0);
  QFile sheet(out("sheet.csv")), file(out("file.csv"));
  ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray fromSheet = sheet.readAll();
  EXPECT_EQ(fromSheet, file.readAll());
  EXPECT_GT(fromSheet.count('\n'), 30);
}

}  // namespace
