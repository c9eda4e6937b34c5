#include "help/frmTutorial.h"

#include <QDir>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"
#include "platform/RtfReader.h"
#include "ui_frmTutorial.h"

frmTutorial::frmTutorial(ProgramWindows& windows, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmTutorial>()), windows_(windows) {
  ui_->setupUi(this);
  connect(ui_->cmdPrint, &QPushButton::clicked, this, &frmTutorial::cmdPrint_Click);
  connect(ui_->cmdClose, &QPushButton::clicked, this, &frmTutorial::cmdClose_Click);
}

frmTutorial::~frmTutorial() = default;

QTextEdit& frmTutorial::rtbViewOfTutorial() { return *ui_->rtbViewOfTutorial; }

QString frmTutorial::tutorialPath() const { return QDir(windows_.app().program().folder).filePath(kTutorialFile); }

void frmTutorial::showEvent(QShowEvent* event) {
  Form_Activate();
  QDialog::showEvent(event);
}

void frmTutorial::Form_Activate() {
  QFile file(tutorialPath());
  if (!file.open(QIODevice::ReadOnly)) {
    // Without the file the viewer says where it looked.
    ui_->rtbViewOfTutorial->setPlainText(
        QStringLiteral("The tutorial cannot be shown: %1 cannot be read.").arg(QDir::toNativeSeparators(file.fileName())));
    return;
  }
  QTextDocument* document = ui_->rtbViewOfTutorial->document();
  const QString problem = RtfReader::read(file.readAll(), *document);
  if (problem.isEmpty()) return;
  // A damaged file: what could be read, then a note that says so.
  QTextCursor end(document);
  end.movePosition(QTextCursor::End);
  QTextCharFormat note;
  note.setFontItalic(true);
  note.setForeground(QColor(0x80, 0, 0));
  end.insertBlock(QTextBlockFormat(), note);
  end.insertText(QStringLiteral("Note: ") + problem, note);
}

void frmTutorial::cmdPrint_Click() {
  const QTextCursor cursor = ui_->rtbViewOfTutorial->textCursor();
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, cursor.hasSelection());
  if (cursor.hasSelection()) dialog.setPrintRange(QAbstractPrintDialog::Selection);
  windows_.showModal(dialog);
  if (dialog.result() != QDialog::Accepted) return;
  // Printing errors end the action without a message.
  if (printer.printRange() == QPrinter::Selection && cursor.hasSelection()) {
    QTextDocument selection;
    selection.setHtml(cursor.selection().toHtml());
    selection.print(&printer);
  } else {
    ui_->rtbViewOfTutorial->document()->print(&printer);
  }
}

void frmTutorial::cmdClose_Click() { accept(); }

frmTutorial& ProgramWindows::tutorialWindow() { return onFirstUse(tutorial_); }
