#include <QRegularExpression>

#include "workbook/engine/Automation.h"
#include "workbook/engine/FormulaLexer.h"
#include "workbook/engine/FormulaParser.h"
#include "workbook/engine/References.h"

namespace xl {

namespace {

bool isValidName(const QString& name) {
  static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_\\\\][A-Za-z0-9_.\\\\]*$"));
  if (name.size() > 255 || !pattern.match(name).hasMatch()) return false;
  if (ref::parseCell(name)) return false;
  static const QRegularExpression r1c1(QStringLiteral("^([Rr][0-9]*)?([Cc][0-9]*)?$"));
  return !r1c1.match(name).hasMatch();
}

// The formula as it is kept: a reference qualified with its sheet (quoted when
// it must be) and without this workbook's own bracket; other formulas normalised.
bool storedFormula(Workbook* book, const QString& refersTo, QString* formula, QString* error) {
  const QString trimmed = refersTo.trimmed();
  if (!trimmed.startsWith(QLatin1Char('='))) {
    bool isNumber = false;
    trimmed.toDouble(&isNumber);
    if (isNumber) {
      *formula = trimmed;
    } else {
      QString text = refersTo;
      *formula = QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    }
    return true;
  }
  const QString body = trimmed.mid(1).trimmed();
  if (auto reference = ref::parseReference(body)) {
    if (reference->book.isEmpty() || reference->book.compare(book->Name(), Qt::CaseInsensitive) == 0) {
      QString sheet = reference->sheet;
      if (!reference->hasSheet) {
        if (book->SheetCount() == 0) {
          *error = QStringLiteral("The workbook has no sheet for the reference %1.").arg(body);
          return false;
        }
        sheet = book->model().sheets().front()->name();
      }
      QString area = ref::formatCell(reference->first);
      if (!reference->isSingleCell()) area += QLatin1Char(':') + ref::formatCell(reference->last);
      *formula = ref::quoteSheetName(sheet) + QLatin1Char('!') + area;
      return true;
    }
  }
  QString parseError;
  if (!formula::parseFormula(body, &parseError)) {
    *error = QStringLiteral("The formula %1 cannot be used: %2").arg(trimmed, parseError);
    return false;
  }
  *formula = formula::normalizeFormula(body);
  return true;
}

}  // namespace

QString Name::Value() const {
  if (!book_) return {};
  const DefinedName* defined = book_->model().findName(name_);
  if (!defined) {
    book_->application()->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("The name '%1' does not exist.").arg(name_));
    return {};
  }
  return QLatin1Char('=') + defined->formula;
}

Range Name::RefersToRange() const {
  if (!book_) return {};
  Application* app = book_->application();
  const DefinedName* defined = book_->model().findName(name_);
  if (!defined) {
    app->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("The name '%1' does not exist.").arg(name_));
    return xl::Range(app, nullptr, 0, 0, 0, 0, 0);
  }
  QString error;
  if (!ref::parseReference(defined->formula)) {
    app->Err().Raise(kErrMethodFailed, QStringLiteral("The name '%1' does not refer to cells.").arg(name_));
    return xl::Range(app, nullptr, 0, 0, 0, 0, 0);
  }
  return book_->Range(defined->formula);
}

void Name::Delete() {
  if (!book_) return;
  if (!book_->model().removeName(name_)) {
    book_->application()->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("The name '%1' does not exist.").arg(name_));
    return;
  }
  book_->markDirty();
}

Name Names::Item(const QString& name) const {
  if (!book_) return {};
  const DefinedName* defined = book_->model().findName(name);
  if (!defined) {
    book_->application()->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("The name '%1' does not exist.").arg(name));
    return {};
  }
  return Name(book_, defined->name);
}

void Names::Add(const QString& name, const QString& refersTo) {
  if (!book_) return;
  Application* app = book_->application();
  if (!isValidName(name)) {
    app->Err().Raise(kErrMethodFailed, QStringLiteral("The name '%1' is not valid.").arg(name));
    return;
  }
  QString formula, error;
  if (!storedFormula(book_, refersTo, &formula, &error)) {
    app->Err().Raise(kErrMethodFailed, error);
    return;
  }
  book_->model().setName(name, formula);
  book_->markDirty();
}

int Names::Count() const { return book_ ? static_cast<int>(book_->model().names().size()) : 0; }

}  // namespace xl
