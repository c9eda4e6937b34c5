#include <QFileInfo>

#include "workbook/engine/Automation.h"
#include "workbook/engine/XlsxFile.h"

namespace xl {

namespace {

bool isTemplate(const QFileInfo& info) {
  const QString suffix = info.suffix().toLower();
  return suffix == QLatin1String("xltx") || suffix == QLatin1String("xlt");
}

QString normalPath(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

Workbook* Workbooks::Open(const QString& path) {
  const QFileInfo info(path);
  const QString fullPath = normalPath(path);
  const bool asNew = isTemplate(info);
  if (!asNew) {
    for (const auto& book : app_->openBooks()) {
      if (!book->FullName().isEmpty() && normalPath(book->FullName()) == fullPath) {
        book->Activate();
        return book.get();
      }
    }
    if (find(info.fileName())) {
      app_->Err().Raise(kErrMethodFailed,
                        QStringLiteral("A workbook named '%1' is already open; two workbooks of the same name "
                                       "cannot be open at the same time.")
                            .arg(info.fileName()));
      return nullptr;
    }
  }
  QString error;
  std::unique_ptr<WorkbookModel> model = readXlsx(fullPath, &error);
  if (!model) {
    app_->Err().Raise(kErrFileNotFound, error.isEmpty() ? QStringLiteral("'%1' could not be opened.").arg(path) : error);
    return nullptr;
  }
  QString name = info.fileName();
  QString bookPath = fullPath;
  if (asNew) {
    const QString stem = info.completeBaseName();
    name = stem + QString::number(app_->nextNewBookNumber(stem));
    bookPath.clear();
  }
  app_->openBooks().push_back(std::make_unique<Workbook>(app_, name, bookPath, std::move(model)));
  Workbook* book = app_->openBooks().back().get();
  book->Activate();
  return book;
}

Workbook* Workbooks::Add() {
  auto model = std::make_unique<WorkbookModel>();
  model->addSheet(QStringLiteral("Sheet1"));
  const QString name = QStringLiteral("Book") + QString::number(app_->nextNewBookNumber(QStringLiteral("Book")));
  app_->openBooks().push_back(std::make_unique<Workbook>(app_, name, QString(), std::move(model)));
  Workbook* book = app_->openBooks().back().get();
  book->Activate();
  return book;
}

Workbook* Workbooks::find(const QString& name) const {
  for (const auto& book : app_->openBooks()) {
    if (book->Name().compare(name, Qt::CaseInsensitive) == 0) return book.get();
  }
  for (const auto& book : app_->openBooks()) {
    if (!book->FullName().isEmpty() && QFileInfo(book->Name()).completeBaseName().compare(name, Qt::CaseInsensitive) == 0)
      return book.get();
  }
  return nullptr;
}

Workbook* Workbooks::Item(const QString& name) const {
  Workbook* book = find(name);
  if (!book) app_->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range: no open workbook '%1'").arg(name));
  return book;
}

int Workbooks::Count() const { return static_cast<int>(app_->openBooks().size()); }

Workbook* Workbooks::at(int index) const {
  if (index < 0 || index >= Count()) {
    app_->Err().Raise(kErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return nullptr;
  }
  return app_->openBooks()[static_cast<size_t>(index)].get();
}

}  // namespace xl
