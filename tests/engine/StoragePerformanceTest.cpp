#include <QElapsedTimer>
#include <algorithm>

#include "EngineFixture.h"

namespace {

class StoragePerformance : public EngineFixture {
 protected:
  // One stored run, with the calls a sequence makes: twelve-value rows,
  // row labels and formats copied to the next block, names advanced, recalculation.
  void storeRun(int run) {
    const QString next = app.Names().Item("NextDataStorage").Value().mid(1);
    xl::Range n = app.Range(next);
    for (int r = 0; r < 8; ++r) {
      QVector<xl::CellValue> row;
      for (int c = 0; c < 12; ++c) row.push_back(c == 5 ? txt("X") : num(run * 100.0 + r * 12 + c));
      n.Offset(r, 0).Resize(1, 12).setValues(row);
    }
    n.Offset(0, -1).Resize(8, 1).Copy();
    n.Offset(9, -1).PasteSpecial(xl::xlPasteAll);
    n.Offset(0, -3).Resize(8, 15).Copy();
    n.Offset(9, -3).PasteSpecial(xl::xlPasteFormats);
    const QString address = n.Offset(9, 0).Address(true, true, true);
    app.Names().Item("NextDataStorage").Delete();
    app.Names().Add("NextDataStorage", "=" + address.mid(address.indexOf(']') + 1));
    app.Range("Temp").setValue(app.Names().Item("NumberOfRuns").Value());
    app.Calculate();
  }
};

TEST_F(StoragePerformance, NineHundredNinetyNineRunsStayFastAndFlat) {
  app.Names().Add("NextDataStorage", "=Data!$D$3");
  app.Names().Add("Temp", "=Options!$B$1");
  app.Names().Add("NumberOfRuns", "=999");
  app.Range("Data!A1").setValue("=SUM(Options!B1:B2)");  // one formula cell to recalculate
  for (int r = 0; r < 8; ++r) {
    app.Range("Data!C3").Offset(r, 0).setValue(QString(QChar('A' + r)));
    for (int c = 0; c < 12; c += 3) app.Range("Data!D3").Offset(r, c).setInteriorPattern(xl::xlPatternLightUp);
  }
  constexpr int kRuns = 999;
  std::vector<qint64> nanos;
  QElapsedTimer timer;
  for (int run = 1; run <= kRuns; ++run) {
    timer.start();
    storeRun(run);
    nanos.push_back(timer.nsecsElapsed());
  }
  auto median = [](std::vector<qint64> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  const qint64 early = median({nanos.begin(), nanos.begin() + 100});
  const qint64 late = median({nanos.end() - 100, nanos.end()});
  std::printf("per run: first 100 median %.3f ms, last 100 median %.3f ms\n", early / 1e6, late / 1e6);
  EXPECT_LT(late, 5'000'000);
  EXPECT_LT(late, early * 3 + 200'000);  // no growth with the run number
  EXPECT_EQ(app.Names().Item("NextDataStorage").Value(), QStringLiteral("=Data!$D$%1").arg(3 + 9 * kRuns));
  EXPECT_EQ(app.Range("Data!D3").Offset(9 * (kRuns - 1), 0).Value(), num(kRuns * 100.0));
  EXPECT_EQ(app.Range("Data!D3").Offset(9 * (kRuns - 1) + 7, 3).InteriorPattern(), xl::xlPatternLightUp);
  EXPECT_EQ(app.Range("Temp").Value(), num(999));
}

}  // namespace
