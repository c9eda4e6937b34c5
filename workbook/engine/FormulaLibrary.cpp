#include <QDateTime>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <vector>

#include "workbook/engine/FormulaEvaluator.h"
#include "workbook/engine/FormulaText.h"
#include "workbook/engine/FormulaValues.h"
#include "workbook/engine/Typing.h"

// Counting, statistics, lookups, text and the remaining arithmetic functions.
namespace xl::formula {

namespace {

Operand valueOperand(CellValue value) { return Operand{std::move(value), false, {}}; }
Operand errorOperand(const char* literal) { return valueOperand(errorValue(literal)); }

// A criterion of COUNTIF, SUMIF and AVERAGEIF: "<>5", ">=2", "=abc", "a*", 7.
class Criterion {
 public:
  explicit Criterion(const CellValue& criterion) {
    if (criterion.type != ValueType::Text) {
      operand_ = criterion;
      return;
    }
    QString text = criterion.text;
    for (const char* op : {"<>", ">=", "<=", "=", "<", ">"}) {
      if (text.startsWith(QLatin1String(op))) {
        op_ = QString::fromLatin1(op);
        text = text.mid(op_.size());
        break;
      }
    }
    double number = 0;
    bool isNumber = false;
    number = text.trimmed().toDouble(&isNumber);
    if (isNumber && !text.trimmed().isEmpty()) {
      operand_ = CellValue::fromNumber(number);
    } else if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 ||
               text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
      operand_ = CellValue::fromBool(text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0);
    } else {
      operand_ = text.isEmpty() ? CellValue::empty() : CellValue::fromText(text);
      if (text.contains(u'*') || text.contains(u'?')) pattern_ = wildcardPattern(text);
    }
  }

  bool matches(const CellValue& value) const {
    if (operand_.isEmpty()) {
      const bool blank = value.isEmpty() || (value.type == ValueType::Text && value.text.isEmpty());
      return op_ == u"<>" ? !blank : blank;
    }
    const bool equalOp = op_.isEmpty() || op_ == u"=" || op_ == u"<>";
    if (operand_.type == ValueType::Text && equalOp) {
      bool same = false;
      if (value.type == ValueType::Text)
        same = pattern_.pattern().isEmpty() ? value.text.compare(operand_.text, Qt::CaseInsensitive) == 0
                                            : pattern_.match(value.text).hasMatch();
      return op_ == u"<>" ? !same : same;
    }
    // Numbers compare with numbers, texts with texts; "<>" matches any other kind.
    const bool sameKind = (operand_.isNumeric() && value.isNumeric()) ||
                          (operand_.type == value.type && !operand_.isNumeric());
    if (!sameKind) return op_ == u"<>";
    const int c = compareValues(value, operand_);
    if (op_.isEmpty() || op_ == u"=") return c == 0;
    if (op_ == u"<>") return c != 0;
    if (op_ == u"<") return c < 0;
    if (op_ == u">") return c > 0;
    if (op_ == u"<=") return c <= 0;
    return c >= 0;
  }

 private:
  static QRegularExpression wildcardPattern(const QString& text) {
    QString pattern;
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text[i];
      if (c == u'~' && i + 1 < text.size()) pattern += QRegularExpression::escape(QString(text[++i]));
      else if (c == u'*') pattern += QStringLiteral(".*");
      else if (c == u'?') pattern += u'.';
      else pattern += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  }

  QString op_;
  CellValue operand_;
  QRegularExpression pattern_;
};

double sampleDeviation(const std::vector<double>& numbers, bool population) {
  double mean = 0;
  for (double n : numbers) mean += n;
  mean /= double(numbers.size());
  double squares = 0;
  for (double n : numbers) squares += (n - mean) * (n - mean);
  return std::sqrt(squares / double(population ? numbers.size() : numbers.size() - 1));
}

bool isLookupMatch(const CellValue& candidate, const CellValue& wanted) {
  if (candidate.isEmpty() || candidate.type == ValueType::Error) return false;
  if (candidate.isNumeric() != wanted.isNumeric() || (!wanted.isNumeric() && candidate.type != wanted.type)) return false;
  return compareValues(candidate, wanted) == 0;
}

}  // namespace

