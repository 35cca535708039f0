#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace lettora {

// Opens a file for reading only when it is a regular file. A FIFO, a device or a folder is refused
// at once with messages::NotRegularFile as the reason: reading one could wait for ever or never
// end. The open itself never waits. Gives the descriptor (close-on-exec, reads block again as
// usual), or -1 with the system's reason in `reason`.
int openRegularFile(const QByteArray &localPath, QString &reason);

// The same into `file`, which owns the descriptor afterwards.
bool openRegularFile(QFile &file, const QByteArray &localPath, QString &reason);

// True when something other than a regular file stands at the path: a writer must not put a file
// of its own in its place.
bool holdsNonRegularFile(const QByteArray &localPath);

} // namespace lettora
