#include "workbook/engine/XlsxFile.h"

#include <new>

#include "workbook/engine/XlsxReader.h"
#include "workbook/engine/XlsxWriter.h"
#include "workbook/engine/XlsxZip.h"

namespace xl {

std::unique_ptr<WorkbookModel> readXlsx(const QString& path, QString* error, const ReadLimits& limits) {
  QString message;
  std::unique_ptr<WorkbookModel> model;
  try {
    zip::Archive archive;
    if (zip::readArchive(path, limits, &archive, &message)) model = reader::readPackage(archive, limits, &message);
  } catch (const std::bad_alloc&) {
    // What was read so far is gone with the archive; the machine had less
    // memory to give than the budget allows.
    model.reset();
    message = QStringLiteral("the workbook is too large to open: the memory it needs could not be had");
  }
  if (!model && error != nullptr) *error = QStringLiteral("Cannot open %1: %2").arg(path, message);
  return model;
}

bool writeXlsx(const WorkbookModel& model, const QString& path, bool asTemplate, QString* error, SaveFile* file) {
  QString message;
  const bool written = writer::writePackage(model, path, asTemplate, &message, file);
  if (!written && error != nullptr) *error = QStringLiteral("Cannot save %1: %2").arg(path, message);
  return written;
}

}  // namespace xl
