#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <bit>
#include <functional>
#include <map>
#include <memory>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "app/frmMain.h"
#include "link/ValueConversion.h"
#include "platform/FileDialogs.h"
#include "platform/QtSerialPort.h"
#include "platform/ReportPrinter.h"
#include "sim/Simulator.h"
#include "tests/support/DoublePlatform.h"

// Records every report line and also puts each report out as a PDF.
class TeeReportPrinter : public ReportPrinter {
 public:
  TeeReportPrinter(std::unique_ptr<RecordingReportPrinter> recording, const QString& pdfFolder)
      : recording_(std::move(recording)), pdf_(pdfFolder) {}
  void beginDocument(const QString& documentName) override {
    recording_->beginDocument(documentName);
    pdf_.beginDocument(documentName);
  }
  void printLine(const QString& line) override {
    recording_->printLine(line);
    pdf_.printLine(line);
  }
  QString endDocument() override {
    const QString failure = pdf_.endDocument();
    return failure.isEmpty() ? recording_->endDocument() : failure;
  }
  QString destination() const override { return pdf_.destination(); }

 private:
  std::unique_ptr<RecordingReportPrinter> recording_;
  QtReportPrinter pdf_;
};

// The program's windows against the simulated instrument on a real serial
// port, with scripted message boxes and file dialogs. start() brings the
// simulator up with the test's options; a modal window is handed to the
// handler given for its objectName.
class SimulatedWindowsFixture : public ::testing::Test {
 protected:
  static constexpr double kTimeScale = 20;

  void start(SimOptions options = SimOptions()) {
    Lumivanr::setLibraryFile(QStringLiteral(LUMIVANE_BIN_DIR "/libLumivanr.so"));
    for (const char* folder : {"DarkCurrents", "EventLogs", "StepCounts", "Firmware", "Templates"})
      QDir(home.path()).mkpath(QLatin1String(folder));
    options.timeScale = kTimeScale;
    QString error;
    simulator = Simulator::startOnPty(options, &error);
    ASSERT_TRUE(simulator) << error.toStdString();
    Platform platform;
    platform.port = std::make_unique<QtSerialPort>();
    platform.clock = std::make_unique<SystemClock>();
    auto scripted = std::make_unique<ScriptedPrompts>();
    prompts = scripted.get();
    platform.prompts = std::move(scripted);
    platform.settings = std::make_unique<MemorySettingsStore>();
    platform.computerName = std::make_unique<FixedComputerName>(QStringLiteral("BENCH-7"));
    auto dialogs = std::make_unique<ScriptedFileDialogs>();
    files = dialogs.get();
    platform.fileDialogs = std::move(dialogs);
    platform.program.folder = home.path();
    platform.program.executableName = QStringLiteral("LumivaneQX");
    auto printer = std::make_unique<RecordingReportPrinter>();
    report = printer.get();
    if (pdfReports.isEmpty())
      platform.reportPrinter = std::move(printer);
    else
      platform.reportPrinter = std::make_unique<TeeReportPrinter>(std::move(printer), pdfReports);
    app = std::make_unique<AppContext>(std::move(platform));
    windows = std::make_unique<ProgramWindows>(*app);
    windows->setModalRunner([this](QDialog& dialog) {
      modals.push_back(dialog.objectName());
      const auto handler = onModal.find(dialog.objectName());
      if (handler != onModal.end()) handler->second(dialog);
    });
    windows->mainWindow().useDevice(simulator->devicePath());
  }

  ~SimulatedWindowsFixture() override { Lumivanr::setLibraryFile(QString()); }

  // Ends the program and the simulator, for the next case of a table.
  void stop() {
    qDeleteAll(ticker.findChildren<QTimer*>());
    windows.reset();
    app.reset();
    simulator.reset();
    modals.clear();
    onModal.clear();
  }

  InstrumentModel& instrument() { return simulator->model(); }
  float coefficient(int row) const { return std::bit_cast<float>(simulator->model().parameter(row)); }

  // Runs `action` every `ms` while the test waits inside a window's loop.
  void every(int ms, std::function<void()> action) {
    auto* timer = new QTimer(&ticker);
    QObject::connect(timer, &QTimer::timeout, timer, std::move(action));
    timer->start(ms);
  }

  void expectPrompt(size_t index, const QString& prompt, const QString& title, PromptButtons buttons, PromptIcon icon) {
    ASSERT_GT(prompts->shown().size(), index) << shownText();
    const ScriptedPrompts::Shown& shown = prompts->shown()[index];
    EXPECT_EQ(shown.prompt, prompt) << "box " << index;
    EXPECT_EQ(shown.title, title) << "box " << index;
    EXPECT_EQ(shown.buttons, buttons) << "box " << index;
    EXPECT_EQ(shown.icon, icon) << "box " << index;
  }

  std::string shownText() const {
    std::string text = "boxes shown:";
    for (const ScriptedPrompts::Shown& shown : prompts->shown())
      text += "\n  " + shown.title.toStdString() + ": " + shown.prompt.toStdString();
    return text;
  }

  QString darkCurrentsLog() {
    QFile file(QDir(home.path()).filePath(QStringLiteral("DarkCurrents/A123.txt")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll());
  }

  QTemporaryDir home;
  // Set before start(): the reports are also written as PDFs into this folder.
  QString pdfReports;
  std::unique_ptr<Simulator> simulator;
  ScriptedPrompts* prompts = nullptr;
  ScriptedFileDialogs* files = nullptr;
  RecordingReportPrinter* report = nullptr;  // the printed reports
  std::unique_ptr<AppContext> app;
  std::unique_ptr<ProgramWindows> windows;
  std::vector<QString> modals;
  std::map<QString, std::function<void(QDialog&)>> onModal;
  QObject ticker;  // owns the timers of every()
};

// Message boxes in failure output.
inline void PrintTo(const ScriptedPrompts::Shown& shown, std::ostream* os) {
  *os << shown.title.toStdString() << ": " << shown.prompt.toStdString();
}
