#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// Refuses a second running copy of the program for the same user.
class InstanceGuard {
 public:
  virtual ~InstanceGuard() = default;
  // True when this is the only running copy; holds the claim until destroyed.
  virtual bool claim() = 0;
};

// A lock file in the user's runtime folder, named after the program.
class LockFileInstanceGuard : public InstanceGuard {
 public:
  explicit LockFileInstanceGuard(const QString& programName);
  bool claim() override;
  QString lockPath() const { return path_; }

 private:
  QString path_;
  std::unique_ptr<QLockFile> lock_;
};

class FixedInstanceGuard : public InstanceGuard {
 public:
  explicit FixedInstanceGuard(bool alone) : alone_(alone) {}
  bool claim() override { return alone_; }

 private:
  bool alone_;
};
