#include "workbook/engine/Model.h"

#include <cmath>

namespace xl {

namespace {

// The shortest of up to 15 significant digits, with an exponent written the
// way a spreadsheet writes it ("1E+20", "1.5E-07").
QString generalNumberText(double v) {
  if (std::isnan(v) || std::isinf(v)) return QStringLiteral("#NUM!");
  if (v == 0) return QStringLiteral("0");
  QString text = QString::number(v, 'g', 15);
  const qsizetype e = text.indexOf(QLatin1Char('e'));
  if (e < 0) return text;
  QString mantissa = text.left(e);
  QString exponent = text.mid(e + 1);
  QChar sign = QLatin1Char('+');
  if (exponent.startsWith(QLatin1Char('-')) || exponent.startsWith(QLatin1Char('+'))) {
    sign = exponent.front();
    exponent.remove(0, 1);
  }
  while (exponent.size() > 2 && exponent.startsWith(QLatin1Char('0'))) exponent.remove(0, 1);
  if (exponent.size() < 2) exponent.prepend(QLatin1Char('0'));
  return mantissa + QLatin1Char('E') + sign + exponent;
}

}  // namespace

QString CellValue::toText() const {
  switch (type) {
    case ValueType::Empty:
      return {};
    case ValueType::Number:
    case ValueType::Date:
      return generalNumberText(number);
    case ValueType::Text:
    case ValueType::Error:
      return text;
    case ValueType::Boolean:
      return boolean ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
  }
  return {};
}

bool CellValue::operator==(const CellValue& other) const {
  if (type != other.type) return false;
  switch (type) {
    case ValueType::Empty:
      return true;
    case ValueType::Number:
    case ValueType::Date:
      return number == other.number;
    case ValueType::Text:
    case ValueType::Error:
      return text == other.text;
    case ValueType::Boolean:
      return boolean == other.boolean;
  }
  return false;
}

const Cell* Worksheet::cell(int row, int column) const {
  const auto it = cells_.find(CellRef{row, column});
  return it == cells_.end() ? nullptr : &it->second;
}

Cell& Worksheet::cellAt(int row, int column) { return cells_[CellRef{row, column}]; }

void Worksheet::removeCell(int row, int column) { cells_.erase(CellRef{row, column}); }

Worksheet* WorkbookModel::sheet(const QString& name) const {
  const int index = sheetIndex(name);
  return index < 0 ? nullptr : sheets_[static_cast<size_t>(index)].get();
}

int WorkbookModel::sheetIndex(const QString& name) const {
  for (size_t i = 0; i < sheets_.size(); ++i) {
    if (sheets_[i]->name().compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return -1;
}

Worksheet& WorkbookModel::addSheet(const QString& name) {
  sheets_.push_back(std::make_unique<Worksheet>(name));
  return *sheets_.back();
}

const DefinedName* WorkbookModel::findName(const QString& name) const {
  for (const DefinedName& defined : names_) {
    if (defined.localSheet < 0 && defined.name.compare(name, Qt::CaseInsensitive) == 0) return &defined;
  }
  return nullptr;
}

void WorkbookModel::setName(const QString& name, const QString& formula) {
  for (DefinedName& defined : names_) {
    if (defined.localSheet < 0 && defined.name.compare(name, Qt::CaseInsensitive) == 0) {
      defined.formula = formula;
      return;
    }
  }
  names_.push_back(DefinedName{name, formula, -1, false});
}

bool WorkbookModel::removeName(const QString& name) {
  for (auto it = names_.begin(); it != names_.end(); ++it) {
    if (it->localSheet < 0 && it->name.compare(name, Qt::CaseInsensitive) == 0) {
      names_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace xl
