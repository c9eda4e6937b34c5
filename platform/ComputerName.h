#pragma once

#include <QString>
#include <optional>

// The PC's name, source of the frame address.
class ComputerName {
 public:
  virtual ~ComputerName() = default;
  // Nothing when the platform cannot tell.
  virtual std::optional<QString> name() const = 0;
};

class SystemComputerName : public ComputerName {
 public:
  std::optional<QString> name() const override;
};

class FixedComputerName : public ComputerName {
 public:
  explicit FixedComputerName(std::optional<QString> name) : name_(std::move(name)) {}
  std::optional<QString> name() const override { return name_; }

 private:
  std::optional<QString> name_;
};
