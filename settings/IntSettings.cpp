#include "settings/IntSettings.h"

#include "shell/ErrorReport.h"
#include "shell/ProgramFolder.h"

#include <QFile>
#include <QtEndian>

namespace lettora {

std::int32_t ReadIntSetting(const QString &path, std::int32_t defaultValue)
{
    QFile file(ProgramFolder::resolve(path));
    if (file.open(QIODevice::ReadOnly)) {
        uchar bytes[4];
        if (file.read(reinterpret_cast<char *>(bytes), 4) == 4)
            return qFromLittleEndian<qint32>(bytes);
    }
    WriteIntSetting(path, defaultValue);
    return defaultValue;
}

void WriteIntSetting(const QString &path, std::int32_t value)
{
    QFile file(ProgramFolder::resolve(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(QString::fromLatin1(messages::CannotCreateFile).arg(file.fileName(), file.errorString()));
    uchar bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    if (file.write(reinterpret_cast<const char *>(bytes), 4) != 4 || !file.flush())
        throw Error(QString::fromLatin1(messages::StreamWriteError));
}

} // namespace lettora