Operand Evaluator::evalLibraryFunction(const ParsedFormula& f, const Node& node, int sheet) {
  const QString& name = node.token.text;
  const auto& args = node.args;
  const auto argCount = args.size();
  CellValue error;

  // The numbers of all arguments the way SUM takes them; false on an error value.
  auto numbersOf = [&](std::vector<double>* numbers) {
    bool failed = false;
    for (int arg : args) {
      bool fromArea = false;
      forEachArgValue(f, arg, sheet, &fromArea, [&](const CellValue& v) {
        if (v.type == ValueType::Error) {
          error = v;
          failed = true;
          return false;
        }
        double n = 0;
        CellValue bad;
        if (v.isNumeric()) numbers->push_back(v.number);
        else if (!fromArea && !v.isEmpty() && toNumber(v, &n, &bad)) numbers->push_back(n);
        else if (!fromArea && !v.isEmpty()) {
          error = bad;
          failed = true;
          return false;
        }
        return true;
      });
      if (failed || aborted_) return false;
    }
    return true;
  };
  auto numberArg = [&](std::size_t i, double* x) { return toNumber(scalarArg(f, args[i], sheet), x, &error); };
  auto textArg = [&](std::size_t i, QString* text) {
    const CellValue v = scalarArg(f, args[i], sheet);
    if (v.type == ValueType::Error) {
      error = v;
      return false;
    }
    *text = v.toText();
    return true;
  };

  // Written as functions by some programs: FALSE() is FALSE.
  if (name == QLatin1String("TRUE") || name == QLatin1String("FALSE"))
    return valueOperand(CellValue::fromBool(name == QLatin1String("TRUE")));

  if (name == QLatin1String("COUNTA")) {
    double count = 0;
    for (int arg : args) {
      bool fromArea = false;
      forEachArgValue(f, arg, sheet, &fromArea, [&](const CellValue& v) {
        if (!v.isEmpty() || (!fromArea && f.nodes[std::size_t(arg)].kind != NodeKind::Missing)) ++count;
        return true;
      });
    }
    return valueOperand(CellValue::fromNumber(count));
  }

  if (name == QLatin1String("COUNTIF") || name == QLatin1String("SUMIF") || name == QLatin1String("AVERAGEIF")) {
    const Operand range = evalNode(f, args[0], sheet);
    if (!range.isArea) return errorOperand("#VALUE!");
    const CellValue wanted = scalarArg(f, args[1], sheet);
    if (wanted.type == ValueType::Error) return valueOperand(wanted);
    const Criterion criterion(wanted);
    Area summed = range.area;
    if (argCount > 2) {
      const Operand sumRange = evalNode(f, args[2], sheet);
      if (!sumRange.isArea) return errorOperand("#VALUE!");
      summed.sheet = sumRange.area.sheet;
      summed.row1 = sumRange.area.row1;
      summed.column1 = sumRange.area.column1;
    }
    double count = 0, sum = 0;
    const Area& a = range.area;
    for (int r = a.row1; r <= a.row2; ++r) {
      for (int c = a.column1; c <= a.column2; ++c) {
        const Worksheet& ws = *model_.sheets()[std::size_t(a.sheet)];
        if (!ws.cell(r, c) && !criterion.matches(CellValue::empty())) continue;
        if (!criterion.matches(nestedCellValue(a.sheet, r, c))) continue;
        if (name == QLatin1String("COUNTIF")) {
          ++count;
          continue;
        }
        const CellValue v = nestedCellValue(summed.sheet, summed.row1 + (r - a.row1), summed.column1 + (c - a.column1));
        if (v.type == ValueType::Error) return valueOperand(v);
        if (v.isNumeric()) {
          sum += v.number;
          ++count;
        }
      }
    }
    if (name == QLatin1String("COUNTIF")) return valueOperand(CellValue::fromNumber(count));
    if (name == QLatin1String("SUMIF")) return valueOperand(numberResult(sum));
    return count == 0 ? errorOperand("#DIV/0!") : valueOperand(numberResult(sum / count));
  }

  if (name == QLatin1String("STDEV") || name == QLatin1String("STDEV.S") || name == QLatin1String("STDEVP") ||
      name == QLatin1String("MEDIAN")) {
    std::vector<double> numbers;
    if (!numbersOf(&numbers)) return valueOperand(error);
    if (name == QLatin1String("MEDIAN")) {
      if (numbers.empty()) return errorOperand("#NUM!");
      std::sort(numbers.begin(), numbers.end());
      const std::size_t half = numbers.size() / 2;
      return valueOperand(numberResult(numbers.size() % 2 ? numbers[half] : (numbers[half - 1] + numbers[half]) / 2));
    }
    const bool population = name == QLatin1String("STDEVP");
    if (numbers.size() < (population ? 1u : 2u)) return errorOperand("#DIV/0!");
    return valueOperand(numberResult(sampleDeviation(numbers, population)));
  }

  if (name == QLatin1String("VLOOKUP") || name == QLatin1String("HLOOKUP")) {
    const bool vertical = name == QLatin1String("VLOOKUP");
    const CellValue wanted = scalarArg(f, args[0], sheet);
    if (wanted.type == ValueType::Error) return valueOperand(wanted);
    const Operand table = evalNode(f, args[1], sheet);
    if (!table.isArea) return errorOperand("#VALUE!");
    double index = 0;
    if (!numberArg(2, &index)) return valueOperand(error);
    bool approximate = true;
    if (argCount > 3 && f.nodes[std::size_t(args[3])].kind != NodeKind::Missing &&
        !toBoolean(scalarArg(f, args[3], sheet), &approximate, &error))
      return valueOperand(error);
    const Area& a = table.area;
    const int offset = int(std::trunc(index)) - 1;
    const int width = vertical ? a.column2 - a.column1 + 1 : a.row2 - a.row1 + 1;
    if (offset < 0) return errorOperand("#VALUE!");
    if (offset >= width) return errorOperand("#REF!");
    const int first = vertical ? a.row1 : a.column1;
    const int last = vertical ? a.row2 : a.column2;
    int found = -1;
    for (int i = first; i <= last; ++i) {
      const CellValue key = vertical ? nestedCellValue(a.sheet, i, a.column1) : nestedCellValue(a.sheet, a.row1, i);
      if (isLookupMatch(key, wanted)) {
        found = i;
        break;
      }
      // Sorted keys: the last one not greater than the value wanted.
      if (approximate && !key.isEmpty() && key.type != ValueType::Error && key.isNumeric() == wanted.isNumeric()) {
        if (compareValues(key, wanted) > 0) break;
        found = i;
      }
    }
    if (found < 0) return errorOperand("#N/A");
    return valueOperand(vertical ? nestedCellValue(a.sheet, found, a.column1 + offset)
                                 : nestedCellValue(a.sheet, a.row1 + offset, found));
  }

  if (name == QLatin1String("MATCH")) {
    const CellValue wanted = scalarArg(f, args[0], sheet);
    if (wanted.type == ValueType::Error) return valueOperand(wanted);
    const Operand array = evalNode(f, args[1], sheet);
    if (!array.isArea) return errorOperand("#N/A");
    const Area& a = array.area;
    if (a.row1 != a.row2 && a.column1 != a.column2) return errorOperand("#N/A");
    double type = 1;
    if (argCount > 2 && f.nodes[std::size_t(args[2])].kind != NodeKind::Missing && !numberArg(2, &type))
      return valueOperand(error);
    const bool vertical = a.column1 == a.column2;
    const int count = vertical ? a.row2 - a.row1 + 1 : a.column2 - a.column1 + 1;
    int found = -1;
    for (int i = 0; i < count; ++i) {
      const CellValue v = vertical ? nestedCellValue(a.sheet, a.row1 + i, a.column1) : nestedCellValue(a.sheet, a.row1, a.column1 + i);
      if (type == 0) {
        if (isLookupMatch(v, wanted)) {
          found = i;
          break;
        }
        continue;
      }
      if (v.isEmpty() || v.type == ValueType::Error || v.isNumeric() != wanted.isNumeric()) continue;
      const int c = compareValues(v, wanted);
      if ((type > 0 && c > 0) || (type < 0 && c < 0)) break;
      found = i;
      if (c == 0) break;
    }
    return found < 0 ? errorOperand("#N/A") : valueOperand(CellValue::fromNumber(found + 1));
  }

  if (name == QLatin1String("INDEX")) {
    const Operand array = evalNode(f, args[0], sheet);
    if (!array.isArea) {
      return array.value.type == ValueType::Error ? array : errorOperand("#VALUE!");
    }
    const Area& a = array.area;
    double row = 0, column = 0;
    if (!numberArg(1, &row)) return valueOperand(error);
    if (argCount > 2 && f.nodes[std::size_t(args[2])].kind != NodeKind::Missing && !numberArg(2, &column))
      return valueOperand(error);
    // A single row or column takes its one index as the position along it.
    if (argCount < 3 && a.row1 == a.row2) std::swap(row, column);
    const int r = int(std::trunc(row)), c = int(std::trunc(column));
    if (r < 0 || c < 0 || r > a.row2 - a.row1 + 1 || c > a.column2 - a.column1 + 1) return errorOperand("#REF!");
    Operand result;
    result.isArea = true;
    result.area = Area{a.sheet, r == 0 ? a.row1 : a.row1 + r - 1, c == 0 ? a.column1 : a.column1 + c - 1,
                       r == 0 ? a.row2 : a.row1 + r - 1, c == 0 ? a.column2 : a.column1 + c - 1};
    return result;
  }

  if (name == QLatin1String("IFERROR")) {
    const CellValue v = scalarArg(f, args[0], sheet);
    if (v.type != ValueType::Error) return valueOperand(v.isEmpty() ? CellValue::fromNumber(0) : v);
    return valueOperand(scalarArg(f, args[1], sheet));
  }

  if (name == QLatin1String("TODAY") || name == QLatin1String("NOW")) {
    const QDateTime now = QDateTime::currentDateTime();
    double serial = typing::dateSerial(now.date());
    if (name == QLatin1String("NOW")) serial += now.time().msecsSinceStartOfDay() / 86'400'000.0;
    return valueOperand(CellValue::fromNumber(typing::serialTo1904(serial, model_.date1904())));
  }

  if (name == QLatin1String("CONCATENATE")) {
    QString joined;
    for (std::size_t i = 0; i < argCount; ++i) {
      QString part;
      if (!textArg(i, &part)) return valueOperand(error);
      joined += part;
    }
    return valueOperand(CellValue::fromText(joined));
  }

  if (name == QLatin1String("TEXT")) {
    const CellValue v = scalarArg(f, args[0], sheet);
    if (v.type == ValueType::Error) return valueOperand(v);
    QString format;
    if (!textArg(1, &format)) return valueOperand(error);
    double number = 0;
    CellValue notNumber;
    if (!toNumber(v, &number, &notNumber)) return valueOperand(CellValue::fromText(v.toText()));
    return valueOperand(CellValue::fromText(formatNumber(typing::serialFrom1904(number, model_.date1904() && typing::showsCalendarDate(format)), format)));
  }

  if (name == QLatin1String("LEFT") || name == QLatin1String("RIGHT") || name == QLatin1String("MID") ||
      name == QLatin1String("LEN")) {
    QString text;
    if (!textArg(0, &text)) return valueOperand(error);
    if (name == QLatin1String("LEN")) return valueOperand(CellValue::fromNumber(double(text.size())));
    double start = 1, count = 1;
    if (name == QLatin1String("MID")) {
      if (!numberArg(1, &start) || !numberArg(2, &count)) return valueOperand(error);
      if (start < 1 || count < 0) return errorOperand("#VALUE!");
      return valueOperand(CellValue::fromText(text.mid(qsizetype(start) - 1, qsizetype(std::min(count, 1e9)))));
    }
    if (argCount > 1 && !numberArg(1, &count)) return valueOperand(error);
    if (count < 0) return errorOperand("#VALUE!");
    const qsizetype n = qsizetype(std::min(count, 1e9));
    return valueOperand(CellValue::fromText(name == QLatin1String("LEFT") ? text.left(n) : text.right(n)));
  }

  if (name == QLatin1String("INT") || name == QLatin1String("SQRT") || name == QLatin1String("LOG10")) {
    double x = 0;
    if (!numberArg(0, &x)) return valueOperand(error);
    if (name == QLatin1String("INT")) return valueOperand(numberResult(std::floor(x)));
    if (name == QLatin1String("SQRT")) return x < 0 ? errorOperand("#NUM!") : valueOperand(numberResult(std::sqrt(x)));
    return x <= 0 ? errorOperand("#NUM!") : valueOperand(numberResult(std::log10(x)));
  }

  if (name == QLatin1String("MOD") || name == QLatin1String("POWER")) {
    double a = 0, b = 0;
    if (!numberArg(0, &a) || !numberArg(1, &b)) return valueOperand(error);
    if (name == QLatin1String("MOD")) {
      if (b == 0) return errorOperand("#DIV/0!");
      return valueOperand(numberResult(a - b * std::floor(a / b)));
    }
    if (a == 0 && b == 0) return errorOperand("#NUM!");
    if (a == 0 && b < 0) return errorOperand("#DIV/0!");
    return valueOperand(numberResult(std::pow(a, b)));
  }

  return errorOperand("#NAME?");
}

}  // namespace xl::formula
