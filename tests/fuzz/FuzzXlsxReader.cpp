// libFuzzer target: any bytes as an .xlsx file must be read or refused, never crash.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "workbook/engine/XlsxFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("input.xlsx"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
  file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  file.close();
  xl::ReadLimits limits;
  limits.maxPartBytes = 4 * 1024 * 1024;
  limits.maxTotalBytes = 16 * 1024 * 1024;
  limits.maxCells = 100000;
  QString error;
  const auto model = xl::readXlsx(path, &error, limits);
  if (!model && error.isEmpty()) __builtin_trap();  // a refusal always says why
  return 0;
}
