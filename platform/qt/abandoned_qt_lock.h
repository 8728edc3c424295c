#pragma once
// Qt SerialPort keeps its own lock file per port name (LCK..NAME in the first lock folder it may
// use), and holds an flock on it from the moment it makes it. A program killed before it wrote
// its process number into the file leaves it empty, and Qt then refuses the port as locked for
// half a minute, though nobody holds it. Such a file is taken away so the next rewrite can
// start at once.

#include <QString>

namespace velmar {

// Where Qt SerialPort (5.15 and 6) keeps the lock of `portName` (QSerialPort::portName()): the
// first folder of its list that may be read and holds the file already or may be written.
QString qtLockFilePath(const QString& portName);

// Removes that file when it is empty and nobody holds its lock; true when one was removed.
bool removeAbandonedQtLock(const QString& portName);

}  // namespace velmar
