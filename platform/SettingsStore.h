#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

// Per-user settings, by section and key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual QVariant read(const QString& section, const QString& key, const QVariant& fallback = {}) const = 0;
  virtual void write(const QString& section, const QString& key, const QVariant& value) = 0;
};

// QSettings under the application name (the executable's name).
class QtSettingsStore : public SettingsStore {
 public:
  explicit QtSettingsStore(QString applicationName);
  QVariant read(const QString& section, const QString& key, const QVariant& fallback) const override;
  void write(const QString& section, const QString& key, const QVariant& value) override;

 private:
  QString applicationName_;
};

// Test double and the store of runs that must not touch the user's settings.
class MemorySettingsStore : public SettingsStore {
 public:
  QVariant read(const QString& section, const QString& key, const QVariant& fallback) const override;
  void write(const QString& section, const QString& key, const QVariant& value) override;

 private:
  QHash<QString, QVariant> values_;
};
