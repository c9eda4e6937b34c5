// Texts count against the memory a workbook may take: a file of long or of
// many strings is refused while it inflates, not after it filled the memory.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "workbook/engine/XlsxFile.h"
#include "workbook/engine/XlsxMemoryEstimate.h"

namespace {

using namespace xl;
using xl::zip::MemoryEstimate;

TEST(XlsxMemoryEstimate, CountsCellsAndTextsTheSameHoweverThePartIsCut) {
  const QByteArray part =
      "<?xml version=\"1.0\"?>\n<sheetData>\n  <row><c r=\"A1\" t=\"inlineStr\"><is><t>hello</t></is></c>"
      "<c><v>12</v></c><c/><cols/><c:chart/></row>\n</sheetData>";
  ReadLimits limits;
  MemoryEstimate whole(limits);
  whole.startPart();
  whole.add(part);
  whole.startPart();
  EXPECT_EQ(whole.cellTags(), 3);
  EXPECT_EQ(whole.textBytes(), 7);  // "hello" and "12"; the indentation is no text
  for (qsizetype piece : {1, 2, 3, 7}) {
    MemoryEstimate cut(limits);
    cut.startPart();
    for (qsizetype at = 0; at < part.size(); at += piece) cut.add(QByteArrayView(part).sliced(at, std::min(piece, part.size() - at)));
    cut.startPart();
    EXPECT_EQ(cut.cellTags(), whole.cellTags()) << piece;
    EXPECT_EQ(cut.textBytes(), whole.textBytes()) << piece;
    EXPECT_EQ(cut.needed(), whole.needed()) << piece;
  }
  // A picture (its first byte cannot begin XML) is held, never parsed: its bytes count once.
  MemoryEstimate picture(limits);
  picture.startPart();
  picture.add(QByteArray(4000, '\x89') + "<c " + QByteArray(4000, 'x'));
  picture.startPart();
  EXPECT_EQ(picture.cellTags(), 0);
  EXPECT_EQ(picture.needed(), 8003);
  // A text still inflating already counts, with its copies while it is read.
  MemoryEstimate inflating(limits);
  inflating.startPart();
  inflating.add("<t>" + QByteArray(1000, 'x'));
  EXPECT_GE(inflating.needed(), 1003 + 6 * 1000);
}

class XlsxTextBudget : public ::testing::Test {
 protected:
  QString write(const QString& name, const std::function<void(WorkbookModel&)>& fill) {
    WorkbookModel model;
    fill(model);
    const QString path = dir.filePath(name);
    QString error;
    EXPECT_TRUE(writeXlsx(model, path, false, &error)) << error.toStdString();
    return path;
  }
  QTemporaryDir dir;
};

TEST_F(XlsxTextBudget, LongTextsAndManyTextsAreRefusedPastTheBudget) {
  // Three sheets of one long text each: 600 kB that take 1.2 MB as strings and more while read.
  const QString longTexts = write(QStringLiteral("long.xlsx"), [](WorkbookModel& model) {
    for (int sheet = 0; sheet < 3; ++sheet)
      model.addSheet(QStringLiteral("S%1").arg(sheet)).cellAt(0, 0).value =
          CellValue::fromText(QString(200'000, QLatin1Char('a' + sheet)));
  });
  // Twenty thousand texts of forty characters.
  const QString manyTexts = write(QStringLiteral("many.xlsx"), [](WorkbookModel& model) {
    Worksheet& sheet = model.addSheet(QStringLiteral("S"));
    for (int row = 0; row < 20'000; ++row)
      sheet.cellAt(row, 0).value = CellValue::fromText(QStringLiteral("%1").arg(row, 40, 10, QLatin1Char('0')));
  });
  const std::pair<QString, qint64> refusals[] = {{longTexts, 2 * 1024 * 1024}, {manyTexts, 6 * 1024 * 1024}};
  for (const auto& [path, budget] : refusals) {
    ReadLimits limits;
    limits.memoryBudget = budget;
    QString error;
    EXPECT_EQ(readXlsx(path, &error, limits), nullptr) << path.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("too large to open"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("of text in its cells and parts"))) << error.toStdString();
    // Within the shipped budget they open, every text whole.
    const auto model = readXlsx(path, &error);
    ASSERT_NE(model, nullptr) << error.toStdString();
    EXPECT_EQ(model->sheets()[0]->cell(0, 0)->value.text.size(), path == longTexts ? 200'000 : 40);
  }
}

}  // namespace
