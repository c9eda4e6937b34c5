#pragma once

#include <QStringList>
#include <map>

#include "factory/MainBoardTest.h"
#include "factory/SensorBoardTest.h"

// What a board test window would show, kept for the tests. The board ID is
// typed before the test starts.
template <typename View>
struct RecordingView : View {
  void showSupply(int index, const QString& voltsText, bool bad) override {
    supplies[index] = voltsText + (bad ? QStringLiteral(" Bad") : QString());
  }
  void showPassCount(int count) override {
    passes = count;
    if (afterPass) afterPass(count);
  }
  QString boardId() const override { return id; }
  void showReportDestination(const QString& where) override { destination = where; }

  QString id = QStringLiteral("0042");
  std::map<int, QString> supplies;
  int passes = 0;
  QString destination;
  std::function<void(int)> afterPass;
};

struct MainBoardView : RecordingView<MainBoardTestView> {
  void showRevisions(const QString& bootstrap, const QString& firmware, const QString& softLogic) override {
    revisions = {bootstrap, firmware, softLogic};
  }
  void showBoardRevision(const QString& revision) override { boardRevision = revision; }
  QStringList revisions;
  QString boardRevision;
};

struct SensorBoardView : RecordingView<SensorBoardTestView> {
  void showResetValue(int row, const QString& text, bool bad) override { resets[row] = text + (bad ? " Bad" : ""); }
  void showDarkMean(int row, const QString& text, bool bad) override { means[row] = text + (bad ? " Bad" : ""); }
  void showDarkDeviation(int row, const QString& text, bool bad) override {
    deviations[row] = text + (bad ? " Bad" : "");
  }
  void showTemperature(const QString& text) override { temperature = text; }
  std::map<int, QString> resets, means, deviations;
  QString temperature;
};
