#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "tests/windows/DialogsFixture.h"

namespace {

class OptionsHabitsTest : public DialogsFixture {
 protected:
  frmOptions& options() { return windows.optionsWindow(); }
  void openTemplate() {
    windows.optionsWindow().tag = QStringLiteral("New template");
    files->choose(templatePath());
    windows.openWorkbookDialog().cmdCreateNewWorkbook_Click();
    ASSERT_TRUE(windows.store().WorkbookReady);
  }
};

// Enter in a field presses OK; Tab goes from field to field past the spin
// arrows; the alert that shows takes room kept for it, not the well grid's.
TEST_F(OptionsHabitsTest, EnterPressesOkTabSkipsTheArrowsAndTheAlertDoesNotSqueezeTheWells) {
  openTemplate();
  bool checked = false;
  insideOptions = [&](frmOptions& shown) {
    shown.show();
    QCoreApplication::processEvents();
    auto* ok = shown.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    EXPECT_TRUE(ok->isDefault());
    int arrows = 0;
    for (QToolButton* arrow : shown.findChildren<QToolButton*>()) {
      if (!arrow->objectName().contains(QLatin1String("Spin"))) continue;
      ++arrows;
      EXPECT_EQ(arrow->focusPolicy(), Qt::NoFocus) << arrow->objectName().toStdString();
    }
    EXPECT_EQ(arrows, 10);

    auto* wells = shown.findChild<QGroupBox*>(QStringLiteral("fraSelectWells"));
    const QSize before = wells->size();
    shown.findChild<QLabel*>(QStringLiteral("lblErrorsWereFixed"))->setVisible(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(wells->size(), before);
    shown.findChild<QLabel*>(QStringLiteral("lblErrorsWereFixed"))->setVisible(false);

    auto* runs = shown.findChild<QLineEdit*>(QStringLiteral("txtRepeats"));
    runs->setFocus();
    runs->selectAll();
    runs->insert(QStringLiteral("4"));  // typed
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(runs, &enter);
    EXPECT_FALSE(shown.isVisible());
    checked = true;
  };
  options().tag = QStringLiteral("Options button clicked");
  options().Showform();
  ASSERT_TRUE(checked);
  EXPECT_EQ(options().tag, QStringLiteral("Exit via OK"));
  EXPECT_EQ(windows.runOptions().summary.lblSummaryOfOptionsValues[2].caption, QStringLiteral("4"));
}

}  // namespace
