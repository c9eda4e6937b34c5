// Pipes left in the recovery folder never block the offer of the copies at start.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tests/workbook/StoreFixture.h"

namespace {

bool makePipe(const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }

TEST_F(StoreFixture, PipesInTheRecoveryFolderAreLeftAloneWhenCopiesAreListed) {
  store.StartExcel();
  openSavedWorkbook(QStringLiteral("Plates.xlsx"));
  ASSERT_TRUE(store.saveRecoveryCopy());
  const QString copy = store.recovery().copyPathFor(*store.ExcelWorkbook);
  const QDir folder(store.recovery().folder());
  // The copy's origin note became a pipe; a pipe and a link to one pose as copies.
  ASSERT_TRUE(QFile::remove(copy + QStringLiteral(".origin")));
  ASSERT_TRUE(makePipe(copy + QStringLiteral(".origin")));
  ASSERT_TRUE(makePipe(folder.filePath(QStringLiteral("Pipe-0123456789.xlsx"))));
  ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("Pipe-0123456789.xlsx")),
                          folder.filePath(QStringLiteral("Linked-0123456789.xlsx"))));

  const QList<RecoveredWorkbook> copies = RecoveryStore(folder.path()).recovered();
  ASSERT_EQ(copies.size(), 1);
  EXPECT_EQ(copies[0].copyPath, QFileInfo(copy).absoluteFilePath());
  EXPECT_EQ(copies[0].workbookName, QFileInfo(copy).fileName());  // no origin to name it
  EXPECT_TRUE(copies[0].originalPath.isEmpty());
}

}  // namespace
