#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/Prompts.h"
#include "workbook/modExcel.h"

class StoreFixture : public ::testing::Test {
 protected:
  ScriptedPrompts prompts;
  QTemporaryDir home;
  modExcel store{prompts, program()};

  ProgramInfo program() const {
    ProgramInfo info;
    info.folder = home.path();
    return info;
  }
  QString inHome(const QString& file) const { return home.filePath(file); }

  // A saved workbook at `file` in the home folder with 12 in Sheet1!B2, open as the data workbook.
  xl::Workbook* openSavedWorkbook(const QString& file) {
    xl::Workbook* made = store.ExcelApp->Workbooks().Add();
    made->Range(QStringLiteral("Sheet1!$B$2")).setValue(12.0);
    made->Names().Add(QStringLiteral("Temp"), QStringLiteral("=Sheet1!$A$1"));
    EXPECT_TRUE(made->SaveAs(inHome(file))) << store.Err().Description.toStdString();
    made->Close();
    EXPECT_TRUE(store.OpenDataWorkbook(inHome(file))) << store.WorkbookErrorText.toStdString();
    return store.ExcelWorkbook;
  }
};
