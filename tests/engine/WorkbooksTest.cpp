#include <gtest/gtest.h>

#include <JlCompress.h>
#include <QFile>
#include <QTemporaryDir>

#include "workbook/engine/Automation.h"

using xl::CellValue;

namespace {

class Workbooks : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir.filePath(name); }

  // A small template: a "Data" sheet with a value, a name and a hatched well.
  QString makeTemplate(const QString& name) {
    xl::Workbook* book = app.Workbooks().Add();
    book->model().sheets().front()->setName(QStringLiteral("Data"));
    book->Range("Data!$D$3").setValue(42.0);
    book->Range("Data!$E$3").setInteriorPattern(xl::xlPatternLightUp);
    book->Names().Add("NextDataStorage", "=Data!$D$3");
    EXPECT_TRUE(book->SaveAs(path(name))) << app.Err().Description.toStdString();
    book->Close();
    return path(name);
  }

  QTemporaryDir dir;
  xl::Application app;
};

TEST_F(Workbooks, NewWorkbooksAreNumbered) {
  EXPECT_EQ(app.Workbooks().Add()->Name(), QStringLiteral("Book1"));
  xl::Workbook* second = app.Workbooks().Add();
  EXPECT_EQ(second->Name(), QStringLiteral("Book2"));
  EXPECT_EQ(app.ActiveWorkbook(), second);
  EXPECT_EQ(app.Workbooks().Count(), 2);
  EXPECT_EQ(app.Workbooks().Item("book1"), app.Workbooks().at(0));
  app.Workbooks().Item("Book1")->Activate();
  EXPECT_EQ(app.ActiveWorkbook()->Name(), QStringLiteral("Book1"));
  EXPECT_EQ(app.Workbooks().Item("Nope"), nullptr);
  EXPECT_EQ(app.Err().Number, xl::kErrSubscriptOutOfRange);
  app.Quit();
  EXPECT_EQ(app.Workbooks().Count(), 0);
  EXPECT_EQ(app.ActiveWorkbook(), nullptr);
}

TEST_F(Workbooks, TemplatesOpenAsNewNumberedWorkbooks) {
  const QString templ = makeTemplate(QStringLiteral("2DimensionalFormat.xltx"));
  xl::Workbook* first = app.Workbooks().Open(templ);
  ASSERT_NE(first, nullptr) << app.Err().Description.toStdString();
  EXPECT_EQ(first->Name(), QStringLiteral("2DimensionalFormat1"));
  EXPECT_EQ(first->FullName(), QString());
  EXPECT_EQ(app.ActiveWorkbook(), first);
  EXPECT_EQ(app.Range("NextDataStorage").Address(true, true, true), QStringLiteral("[2DimensionalFormat1]Data!$D$3"));
  EXPECT_EQ(app.Range("Data!D3").Value(), CellValue::fromNumber(42));
  EXPECT_EQ(app.Range("Data!E3").InteriorPattern(), xl::xlPatternLightUp);

  xl::Workbook* second = app.Workbooks().Open(templ);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(second->Name(), QStringLiteral("2DimensionalFormat2"));

  // A new workbook has no file until it is saved under a name.
  app.Err().Clear();
  EXPECT_FALSE(second->Save());
  EXPECT_EQ(app.Err().Number, xl::kErrMethodFailed);
  app.Err().Clear();
  second->Range("Data!A1").setValue(QStringLiteral("saved"));
  EXPECT_TRUE(second->SaveAs(path("Run.xlsx")));
  EXPECT_EQ(second->Name(), QStringLiteral("Run.xlsx"));
  EXPECT_EQ(second->FullName(), path("Run.xlsx"));
  EXPECT_TRUE(second->Saved());

  // Saved with the workbook content type, not the template's.
  const QString types = JlCompress::extractFile(path("Run.xlsx"), QStringLiteral("[Content_Types].xml"), path("types.xml"));
  QFile typesFile(types);
  ASSERT_TRUE(typesFile.open(QIODevice::ReadOnly));
  const QByteArray content = typesFile.readAll();
  EXPECT_TRUE(content.contains("spreadsheetml.sheet.main+xml"));
  EXPECT_FALSE(content.contains("template.main+xml"));
}

TEST_F(Workbooks, OpeningAnOpenFileActivatesIt) {
  const QString file = makeTemplate(QStringLiteral("Book.xlsx"));
  xl::Workbook* opened = app.Workbooks().Open(file);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->Name(), QStringLiteral("Book.xlsx"));
  EXPECT_TRUE(opened->Saved());
  app.Workbooks().Add();
  EXPECT_EQ(app.Workbooks().Open(file), opened);
  EXPECT_EQ(app.ActiveWorkbook(), opened);
  EXPECT_EQ(app.Workbooks().Count(), 2);

  opened->Range("Data!B2").setValue(QStringLiteral("=D3+1"));
  EXPECT_FALSE(opened->Saved());
  EXPECT_TRUE(opened->Save());
  EXPECT_TRUE(opened->Saved());
  xl::Range kept = opened->Range("Data!B2");
  opened->Close();
  EXPECT_NE(app.ActiveWorkbook(), nullptr);
  app.Err().Clear();
  EXPECT_TRUE(kept.Value().isEmpty());  // a range of a closed workbook only sets Err
  EXPECT_EQ(app.Err().Number, xl::kErrObjectNotSet);

  xl::Workbook* again = app.Workbooks().Open(file);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Range("Data!B2").Formula(), QStringLiteral("=D3+1"));
  EXPECT_EQ(again->Range("Data!B2").Value(), CellValue::fromNumber(43));
  EXPECT_EQ(again->model().sheets()[0]->cell(1, 1)->value, CellValue::fromNumber(43));  // stored result
}

TEST_F(Workbooks, MissingAndDamagedFilesAreRefusedWithTheReason) {
  EXPECT_EQ(app.Workbooks().Open(path("absent.xlsx")), nullptr);
  EXPECT_EQ(app.Err().Number, xl::kErrFileNotFound);
  EXPECT_FALSE(app.Err().Description.isEmpty());

  QFile damaged(path("damaged.xlsx"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("PK\x03\x04 this is not really a zip file");
  damaged.close();
  app.Err().Clear();
  EXPECT_EQ(app.Workbooks().Open(damaged.fileName()), nullptr);
  EXPECT_EQ(app.Err().Number, xl::kErrFileNotFound);
  EXPECT_FALSE(app.Err().Description.isEmpty());
  EXPECT_EQ(app.Workbooks().Count(), 0);
}

}  // namespace
