#include "link/ValueConversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <memory>

namespace {

using FToUl = quint32 (*)(float);
using UlToF = float (*)(quint32);

struct LoadedLibrary {
  std::unique_ptr<QLibrary> library;
  FToUl fToUl = nullptr;
  UlToF ulToF = nullptr;
};

const QString kBaseName = QStringLiteral("Lumivanr");

QString& chosenFile() {
  static QString file;
  return file;
}

LoadedLibrary& loaded() {
  static LoadedLibrary state;
  return state;
}

std::unique_ptr<QLibrary> openLibrary() {
  QStringList candidates;
  if (!chosenFile().isEmpty()) {
    candidates << chosenFile();
  } else {
    if (QCoreApplication::instance())
      candidates << QDir(QCoreApplication::applicationDirPath()).filePath(kBaseName);
    candidates << kBaseName;
  }
  QString errors;
  for (const QString& candidate : candidates) {
    auto library = std::make_unique<QLibrary>(candidate);
    if (library->load()) return library;
    errors += QStringLiteral("\n  ") + library->errorString();
  }
  throw Lumivanr::Missing(
      QStringLiteral("The value conversion library %1 cannot be loaded:%2").arg(candidates.join(QStringLiteral(", ")), errors).toStdString());
}

template <typename Function>
Function resolve(QLibrary& library, const char* name) {
  const auto function = reinterpret_cast<Function>(library.resolve(name));
  if (!function)
    throw Lumivanr::Missing(QStringLiteral("The value conversion library %1 has no entry point %2")
                                .arg(library.fileName(), QLatin1String(name))
                                .toStdString());
  return function;
}

LoadedLibrary& library() {
  LoadedLibrary& state = loaded();
  if (!state.library) {
    auto opened = openLibrary();
    const auto fToUl = resolve<FToUl>(*opened, Lumivanr::kFToUlExport);
    const auto ulToF = resolve<UlToF>(*opened, Lumivanr::kUlToFExport);
    state.library = std::move(opened);
    state.fToUl = fToUl;
    state.ulToF = ulToF;
  }
  return state;
}

}  // namespace

quint32 Lumivanr::ConvertFToUl(float value) { return library().fToUl(value); }

float Lumivanr::ConvertUlToF(quint32 pattern) { return library().ulToF(pattern); }

void Lumivanr::setLibraryFile(const QString& file) {
  chosenFile() = file;
  LoadedLibrary& state = loaded();
  // The library stays mapped (another QLibrary may share it); only our handle goes.
  state.library.reset();
  state.fToUl = nullptr;
  state.ulToF = nullptr;
}
