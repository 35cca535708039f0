#include "settings/ListPair.h"

#include "shell/core/Error.h"
#include "shell/core/ProgramFolder.h"

#include <QBrush>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace lettora {

namespace {
constexpr const char *DrawnHint = "Already shown in this game; it comes back with Reset";

Error outOfBounds(int index)
{
    return Error(QString::fromLatin1(ListIndexOutOfBounds).arg(index));
}

bool isContinuationByte(char c)
{
    return (uchar(c) & 0xC0) == 0x80;
}
} // namespace

bool ListPair::isDrawn(int index) const
{
    return std::binary_search(m_drawn.begin(), m_drawn.end(), index);
}

void ListPair::add(const QStringList &fullPaths)
{
    if (fullPaths.isEmpty())
        return;
    edited();
    ListEntries paths;
    for (const QString &p : fullPaths)
        paths << QFile::encodeName(p);
    const int first = int(m_names.size());
    beginInsertRows(QModelIndex(), first, first + int(paths.size()) - 1);
    for (const QByteArray &p : paths)
        m_names << p.mid(p.lastIndexOf('/') + 1);
    m_paths += paths;
    endInsertRows();
}

void ListPair::removeAt(int index)
{
    if (index < 0 || index >= m_names.size())
        return;
    edited();
    beginRemoveRows(QModelIndex(), index, index);
    m_names.removeAt(index);
    if (index < m_paths.size())
        m_paths.removeAt(index);
    auto at = std::lower_bound(m_drawn.begin(), m_drawn.end(), index);
    if (at != m_drawn.end() && *at == index)
        at = m_drawn.erase(at);
    for (; at != m_drawn.end(); ++at)
        --*at;
    endRemoveRows();
}

void ListPair::clear()
{
    edited();
    beginResetModel();
    m_names.clear();
    m_paths.clear();
    m_drawn.clear();
    endResetModel();
}

void ListPair::rename(int index, const QByteArray &name)
{
    if (index < 0 || index >= m_names.size() || m_names.at(index) == name)
        return;
    edited();
    m_names[index] = name;
    Q_EMIT dataChanged(this->index(index), this->index(index));
}

bool ListPair::movable(int from, int to) const
{
    const int size = int(m_names.size());
    if (from < 0 || from >= size || to < 0 || to > size || to == from || to == from + 1)
        return false;
    // Every entry from `from` to the target changes place: each must have its path to take along.
    return std::max(from, to > from ? to - 1 : to) < m_paths.size();
}

bool ListPair::move(int from, int to)
{
    if (!movable(from, to))
        return false;
    const int target = to > from ? to - 1 : to;
    edited();
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to);
    m_names.move(from, target);
    m_paths.move(from, target);
    // The drawn marks go with their entries.
    for (int &d : m_drawn) {
        if (d == from)
            d = target;
        else if (from < target && d > from && d <= target)
            --d;
        else if (target < from && d >= target && d < from)
            ++d;
    }
    std::sort(m_drawn.begin(), m_drawn.end());
    endMoveRows();
    return true;
}

void ListPair::unload()
{
    beginResetModel();
    m_names.clear();
    m_paths.clear();
    m_drawn.clear();
    m_namesRead = m_pathsRead = m_unsaved = false;
    endResetModel();
}

void ListPair::loadInto(ListEntries &list, bool &read, const QString &file)
{
    beginResetModel();
    m_drawn.clear();
    m_unsaved = false;
    read = false;
    try {
        list = loadListFile(file);
    } catch (...) {
        endResetModel();
        throw;
    }
    read = true;
    endResetModel();
}

void ListPair::loadNames(const QString &file)
{
    loadInto(m_names, m_namesRead, file);
}

void ListPair::loadPaths(const QString &file)
{
    loadInto(m_paths, m_pathsRead, file);
}

void ListPair::save(const QString &namesFile, const QString &pathsFile)
{
    QList<ListFileWrite> files;
    if (m_namesRead)
        files.append({namesFile, &m_names});
    if (m_pathsRead)
        files.append({pathsFile, &m_paths});
    saveListFiles(files);
    m_unsaved = false;
}

