#include "app/ProgramWindows.h"

#include <QDialog>

#include <QDateTime>
#include <QTextStream>

#include "app/AppContext.h"
#include "app/Common.h"
#include "app/frmMain.h"
#include "options/RunOptions.h"
#include "run/frmLumiTerm.h"
#include "workbook/SaveAsDialog.h"
#include "workbook/SheetWindow.h"
#include "workbook/modExcel.h"

namespace {

// One line of the event log: date, time, a tab and the text.
void logEvent(LinkState& link, const QString& text) {
  if (!link.EventLogFile.isOpen()) return;
  QTextStream(&link.EventLogFile) << Common::FormatDateTime(QDateTime::currentDateTime()) << '\t' << text << '\n';
  link.EventLogFile.flush();
}

}  // namespace

ProgramWindows::ProgramWindows(AppContext& app)
    : app_(app),
      store_(std::make_unique<modExcel>(app.prompts(), app.program())),
      runOptions_(std::make_unique<RunOptions>(*store_)) {
  store_->setSavePathChooser([&app](const xl::Workbook& book) {
    return SaveAsDialog::choose(app.fileDialogs(), app.settings(), book);
  });
  // Whichever way a workbook became the data workbook, the spreadsheet window shows it.
  QObject::connect(store_.get(), &modExcel::dataWorkbookReady, [this] { sheetWindow().refresh(); });
  QObject::connect(store_.get(), &modExcel::recoveryCopyFailed, [this](const QString& message) {
    if (run_) run_->setStatusLine(message);
    logEvent(app_.linkState(), message);
  });
}

// Windows go first: they refer to the models.
ProgramWindows::~ProgramWindows() {
  simulatedInstrument_.reset();
  testFullSystem_.reset();
  testSensorsBoard_.reset();
  testMainBoard_.reset();
  downloadNew_.reset();
  downloadProgress_.reset();
  calibratePhotile_.reset();
  calibrateUsingPhotile_.reset();
  calibration_.reset();
  about_.reset();
  tutorial_.reset();
  welcome_.reset();
  enableToolsMenu_.reset();
  communicationSettings_.reset();
  sheet_.reset();
  openWorkbook_.reset();
  options_.reset();
  run_.reset();
  main_.reset();
}

frmMain& ProgramWindows::mainWindow() { return onFirstUse(main_); }

void ProgramWindows::setSimulatedInstrument(InstrumentModel* instrument) {
  simulatedModel_ = instrument;
  if (main_ && instrument) main_->addSimulatedInstrumentItem();
}

void ProgramWindows::showModal(QDialog& dialog) {
  if (modalRunner_) {
    modalRunner_(dialog);
    return;
  }
  dialog.exec();
}
