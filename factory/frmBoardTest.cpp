#include "factory/frmBoardTest.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppContext.h"
#include "app/ProgramWindows.h"

namespace {
const QString kLoopCaption = QStringLiteral("LOOP on screen display");
const QString kQuitCaption = QStringLiteral("QUIT and print report");
constexpr int kBlinkShownFrom = 2;
constexpr int kBlinkCycle = 4;
}  // namespace

frmBoardTest::frmBoardTest(ProgramWindows& windows, const QString& suppliesTitle,
                           const QString& enterBoardIdCaption, QWidget* parent)
    : QDialog(parent), windows_(windows) {
  body_ = new QVBoxLayout(this);

  supplies_ = new QGroupBox(suppliesTitle, this);
  supplies_->setObjectName(QStringLiteral("fraPowerSupplies"));
  auto* grid = new QGridLayout(supplies_);
  for (int i = 0; i < PowerSupplies::kCount; ++i) {
    auto* caption = new QLabel(PowerSupplies::table().at(static_cast<size_t>(i)).caption, supplies_);
    caption->setObjectName(QStringLiteral("lblPowerSupplies_%1").arg(i));
    auto* box = addValueBox(QStringLiteral("txtPowerSupplyVoltages_%1").arg(i));
    auto* bad = addBadLabel(QStringLiteral("lblPowerSupplyErrors_%1").arg(i));
    grid->addWidget(caption, i, 0);
    grid->addWidget(box, i, 1);
    grid->addWidget(bad, i, 2);
    txtPowerSupplyVoltages_ << box;
    lblPowerSupplyErrors_ << bad;
  }

  auto* idRow = new QHBoxLayout;
  lblEnterBoardID_ = new QLabel(enterBoardIdCaption, this);
  lblEnterBoardID_->setObjectName(QStringLiteral("lblEnterBoardID"));
  // The request blinks in its place: the ID box beside it stays where it is.
  QSizePolicy keepsItsPlace = lblEnterBoardID_->sizePolicy();
  keepsItsPlace.setRetainSizeWhenHidden(true);
  lblEnterBoardID_->setSizePolicy(keepsItsPlace);
  txtBoardNumber_ = new QLineEdit(this);
  txtBoardNumber_->setObjectName(QStringLiteral("txtBoardNumber"));
  txtBoardNumber_->setMaxLength(4);
  txtBoardNumber_->setAutoFillBackground(true);
  txtBoardNumber_->installEventFilter(this);
  lblNumberOfRepetitions_ = new QLabel(this);
  lblNumberOfRepetitions_->setObjectName(QStringLiteral("lblNumberOfRepetitions"));
  idRow->addWidget(lblEnterBoardID_);
  idRow->addWidget(txtBoardNumber_);
  idRow->addStretch();
  idRow->addWidget(lblNumberOfRepetitions_);

  auto* buttons = new QHBoxLayout;
  cmdLoopOrQuit_ = new QPushButton(kLoopCaption, this);
  cmdLoopOrQuit_->setObjectName(QStringLiteral("cmdLoopOrQuit"));
  cmdLoopOrQuit_->setAutoDefault(false);
  cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel_->setAutoDefault(false);
  buttons->addWidget(cmdLoopOrQuit_);
  buttons->addStretch();
  buttons->addWidget(cmdCancel_);

  lblStatusLine_ = new QLabel(this);
  lblStatusLine_->setObjectName(QStringLiteral("lblStatusLine"));
  lblStatusLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  body_->addWidget(supplies_);
  body_->addLayout(idRow);
  body_->addLayout(buttons);
  body_->addWidget(lblStatusLine_);

  tmrCheckBoardNumber_ = new QTimer(this);
  tmrCheckBoardNumber_->setObjectName(QStringLiteral("tmrCheckBoardNumber"));
  tmrCheckBoardNumber_->setInterval(kBlinkIntervalMs);
  connect(tmrCheckBoardNumber_, &QTimer::timeout, this, &frmBoardTest::tmrCheckBoardNumber_Timer);
  connect(cmdLoopOrQuit_, &QPushButton::clicked, this, &frmBoardTest::cmdLoopOrQuit_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmBoardTest::cmdCancel_Click);
}

QLineEdit* frmBoardTest::addValueBox(const QString& name) {
  auto* box = new QLineEdit(this);
  box->setObjectName(name);
  box->setReadOnly(true);
  box->setAutoFillBackground(true);
  return box;
}

