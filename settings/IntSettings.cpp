#include "settings/IntSettings.h"

#include "shell/core/Error.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/RegularFile.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace lettora {

std::int32_t ReadIntSetting(const QString &path, std::int32_t defaultValue)
{
    QFile file;
    QString reason;
    if (openRegularFile(file, QFile::encodeName(ProgramFolder::resolve(path)), reason)) {
        uchar bytes[4];
        if (file.read(reinterpret_cast<char *>(bytes), 4) == 4)
            return qFromLittleEndian<qint32>(bytes);
    }
    WriteIntSetting(path, defaultValue);
    return defaultValue;
}

void WriteIntSetting(const QString &path, std::int32_t value)
{
    // Through a temporary file that replaces the old one: a file cut off between truncating and
    // writing would lose the setting to the default at the next start.
    const QString resolved = ProgramFolder::resolve(path);
    // A FIFO, a device or a folder in its place is the user's own: it is never replaced.
    if (holdsNonRegularFile(QFile::encodeName(resolved)))
        throw Error(QString::fromLatin1(messages::CannotCreateFile)
                        .arg(quotedName(resolved), QString::fromLatin1(messages::NotRegularFile)));
    QSaveFile file(resolved);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QString::fromLatin1(messages::CannotCreateFile).arg(quotedName(file.fileName()), file.errorString()));
    uchar bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    if (file.write(reinterpret_cast<const char *>(bytes), 4) != 4 || !file.flush() || !file.commit())
        throw Error(QString::fromLatin1(messages::StreamWriteError));
}

} // namespace lettora
