#include "platform/SettingsStore.h"

#include <QSettings>

namespace {
QString path(const QString& section, const QString& key) { return section + QLatin1Char('/') + key; }
}  // namespace

QtSettingsStore::QtSettingsStore(QString applicationName) : applicationName_(std::move(applicationName)) {}

QVariant QtSettingsStore::read(const QString& section, const QString& key, const QVariant& fallback) const {
  QSettings settings(QSettings::UserScope, applicationName_, applicationName_);
  return settings.value(path(section, key), fallback);
}

void QtSettingsStore::write(const QString& section, const QString& key, const QVariant& value) {
  QSettings settings(QSettings::UserScope, applicationName_, applicationName_);
  settings.setValue(path(section, key), value);
}

QVariant MemorySettingsStore::read(const QString& section, const QString& key, const QVariant& fallback) const {
  return values_.value(path(section, key), fallback);
}

void MemorySettingsStore::write(const QString& section, const QString& key, const QVariant& value) {
  values_.insert(path(section, key), value);
}
