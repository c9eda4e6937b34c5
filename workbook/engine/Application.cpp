#include <QCoreApplication>
#include <QDir>
#include <algorithm>

#include "workbook/engine/Automation.h"
#include "workbook/engine/SaveFile.h"

namespace xl {

Application::Application() : saveFile_(std::make_shared<AtomicSaveFile>()) {
  const QString base = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
  startupPath_ = QDir(base).filePath(QStringLiteral("XLSTART"));
}

Application::~Application() = default;

Names Application::Names() {
  if (!active_) {
    err_.Raise(kErrObjectNotSet, QStringLiteral("Object variable not set: no workbook is open."));
    return xl::Names(nullptr);
  }
  return active_->Names();
}

Range Application::Range(const QString& reference) {
  if (!active_) {
    err_.Raise(kErrObjectNotSet, QStringLiteral("Object variable not set: no workbook is open."));
    return xl::Range(this, nullptr, 0, 0, 0, 0, 0);
  }
  return active_->Range(reference);
}

void Application::Calculate() {
  for (const auto& book : books_) book->calculate();
}

void Application::Quit() {
  clipboard_ = Clipboard{};
  active_ = nullptr;
  books_.clear();
}

void Application::closeBook(Workbook* book) {
  if (clipboard_.book == book) clipboard_ = Clipboard{};
  const auto it = std::find_if(books_.begin(), books_.end(), [book](const auto& open) { return open.get() == book; });
  if (it == books_.end()) return;
  // The workbook object lives until the end of this call (Close is called on it).
  std::unique_ptr<Workbook> closing = std::move(*it);
  books_.erase(it);
  if (active_ == book) active_ = books_.empty() ? nullptr : books_.back().get();
}

bool Application::isOpen(const Workbook* book) const {
  return std::any_of(books_.begin(), books_.end(), [book](const auto& open) { return open.get() == book; });
}

int Application::nextNewBookNumber(const QString& stem) {
  int& last = newBookNumbers_[stem.toLower()];
  return ++last;
}

}  // namespace xl
