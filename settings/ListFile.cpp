#include "settings/ListFile.h"

#include "shell/core/AtomicFile.h"
#include "shell/core/Error.h"
#include "shell/core/ProgramFolder.h"
#include "shell/core/RegularFile.h"

#include <QFile>

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
    // Every file of the pair is written whole before the first replaces its old file: an error
    // thrown here leaves every file of the pair as it was.
    QList<WholeFile> whole;
    for (const ListFileWrite &one : files)
        whole.append({ProgramFolder::resolve(one.path), formatListFile(*one.entries)});
    SaveFailure failure;
    if (saveWholeFiles(whole, failure))
        return;
    if (failure.step == AtomicFile::Step::Opening)
        throw Error(QString::fromLatin1(messages::CannotCreateFile).arg(quotedName(failure.fileName), failure.reason));
    throw Error(QString::fromLatin1(messages::StreamWriteError));
}

} // namespace lettora
