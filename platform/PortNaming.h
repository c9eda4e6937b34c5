#pragma once

#include <QString>

class SettingsStore;

// The device behind COM port number n: "COMn" on Windows; elsewhere the
// "Communication"/"Device<n>" setting when present, else /dev/ttyS<n-1>.
QString deviceForComPort(int portNumber, const SettingsStore& settings);
