#pragma once

#include <gtest/gtest.h>

#include "workbook/engine/Automation.h"

// One application with one new workbook whose sheets are "Data" and "Options".
class EngineFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    book = app.Workbooks().Add();
    book->model().sheets().front()->setName(QStringLiteral("Data"));
    book->model().addSheet(QStringLiteral("Options"));
  }

  // Types `text` into `reference` and reads the cell back.
  xl::CellValue typed(const QString& reference, const QString& text) {
    xl::Range range = app.Range(reference);
    range.setValue(text);
    return range.Value();
  }

  xl::CellValue evaluate(const QString& formula) { return typed(QStringLiteral("Data!$Z$1000"), formula); }

  xl::Application app;
  xl::Workbook* book = nullptr;
};

inline xl::CellValue num(double v) { return xl::CellValue::fromNumber(v); }
inline xl::CellValue txt(const QString& t) { return xl::CellValue::fromText(t); }
inline xl::CellValue err(const char* e) { return xl::CellValue::fromError(QString::fromLatin1(e)); }

inline void PrintTo(const xl::CellValue& v, std::ostream* os) {
  *os << "{type " << static_cast<int>(v.type) << ", '" << v.toText().toStdString() << "'}";
}
