#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>

#include "platform/Prompts.h"

namespace {

// A notice is shown over its owner and returns at once (a box that held its
// caller would never return here); it goes with closeNotices.
TEST(NoticeTest, ANoticeDoesNotHoldItsCallerAndGoesWithItsOwnersCall) {
  QDialog owner;
  owner.setWindowModality(Qt::ApplicationModal);
  owner.show();
  MessageBoxPrompts prompts;
  prompts.notify(QStringLiteral("Please wait."), QStringLiteral("Refused:"), PromptIcon::Exclamation, &owner);
  const QList<QMessageBox*> boxes = owner.findChildren<QMessageBox*>();
  ASSERT_EQ(boxes.size(), 1);
  QPointer<QMessageBox> box = boxes.front();
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(box->windowTitle(), QStringLiteral("Refused:"));
  EXPECT_EQ(box->text(), QStringLiteral("Please wait."));
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
  EXPECT_EQ(box->windowModality(), Qt::WindowModal);
  EXPECT_EQ(prompts.boxesOpened(), 0u) << "a notice holds no wait";

  QDialog other;
  prompts.closeNotices(&other);
  EXPECT_TRUE(box->isVisible()) << "another window's call leaves it up";
  prompts.closeNotices(&owner);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(box.isNull());
}

}  // namespace
