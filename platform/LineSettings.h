#pragma once

#include <QString>
#include <optional>

// The classic "baud,parity,data,stop" text of a serial line, e.g. "9600,n,8,1".
struct LineSettings {
  qint32 baudRate = 9600;
  char parity = 'n';  // n, e, o, m, s
  int dataBits = 8;   // 5..8
  int stopBits = 1;   // 1 or 2
};

std::optional<LineSettings> parseLineSettings(const QString& text);
