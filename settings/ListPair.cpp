#include "settings/ListPair.h"

#include <QFile>
#include <QStringDecoder>

namespace lettora {

void ListPair::add(const QStringList &fullPaths)
{
    ListEntries paths;
    for (const QString &p : fullPaths)
        paths << QFile::encodeName(p);
    for (const QByteArray &p : paths)
        m_names << p.mid(p.lastIndexOf('/') + 1);
    m_paths += paths;
    Q_EMIT changed();
}

void ListPair::removeAt(int index)
{
    if (index < 0 || index >= m_names.size())
        return;
    m_names.removeAt(index);
    if (index < m_paths.size())
        m_paths.removeAt(index);
    if (index < m_drawn.size())
        m_drawn.removeAt(index);
    Q_EMIT changed();
}

void ListPair::clear()
{
    m_names.clear();
    m_paths.clear();
    m_drawn.clear();
    Q_EMIT changed();
}

void ListPair::loadNames(const QString &file)
{
    m_drawn.clear();
    m_names = loadListFile(file);
    Q_EMIT changed();
}

void ListPair::loadPaths(const QString &file)
{
    m_drawn.clear();
    m_paths = loadListFile(file);
    Q_EMIT changed();
}

int ListPair::position(int viewIndex, const ListEntries &list) const
{
    if (viewIndex < 0)
        return -1;
    int seen = -1;
    for (int pos = 0; pos < list.size(); ++pos) {
        if (!isDrawn(pos) && ++seen == viewIndex)
            return pos;
    }
    return -1;
}

int ListPair::nameCount() const
{
    int n = 0;
    for (int pos = 0; pos < m_names.size(); ++pos)
        n += isDrawn(pos) ? 0 : 1;
    return n;
}

int ListPair::pathCount() const
{
    int n = 0;
    for (int pos = 0; pos < m_paths.size(); ++pos)
        n += isDrawn(pos) ? 0 : 1;
    return n;
}

QByteArray ListPair::name(int index) const
{
    const int pos = position(index, m_names);
    return pos < 0 ? QByteArray() : m_names.at(pos);
}

QString ListPair::path(int index) const
{
    const int pos = position(index, m_paths);
    return pos < 0 ? QString() : QFile::decodeName(m_paths.at(pos));
}

QByteArray ListPair::rawPath(int index) const
{
    const int pos = position(index, m_paths);
    return pos < 0 ? QByteArray() : m_paths.at(pos);
}

void ListPair::draw(int index)
{
    const int pos = position(index, m_paths.size() >= m_names.size() ? m_paths : m_names);
    if (pos < 0)
        return;
    if (m_drawn.size() <= pos)
        m_drawn.resize(pos + 1, false);
    m_drawn[pos] = true;
    Q_EMIT changed();
}

QString ListPair::display(const QByteArray &entry)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(entry);
    return utf8.hasError() ? QString::fromLatin1(entry) : text;
}

} // namespace lettora
