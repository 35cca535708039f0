#include "settings/ListFile.h"

#include "shell/core/Error.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/RegularFile.h"

#include <QFile>
#include <QSaveFile>

#include <memory>
#include <vector>

namespace lettora {

ListEntries parseListFile(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    ListEntries entries;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '\r' && c != '\n')
            continue;
        entries << text.mid(start, i - start);
        if (c == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        entries << text.mid(start);
    return entries;
}

QByteArray formatListFile(const ListEntries &entries)
{
    QByteArray bytes;
    for (const QByteArray &entry : entries)
        bytes += entry + "\r\n";
    return bytes;
}

bool breaksListFile(const QByteArray &entry)
{
    return entry.contains('\r') || entry.contains('\n') || entry.contains('\0');
}

ListEntries loadListFile(const QString &path)
{
    const QString resolved = ProgramFolder::resolve(path);
    QFile file;
    QString reason;
    if (!openRegularFile(file, QFile::encodeName(resolved), reason))
        throw Error(QString::fromLatin1(messages::CannotOpenFile).arg(quotedName(resolved), reason));
    return parseListFile(file.readAll());
}

void saveListFile(const QString &path, const ListEntries &entries)
{
    saveListFiles({{path, &entries}});
}

void saveListFiles(const QList<ListFileWrite> &files)
{
    // A save file dropped before its commit takes its temporary file with it and leaves the old
    // file in place: an error thrown here leaves every file of the pair as it was.
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (const ListFileWrite &one : files) {
        auto file = std::make_unique<QSaveFile>(ProgramFolder::resolve(one.path));
        if (!file->open(QIODevice::WriteOnly))
            throw Error(QString::fromLatin1(messages::CannotCreateFile).arg(quotedName(file->fileName()), file->errorString()));
        const QByteArray bytes = formatListFile(*one.entries);
        // Flush before committing: a commit after a short write (a full disk) would put a
        // truncated file in place of the old one and still report success.
        if (file->write(bytes) != bytes.size() || !file->flush() || file->error() != QFileDevice::NoError)
            throw Error(QString::fromLatin1(messages::StreamWriteError));
        written.push_back(std::move(file));
    }
    for (const auto &file : written) {
        if (!file->commit())
            throw Error(QString::fromLatin1(messages::StreamWriteError));
    }
}

} // namespace lettora
