#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

#include "workbook/engine/Model.h"

// The style sheet part: what the engine models of it (fill, bold, number format).
namespace xl::styles {

// Format code of a built-in number format id; empty when the id is not built in
// (id 0, General, is also empty).
QString builtinFormatCode(int id);
// Built-in id of a format code; -1 when the code needs its own entry.
int builtinFormatId(const QString& code);

std::optional<QColor> indexedColor(int index);
std::optional<QColor> themeColor(int index);

// One CellFormat per cellXfs entry, in file order.
bool readStyles(const QByteArray& bytes, const QString& part, std::vector<CellFormat>* formats, QString* error);

// Collects the distinct formats of the cells being written and gives each its
// style index; style 0 is the plain default.
class StyleSheetWriter {
 public:
  StyleSheetWriter();
  int styleIndex(const CellFormat& format);
  QByteArray xml() const;

 private:
  struct Style {
    int numberFormatId = 0;
    int fontId = 0;
    int fillId = 0;
  };
  static QString fillKey(const CellFormat& format);
  static QString formatKey(const CellFormat& format);

  QHash<QString, int> styleByKey_;
  std::vector<Style> styles_;
  QHash<QString, int> fillByKey_;
  std::vector<CellFormat> fills_;  // beyond the two fixed ones
  QHash<QString, int> customFormatIds_;
  QStringList customFormats_;
  bool boldUsed_ = false;
};

}  // namespace xl::styles
