#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace lettora {

// One list file: 8-bit text, one entry a line. Entries are kept as the bytes they are, so names
// in any encoding come back unchanged.
using ListEntries = QList<QByteArray>;

// Cuts a file's bytes into entries: a line ends at CR LF, a lone CR or a lone LF, and every line
// so ended is an entry (an empty one too); the text after the last line end is one more entry
// unless it is empty. A NUL ends the text: the part of its line before it counts the same way.
ListEntries parseListFile(const QByteArray &bytes);

// Every entry followed by CR LF; an empty list is 0 bytes.
QByteArray formatListFile(const ListEntries &entries);

// Reads a list file (a fixed relative path or a full one). Raises "Cannot open file ..." naming
// the full path and the system's reason.
ListEntries loadListFile(const QString &path);

// Writes a list file through a temporary file in the same folder that then replaces the old one,
// so the file holds its old or its new content, never a part. Raises "Cannot create file ..."
// when the file cannot be created and "Stream write error" when it cannot be written whole.
void saveListFile(const QString &path, const ListEntries &entries);

// One file of a list pair to write.
struct ListFileWrite {
    QString path;
    const ListEntries *entries;
};

// Writes the files of a pair together: every file is written whole to its temporary file first,
// and only when all of them are written does any replace its old file. A failure leaves every
// file as it was, so the two files of a pair never go separate ways. Raises as saveListFile.
void saveListFiles(const QList<ListFileWrite> &files);

// True when the entry cannot be stored in a list file (it holds a CR, LF or NUL).
bool breaksListFile(const QByteArray &entry);

} // namespace lettora
