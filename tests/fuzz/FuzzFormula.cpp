// libFuzzer target: any text typed into a cell is evaluated or refused, never crashes or hangs.
#include "workbook/engine/Automation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static xl::Application app;
  static xl::Workbook* book = app.Workbooks().Add();
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  xl::Range cell = book->Range(QStringLiteral("Sheet1!$B$2"));
  book->Range(QStringLiteral("Sheet1!$A$1")).setValue(3.0);
  cell.setValue(text);
  (void)cell.Value();
  cell.Copy();
  cell.Offset(3, 2).PasteSpecial(xl::xlPasteAll);
  (void)cell.Offset(3, 2).Value();
  app.Calculate();
  app.Err().Clear();
  return 0;
}
