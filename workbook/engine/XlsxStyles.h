#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QMap>
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

// What a file's own style sheet holds beyond the modelled attributes, kept so
// that its cells keep their fonts, borders, alignment and named styles on save.
struct SourceStyles {
  struct Xf {
    int fontId = 0;
    int borderId = 0;
    int styleXfId = 0;
    QByteArray children;  // alignment, protection
  };
  QMap<int, QString> numberFormats;  // custom ids of the file
  QList<QByteArray> fonts;
  QList<QByteArray> borders;
  QList<QByteArray> styleXfs;  // cellStyleXfs entries, their fills reset to none
  QByteArray cellStyles;
  // Formats that conditional formats and tables refer to by index, table
  // styles and the file's palette: written back as they are.
  QByteArray differentialFormats;  // dxfs
  QByteArray tableStyles;
  QByteArray colors;
  std::vector<Xf> cellXfs;

  bool isEmpty() const { return fonts.isEmpty() || cellXfs.empty(); }
};

// Empty SourceStyles when `bytes` is empty or cannot be used.
SourceStyles readSourceStyles(const QByteArray& bytes);

// Collects the distinct formats of the cells being written and gives each its
// style index; style 0 is the plain default.
class StyleSheetWriter {
 public:
  explicit StyleSheetWriter(SourceStyles source = {});
  int styleIndex(const CellFormat& format);
  QByteArray xml() const;

 private:
  struct Style {
    int numberFormatId = 0;
    int fontId = 0;
    int fillId = 0;
    int borderId = 0;
    int styleXfId = 0;
    QByteArray children;
  };
  static QString fillKey(const CellFormat& format);
  QString formatKey(const CellFormat& format) const;
  const SourceStyles::Xf* sourceXf(const CellFormat& format) const;
  int fontFor(int sourceFont, bool bold);
  int numberFormatFor(const QString& code);

  SourceStyles source_;
  QList<QByteArray> fonts_;
  QHash<QString, int> fontByVariant_;  // "font|bold" -> index in fonts_
  QHash<QString, int> styleByKey_;
  std::vector<Style> styles_;
  QHash<QString, int> fillByKey_;
  std::vector<CellFormat> fills_;  // beyond the two fixed ones
  QHash<QString, int> formatIdByCode_;
  QMap<int, QString> newFormats_;
  int nextFormatId_ = 164;
};

}  // namespace xl::styles
