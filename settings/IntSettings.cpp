#include "settings/IntSettings.h"

#include "shell/core/AtomicFile.h"
#include "shell/core/Error.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/RegularFile.h"

#include <QFile>
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
    // writing would lose the setting to the default at the next start. A FIFO, a device or a
    // folder in its place is the user's own: it is never replaced.
    uchar bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    SaveFailure failure;
    if (saveWholeFile(ProgramFolder::resolve(path), QByteArray(reinterpret_cast<const char *>(bytes), 4), failure))
        return;
    if (failure.step == AtomicFile::Step::Opening)
        throw Error(QString::fromLatin1(messages::CannotCreateFile).arg(quotedName(failure.fileName), failure.reason));
    throw Error(QString::fromLatin1(messages::StreamWriteError));
}

} // namespace lettora
