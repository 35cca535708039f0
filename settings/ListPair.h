#pragma once

#include "settings/ListFile.h"

#include <QObject>
#include <QStringList>

namespace lettora {

// A list of files as two index-aligned lists: the names shown to the user ("cat.jpg") and the
// full paths. The one copy in memory: the options dialog shows and edits it, the game reads it.
//
// In random order the game draws pictures out of the list. A drawn entry is only marked: the
// game no longer sees it (every index the game uses skips drawn entries), but saving keeps it, so
// OK in the middle of a game never drops pictures from the saved list. Loading clears the marks.
//
// Loading takes each file as it is: two files of different lengths give lists of different
// lengths, as they were saved.
class ListPair : public QObject
{
    Q_OBJECT
public:
    explicit ListPair(QObject *parent = nullptr) : QObject(parent) {}

    // Whole lists, drawn entries included (what the dialog shows and what is saved).
    const ListEntries &allNames() const { return m_names; }
    const ListEntries &allPaths() const { return m_paths; }
    bool isDrawn(int index) const { return index < m_drawn.size() && m_drawn.at(index); }
    int nameEntries() const { return int(m_names.size()); }

    // Appends the files' names (after the last '/'), then their full paths, in the given order.
    void add(const QStringList &fullPaths);
    // Removes entry `index` of the whole list from the names, then from the paths.
    void removeAt(int index);
    // Empties the names, then the paths.
    void clear();

    void loadNames(const QString &file);
    void loadPaths(const QString &file);
    void saveNames(const QString &file) const { saveListFile(file, m_names); }
    void savePaths(const QString &file) const { saveListFile(file, m_paths); }

    // The game's view: drawn entries left out.
    int nameCount() const;
    int pathCount() const;
    QByteArray name(int index) const;
    QString path(int index) const;
    QByteArray rawPath(int index) const;
    // Takes entry `index` of the game's view out of it: from the paths, then from the names.
    void draw(int index);

    // How an entry's bytes are shown: UTF-8 when they are valid UTF-8, otherwise Latin-1.
    static QString display(const QByteArray &entry);

Q_SIGNALS:
    void changed();

private:
    int position(int viewIndex, const ListEntries &list) const;

    ListEntries m_names;
    ListEntries m_paths;
    QList<bool> m_drawn;  // by position, shared by both lists
};

} // namespace lettora
