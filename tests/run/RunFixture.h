#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <deque>

#include "app/AppContext.h"
#include "options/RunOptions.h"
#include "run/ColumnReport.h"
#include "run/RunSequencer.h"
#include "run/RunState.h"
#include "tests/support/DoublePlatform.h"
#include "workbook/DefaultTemplate.h"
#include "workbook/modExcel.h"

// Records what the run window would show.
struct RecordingView : RunView {
  void setStatusLine(const QString& text) override { lines.push_back(text); }
  void setSequenceControls(bool running) override { controls.push_back(running); }
  std::vector<QString> lines;
  std::vector<bool> controls;
};

// A Lumivane at the far end of the in-memory port: answers identify and
// connect, status, tray, recipe and step-count requests; the frames of the
// sequence go out right after the start reply.
struct ScriptedInstrument {
  QByteArray trayStatus = "0";  // InstrumentStatus answered to "How are you?"
  QByteArray ejectReply = "(2B63e0FFFF)";
  QByteArray cancelReply = "(2B65Q0FFFF)";
  std::deque<QByteArray> defineReplies;  // default: defined
  std::deque<QByteArray> startReplies;   // default: running
  QByteArray sequence;                   // delivered after the (first) start reply
  QByteArray finalReply = "(2B60x0FFFF)";
  QByteArray stepCountReply = "(2BHs0123FFFF)";
  std::vector<QByteArray> requests;  // every request line, in order
  std::function<void()> onStart;      // runs (as a posted event) once the recipe is started

  void attach(MemorySerialPort& port) {
    port.setFarEnd([this](MemorySerialPort& p, const QByteArray& bytes) {
      line_ += bytes;
      if (!line_.endsWith("\r\n")) return;
      const QByteArray request = line_;
      line_.clear();
      requests.push_back(request);
      p.deliver(answer(request));
    });
  }

  int count(const char* label) const {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                           [label](const QByteArray& r) { return r.startsWith(label); }));
  }

 private:
  QByteArray answer(const QByteArray& request) {
    if (request.startsWith("Who are you?")) return "(@A2VrHd010702030305CA1230FFFF)";
    if (request.startsWith("Connect to me!")) return "(2A2VrHd010702030305CA1233FFFF)";
    if (request.startsWith("How are you?")) return "(2B6" + trayStatus + "t0FFFF)";
    if (request.contains("B7e")) return ejectReply;
    if (request.contains("B7Q")) return cancelReply;
    if (request.startsWith("Define recipe:")) return next(defineReplies, "(2B60r0FFFF)");
    if (request.startsWith("Start recipe!")) {
      QByteArray reply = next(startReplies, "(2B65x1FFFF)");
      if (!sequenceSent_) reply += sequence + finalReply;
      sequenceSent_ = true;
      if (onStart) QTimer::singleShot(0, onStart);
      return reply;
    }
    if (request.startsWith("Read #steps:")) return stepCountReply;
    return {};
  }
  static QByteArray next(std::deque<QByteArray>& replies, const QByteArray& otherwise) {
    if (replies.empty()) return otherwise;
    QByteArray reply = replies.front();
    replies.pop_front();
    return reply;
  }
  QByteArray line_;
  bool sequenceSent_ = false;
};

// A column data report frame for this PC (address 2).
inline QByteArray reportFrame(bool last, int run, int column, qint64 stamp, const QList<int>& readings,
                              const QByteArray& word = "0000") {
  QByteArray frame = "(2B4" + QByteArray(last ? "T" : "F") + QByteArray::number(run).rightJustified(3, '0') +
                     QByteArray::number(column, 16).toUpper() +
                     QByteArray::number(static_cast<quint32>(stamp), 16).toUpper().rightJustified(8, '0') + word;
  for (int reading : readings) frame += QByteArray::number(reading) + ',';
  return frame + "FFFF)";
}

inline QList<int> eight(int value) { return QList<int>(8, value); }

// The program folder, the doubles, the link, a workbook made from the default
// template with its options loaded, and the sequencer.
class RunFixture : public ::testing::Test {
 protected:
  RunFixture() : app(doubles.make(home.path())), store(*doubles.prompts, app.program()), options(store) {
    for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts"}) QDir(home.path()).mkpath(folder);
    port = doubles.port;
    prompts = doubles.prompts;
    clock = doubles.clock;
    instrument.attach(*port);
    store.StartExcel();
    book = DefaultTemplate::build(*store.ExcelApp);
    store.ExcelWorkbook = book;
    store.ExcelWorkbookName = book->Name();
    options.LoadOptionsFromWorkbook();
    state.cmdStartCancelEnabled = store.OptionsConfirmed;
    // Options as the test sets them in memory: Start stays enabled.
    sequencer.setShowOptions([this](const QString& reason) {
      shownReasons.push_back(reason);
      state.cmdStartCancelEnabled = true;
    });
  }

  // Only these wells selected (indexes row * 12 + column).
  void selectWells(std::initializer_list<int> wells) {
    options.lblWell.setAll(false);
    for (int well : wells) options.lblWell.setSelected(well, true);
  }
  QString cellText(const QString& reference) { return book->Range(reference).Value().toText(); }
  double cellNumber(const QString& reference) { return book->Range(reference).Value().number; }
  QString nameFormula(const QString& name) { return book->Names().Item(name).Value(); }
  QString logText(const char* folder) {
    QFile file(home.path() + QLatin1Char('/') + folder + QStringLiteral("/A123.txt"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll());
  }
  qint64 nowEpoch() const { return epochSecondsOfWallClock(clock->now()); }
  std::vector<QString> shownTitles() const {
    std::vector<QString> titles;
    for (const auto& shown : prompts->shown()) titles.push_back(shown.title);
    return titles;
  }

  QTemporaryDir home;
  DoublePlatform doubles;
  AppContext app;
  MemorySerialPort* port = nullptr;
  ScriptedPrompts* prompts = nullptr;
  FakeClock* clock = nullptr;
  ScriptedInstrument instrument;
  modExcel store;
  RunOptions options;
  xl::Workbook* book = nullptr;
  RunState state;
  RecordingView view;
  RunSequencer sequencer{app, store, options, state, view};
  std::vector<QString> shownReasons;
};
