#pragma once

class QCommandLineParser;
class QString;

// A numeric simulator flag: leaves `target` as it is when the flag is absent,
// refuses text that is not a number from `low` to `high` with a message naming the flag.
bool readNumberOption(const QCommandLineParser& parser, const QString& name, double low, double high, double& target,
                      QString* error);
