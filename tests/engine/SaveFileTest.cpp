#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <quazip/quazip.h>
#include <quazip/quazipfileinfo.h>

#include "workbook/engine/Automation.h"

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A workbook large enough that saving it takes more than a few kilobytes.
xl::Workbook* filledBook(xl::Application& app) {
  xl::Workbook* book = app.Workbooks().Add();
  for (int row = 1; row <= 400; ++row)
    book->Range(QStringLiteral("Sheet1!A%1").arg(row)).setValue(QStringLiteral("reading %1 of the plate").arg(row * 7919));
  return book;
}

#ifdef Q_OS_UNIX
// The disk fills up at `bytes`: every write to a file beyond it fails, as on a full disk.
class DiskFullAt {
 public:
  explicit DiskFullAt(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~DiskFullAt() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST(SaveFile, FullDiskFailsTheSaveAndLeavesTheFileAsItWas) {
  QTemporaryDir dir;
  xl::Application app;
  xl::Workbook* book = filledBook(app);
  const QString path = dir.filePath(QStringLiteral("Plates.xlsx"));
  ASSERT_TRUE(book->SaveAs(path)) << app.Err().Description.toStdString();
  const QByteArray before = contentOf(path);
  ASSERT_GT(before.size(), 4096);

  book->Range(QStringLiteral("Sheet1!B1")).setValue(3410.0);
  bool saved = true;
  {
    const DiskFullAt full(static_cast<rlim_t>(before.size() / 2));
    saved = book->Save();
  }
  EXPECT_FALSE(saved);
  EXPECT_FALSE(app.Err().Description.isEmpty());
  EXPECT_FALSE(book->Saved());
  EXPECT_EQ(contentOf(path), before);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Plates.xlsx")})
      << "no temporary file is left behind";
}
#endif

TEST(SaveFile, PackageEntriesAreOrdinaryReadableFiles) {
  QTemporaryDir dir;
  xl::Application app;
  const QString path = dir.filePath(QStringLiteral("Plates.xlsx"));
  ASSERT_TRUE(app.Workbooks().Add()->SaveAs(path));
  QuaZip zip(path);
  ASSERT_TRUE(zip.open(QuaZip::mdUnzip));
  int entries = 0;
  for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
    QuaZipFileInfo64 info;
    ASSERT_TRUE(zip.getCurrentFileInfo(&info));
    EXPECT_EQ((info.externalAttr >> 16) & 0777U, 0644U) << info.name.toStdString();
    EXPECT_EQ((info.externalAttr >> 16) & 0170000U, 0100000U) << info.name.toStdString() << " is a regular file";
    ++entries;
  }
  EXPECT_GE(entries, 5);
}

}  // namespace
