// The access-code windows show their whole request at every opening, and the
// operator cannot make them too small for it.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include "calibration/frmCalibrateUsingPhotile.h"
#include "firmware/frmDownloadNew.h"
#include "tests/windows/ProgramWindowsFixture.h"

namespace {

class PasswordLabelTest : public ProgramWindowsFixture {
 protected:
  // The label has at least the room its text needs, at its width.
  static void expectWhole(const QLabel& label, const char* when) {
    SCOPED_TRACE(when);
    ASSERT_TRUE(label.isVisible());
    const QSize needed = label.wordWrap() ? QSize(label.minimumSizeHint().width(), label.heightForWidth(label.width()))
                                          : label.sizeHint();
    EXPECT_GE(label.width(), needed.width()) << label.text().toStdString();
    EXPECT_GE(label.height(), needed.height()) << label.text().toStdString();
  }

  static void show(QDialog& window) {
    window.show();
    QApplication::processEvents();
  }

  // The operator drags the window as small as it goes.
  static void shrink(QDialog& window) {
    window.resize(1, 1);
    QApplication::processEvents();
  }
};

TEST_F(PasswordLabelTest, LightPlateWindowShowsItsWholeRequestAtEveryOpening) {
  frmCalibrateUsingPhotile& window = windows.calibrateUsingPhotileWindow();
  auto* label = window.findChild<QLabel*>(QStringLiteral("lblPasswordRequired"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("Please enter password to calibrate Lumivane using Standardization Photile."));
  show(window);
  expectWhole(*label, "first opening");
  shrink(window);
  expectWhole(*label, "first opening, shrunk");
  // An accepted code hides the request; no instrument answers, and the window unloads.
  window.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("PALLAS"));
  window.cmdEnterNewPassword_Click();
  ASSERT_FALSE(prompts->shown().empty());
  EXPECT_EQ(prompts->shown().back().title, QStringLiteral("Communication error: calibration abandoned"));
  EXPECT_FALSE(window.isVisible());
  show(window);
  expectWhole(*label, "second opening");
  shrink(window);
  expectWhole(*label, "second opening, shrunk");
}

TEST_F(PasswordLabelTest, DownloadWindowShowsItsWholeRequestAtEveryOpening) {
  frmDownloadNew& window = windows.downloadNewDialog();
  auto* label = window.findChild<QLabel*>(QStringLiteral("lblPasswordRequired"));
  ASSERT_NE(label, nullptr);
  show(window);
  expectWhole(*label, "first opening");
  shrink(window);
  expectWhole(*label, "first opening, shrunk");
  // The right code hides the request; the file dialog is cancelled and the window unloads.
  fileDialogs->cancel();
  window.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("MARVIN"));
  window.cmdEnterNewPassword_Click();
  EXPECT_FALSE(window.isVisible());
  show(window);
  expectWhole(*label, "second opening");
  shrink(window);
  expectWhole(*label, "second opening, shrunk");
}

}  // namespace