QLabel* frmBoardTest::addBadLabel(const QString& name) {
  auto* label = new QLabel(BoardTest::kBad, this);
  label->setObjectName(name);
  label->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
  label->setVisible(false);
  return label;
}

QColor frmBoardTest::backgroundColour() const { return palette().color(QPalette::Window); }

void frmBoardTest::paint(QLineEdit* box, const QColor& colour) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, colour);
  box->setPalette(palette);
}

void frmBoardTest::mark(QLineEdit* box, QLabel* badLabel, bool bad) {
  badLabel->setVisible(bad);
  paint(box, bad ? kRed : backgroundColour());
}

void frmBoardTest::Form_Load() {
  for (int i = 0; i < PowerSupplies::kCount; ++i) {
    txtPowerSupplyVoltages_[i]->clear();
    mark(txtPowerSupplyVoltages_[i], lblPowerSupplyErrors_[i], false);
  }
  test().WaitingForBoardId = true;
  test().Looping = false;
  blinkCount_ = 0;
  windows_.app().linkState().CancelRequested = false;
  txtBoardNumber_->clear();
  paint(txtBoardNumber_, backgroundColour());
  cmdLoopOrQuit_->setText(kLoopCaption);
  cmdLoopOrQuit_->setVisible(true);
  lblNumberOfRepetitions_->clear();
  lblStatusLine_->clear();
  tmrCheckBoardNumber_->start();
  txtBoardNumber_->setFocus();
}

void frmBoardTest::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (running_) return;
  Form_Load();
  QTimer::singleShot(0, this, &frmBoardTest::Form_Activate);
}

void frmBoardTest::Form_Activate() {
  if (running_) return;
  running_ = true;
  runTest();
  running_ = false;
  tmrCheckBoardNumber_->stop();
  if (!test().reportDestination().isEmpty())
    windows_.showStatusMessage(QStringLiteral("Report: ") + test().reportDestination());
  done(QDialog::Accepted);
}

void frmBoardTest::tmrCheckBoardNumber_Timer() {
  if (!test().WaitingForBoardId) {
    tmrCheckBoardNumber_->stop();
    paint(txtBoardNumber_, kGreen);
    lblEnterBoardID_->setVisible(false);
    return;
  }
  ++blinkCount_;
  const bool shown = blinkCount_ >= kBlinkShownFrom;
  if (blinkCount_ >= kBlinkCycle) blinkCount_ = 0;
  lblEnterBoardID_->setVisible(shown);
  paint(txtBoardNumber_, shown ? kYellow : backgroundColour());
}

void frmBoardTest::txtBoardNumber_KeyPress(int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
  // As on the command line, a board needs an ID: without one the request keeps blinking.
  if (!BoardTest::acceptableBoardId(txtBoardNumber_->text())) return;
  test().WaitingForBoardId = false;
  cmdLoopOrQuit_->setVisible(true);
}

void frmBoardTest::cmdLoopOrQuit_Click() {
  if (test().Looping) {
    test().Looping = false;
    cmdLoopOrQuit_->setVisible(false);
    return;
  }
  test().Looping = true;
  cmdLoopOrQuit_->setText(kQuitCaption);
  if (test().WaitingForBoardId) cmdLoopOrQuit_->setVisible(false);
}

void frmBoardTest::cmdCancel_Click() { windows_.app().linkState().CancelRequested = true; }

void frmBoardTest::closeEvent(QCloseEvent* event) {
  if (!running_) return QDialog::closeEvent(event);
  event->ignore();
  cmdCancel_Click();
}

void frmBoardTest::reject() {
  if (running_) return cmdCancel_Click();
  QDialog::reject();
}

bool frmBoardTest::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtBoardNumber_ && event->type() == QEvent::KeyPress)
    txtBoardNumber_KeyPress(static_cast<QKeyEvent*>(event)->key());
  return QDialog::eventFilter(watched, event);
}

void frmBoardTest::showSupply(int index, const QString& voltsText, bool bad) {
  txtPowerSupplyVoltages_[index]->setText(voltsText);
  mark(txtPowerSupplyVoltages_[index], lblPowerSupplyErrors_[index], bad);
}

void frmBoardTest::showPassCount(int passes) { lblNumberOfRepetitions_->setText(QString::number(passes)); }

QString frmBoardTest::boardId() const { return txtBoardNumber_->text(); }

void frmBoardTest::showReportDestination(const QString& where) {
  lblStatusLine_->setText(QStringLiteral("Report: ") + where);
}
