#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "XlsxTestSupport.h"

using namespace xl;

namespace {

QStringList corpus() {
  return QDir(xltest::dataPath(QStringLiteral("malformed"))).entryList({QStringLiteral("*.xlsx")}, QDir::Files, QDir::Name);
}

// What the error must say for the files whose fault has a name of its own.
const QMap<QString, QString>& expectedReasons() {
  static const QMap<QString, QString> reasons{
      {QStringLiteral("empty.xlsx"), QStringLiteral("empty")},
      {QStringLiteral("not-a-zip.xlsx"), QStringLiteral("not a zip")},
      {QStringLiteral("legacy-ole-header.xlsx"), QStringLiteral("legacy binary")},
      {QStringLiteral("bad-crc.xlsx"), QStringLiteral("checksum")},
      {QStringLiteral("no-content-types.xlsx"), QStringLiteral("[Content_Types].xml is missing")},
      {QStringLiteral("no-workbook-part.xlsx"), QStringLiteral("workbook part is missing")},
      {QStringLiteral("missing-sheet-part.xlsx"), QStringLiteral("missing from the package")},
      {QStringLiteral("not-a-spreadsheet.xlsx"), QStringLiteral("main part is of type")},
      {QStringLiteral("workbook-xml-error.xlsx"), QStringLiteral("XML error")},
      {QStringLiteral("sheet-xml-error.xlsx"), QStringLiteral("XML error")},
      {QStringLiteral("no-sheets.xlsx"), QStringLiteral("no sheets")},
      {QStringLiteral("entity-expansion.xlsx"), QStringLiteral("document type declarations")},
      {QStringLiteral("external-entity.xlsx"), QStringLiteral("document type declarations")},
      {QStringLiteral("deep-formula.xlsx"), QStringLiteral("nested deeper than 256")},
      {QStringLiteral("deep-name.xlsx"), QStringLiteral("nested deeper than 256")},
      {QStringLiteral("cell-ref-A0.xlsx"), QStringLiteral("invalid cell reference \"A0\"")},
      {QStringLiteral("cell-ref-XFE1.xlsx"), QStringLiteral("invalid cell reference \"XFE1\"")},
      {QStringLiteral("cell-ref-garbage.xlsx"), QStringLiteral("invalid cell reference")},
      {QStringLiteral("row-out-of-range.xlsx"), QStringLiteral("outside the sheet")},
      {QStringLiteral("row-negative.xlsx"), QStringLiteral("outside the sheet")},
      {QStringLiteral("col-out-of-range.xlsx"), QStringLiteral("outside the sheet")},
      {QStringLiteral("shared-string-index.xlsx"), QStringLiteral("shared string")},
      {QStringLiteral("bad-number.xlsx"), QStringLiteral("not a number")},
      {QStringLiteral("bad-boolean.xlsx"), QStringLiteral("not a Boolean")},
      {QStringLiteral("unknown-cell-type.xlsx"), QStringLiteral("unknown type")},
      {QStringLiteral("name-sheet-out-of-range.xlsx"), QStringLiteral("sheet that does not exist")},
      {QStringLiteral("duplicate-sheet-names.xlsx"), QStringLiteral("two sheets")},
      {QStringLiteral("zip-bomb.xlsx"), QStringLiteral("zip bomb")},
  };
  return reasons;
}

}  // namespace

TEST(XlsxMalformed, CorpusIsThere) {
  EXPECT_GE(corpus().size(), 25) << "run tests/engine/fuzz/make_malformed.py";
  for (const QString& name : expectedReasons().keys()) EXPECT_TRUE(corpus().contains(name)) << name.toStdString();
}

TEST(XlsxMalformed, TheUntouchedPackageOfTheGeneratorOpens) {
  const auto model = xltest::readOrFail(xltest::dataPath(QStringLiteral("minimal-by-script.xlsx")));
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->sheets().front()->cell(0, 0)->value, CellValue::fromNumber(1));
}

TEST(XlsxMalformed, EveryFileIsRefusedQuicklyWithAClearError) {
  for (const QString& name : corpus()) {
    SCOPED_TRACE(name.toStdString());
    QString error;
    QElapsedTimer timer;
    timer.start();
    const auto model = readXlsx(xltest::dataPath(QStringLiteral("malformed/")) + name, &error);
    EXPECT_EQ(model, nullptr);
    EXPECT_LT(timer.elapsed(), 5'000);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot open "))) << error.toStdString();
    EXPECT_TRUE(error.contains(name)) << error.toStdString();
    if (expectedReasons().contains(name)) {
      EXPECT_TRUE(error.contains(expectedReasons().value(name))) << error.toStdString();
    }
  }
}

TEST(XlsxMalformed, MissingFileAndNullErrorPointer) {
  QString error;
  EXPECT_EQ(readXlsx(QStringLiteral("/nonexistent/book.xlsx"), &error), nullptr);
  EXPECT_TRUE(error.contains(QStringLiteral("does not exist"))) << error.toStdString();
  EXPECT_EQ(readXlsx(xltest::dataPath(QStringLiteral("malformed/not-a-zip.xlsx")), nullptr), nullptr);
}

TEST(XlsxMalformed, EveryTruncationOfAGoodFileIsRefusedOrReadWithoutCrashing) {
  QFile source(xltest::dataPath(QStringLiteral("lo-all-legal.xlsx")));
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  const QByteArray bytes = source.readAll();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("cut.xlsx"));
  int refused = 0;
  for (qsizetype length = 0; length < bytes.size(); length += 97) {
    QFile cut(path);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cut.write(bytes.left(length));
    cut.close();
    QString error;
    if (readXlsx(path, &error) == nullptr) {
      ++refused;
      EXPECT_FALSE(error.isEmpty());
    }
  }
  EXPECT_EQ(refused, (bytes.size() + 96) / 97);
}

TEST(XlsxMalformed, FlippedBytesNeverCrash) {
  QFile source(xltest::dataPath(QStringLiteral("lo-all-legal.xlsx")));
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  const QByteArray bytes = source.readAll();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("flipped.xlsx"));
  quint32 state = 12345;
  int opened = 0;
  for (int round = 0; round < 300; ++round) {
    QByteArray damaged = bytes;
    for (int flips = 0; flips < 4; ++flips) {
      state = state * 1664525u + 1013904223u;
      damaged[qsizetype(state % quint32(damaged.size()))] = char(state >> 24);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(damaged);
    file.close();
    QString error;
    const auto model = readXlsx(path, &error);
    if (model != nullptr) {
      ++opened;
    } else {
      EXPECT_FALSE(error.isEmpty());
    }
  }
  EXPECT_LT(opened, 300);  // the checksums catch most damage
}
