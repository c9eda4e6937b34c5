#pragma once

#include <QString>

// What the program knows of itself: its version, its folder and its name.
struct ProgramInfo {
  int major = 4;
  int minor = 3;
  int revision = 0;
  QString folder;          // the program folder: the executable's folder or --home
  QString executableName;  // without extension; names the settings and the instance guard

  // The version as the instrument hears it: (major * 10 + minor) * 100 + revision.
  int versionNumber() const { return (major * 10 + minor) * 100 + revision; }
  QString versionText() const;

  // The running executable's folder and name; `homeOverride` replaces the folder when not empty.
  static ProgramInfo fromApplication(const QString& homeOverride = {});
};
