#include <gtest/gtest.h>

#include <QMessageBox>

#include "platform/Prompts.h"

namespace {

TEST(MessageBoxTitleTest, BoxIsWideEnoughForItsTitle) {
  const QString title = QStringLiteral("Run abandoned because we cannot define the sequence to Lumivane");
  QMessageBox box(QMessageBox::Warning, title, QStringLiteral("Short."));
  const int before = box.sizeHint().width();
  widenToTitle(box);
  QFont titleFont = box.font();
  titleFont.setBold(true);
  EXPECT_GT(box.sizeHint().width(), before);
  EXPECT_GE(box.sizeHint().width(), QFontMetrics(titleFont).horizontalAdvance(title) + 100);
}

}  // namespace
