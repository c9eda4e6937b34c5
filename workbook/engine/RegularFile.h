#pragma once

#include <QFile>
#include <QString>

namespace xl {

// Opens `path` for reading only when it is a regular file (a symbolic link to
// one included). A named pipe, a device or a socket would block the open or
// the first read for as long as nobody writes to it, so it is refused before
// anything reads from it: the type is looked at first, then the file is opened
// without waiting and its type checked again on the open descriptor.
// False, with `error` saying what the path is, otherwise.
bool openRegularFile(const QString& path, QFile* file, QString* error);

// Whether `path` names a regular file (or a symbolic link to one) now; nothing is opened.
bool isRegularFile(const QString& path);

}  // namespace xl
