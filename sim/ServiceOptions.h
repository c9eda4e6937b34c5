#pragma once

#include <QString>

#include "sim/ServiceSettings.h"

class QCommandLineParser;

// The simulator's flags for its service behaviour (part of addSimOptions/readSimOptions).
void addServiceSimOptions(QCommandLineParser& parser);
bool readServiceSimOptions(const QCommandLineParser& parser, ServiceSettings& service, QString* error);