int ListPair::drawnBefore(int end) const
{
    return int(std::lower_bound(m_drawn.begin(), m_drawn.end(), end) - m_drawn.begin());
}

int ListPair::position(int viewIndex, int size) const
{
    if (viewIndex < 0)
        return -1;
    // The j-th drawn entry has m_drawn[j] - j undrawn ones before it; the entry asked for is
    // preceded by the drawn ones that have at most viewIndex undrawn ones before them.
    int low = 0, high = int(m_drawn.size());
    while (low < high) {
        const int mid = (low + high) / 2;
        if (m_drawn[mid] - mid > viewIndex)
            high = mid;
        else
            low = mid + 1;
    }
    const int pos = viewIndex + low;
    return pos < size ? pos : -1;
}

int ListPair::nameCount() const
{
    return int(m_names.size()) - drawnBefore(int(m_names.size()));
}

int ListPair::pathCount() const
{
    return int(m_paths.size()) - drawnBefore(int(m_paths.size()));
}

QByteArray ListPair::name(int index) const
{
    const int pos = position(index, int(m_names.size()));
    if (pos < 0)
        throw outOfBounds(index);
    return m_names.at(pos);
}

QString ListPair::path(int index) const
{
    return QFile::decodeName(rawPath(index));
}

QByteArray ListPair::rawPath(int index) const
{
    const int pos = position(index, int(m_paths.size()));
    if (pos < 0)
        throw outOfBounds(index);
    return m_paths.at(pos);
}

void ListPair::draw(int index)
{
    const int pos = position(index, int(std::max(m_paths.size(), m_names.size())));
    if (pos < 0)
        return;
    m_drawn.insert(std::lower_bound(m_drawn.begin(), m_drawn.end(), pos), pos);
    if (pos < m_names.size())
        Q_EMIT dataChanged(this->index(pos), this->index(pos), {Qt::ForegroundRole, Qt::ToolTipRole});
}

QString ListPair::display(const QByteArray &entry)
{
    return shownBytes(entry);
}

QString ListPair::displayShort(const QByteArray &entry, int maxChars)
{
    const int headChars = maxChars / 2;
    const int tailChars = maxChars - headChars - 1;
    const QChar ellipsis(0x2026);
    // A character takes at most 4 bytes: only the ends of a long entry are decoded.
    const qsizetype piece = qsizetype(maxChars) * 4;
    if (entry.size() <= 2 * piece) {
        const QString text = display(entry);
        return text.size() <= maxChars ? text : text.left(headChars) + ellipsis + text.right(tailChars);
    }
    // Cut on character boundaries, so a valid UTF-8 entry keeps its look.
    qsizetype headEnd = piece;
    while (headEnd > piece - 3 && isContinuationByte(entry.at(headEnd)))
        --headEnd;
    qsizetype tailStart = entry.size() - piece;
    while (tailStart < entry.size() - piece + 3 && isContinuationByte(entry.at(tailStart)))
        ++tailStart;
    return display(entry.left(headEnd)).left(headChars) + ellipsis + display(entry.mid(tailStart)).right(tailChars);
}

QByteArray ListPair::localFile(const QByteArray &entry)
{
    if (!entry.startsWith("./") && !entry.startsWith(".\\"))
        return entry;
    const QString decoded = QFile::decodeName(entry);
    if (QFile::encodeName(decoded) == entry)
        return QFile::encodeName(ProgramFolder::resolve(decoded));
    QByteArray rest = entry.mid(2);
    rest.replace('\\', '/');
    return QFile::encodeName(ProgramFolder::root()) + '/' + rest;
}

int ListPair::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant ListPair::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayShort(m_names.at(index.row()));
    case Qt::ForegroundRole:
        return isDrawn(index.row()) ? QVariant(QBrush(Qt::gray)) : QVariant();
    case Qt::ToolTipRole:
        return isDrawn(index.row()) ? QVariant(QString::fromLatin1(DrawnHint)) : QVariant();
    default:
        return {};
    }
}

} // namespace lettora
