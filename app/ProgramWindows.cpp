#include "app/ProgramWindows.h"

#include <QDialog>

#include "app/AppContext.h"
#include "app/frmMain.h"
#include "options/RunOptions.h"
#include "workbook/modExcel.h"

ProgramWindows::ProgramWindows(AppContext& app)
    : app_(app),
      store_(std::make_unique<modExcel>(app.prompts(), app.program())),
      runOptions_(std::make_unique<RunOptions>(*store_)) {}

// Windows go first: they refer to the models.
ProgramWindows::~ProgramWindows() {
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

void ProgramWindows::showModal(QDialog& dialog) {
  if (modalRunner_) {
    modalRunner_(dialog);
    return;
  }
  dialog.exec();
}
