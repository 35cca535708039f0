#pragma once

#include "settings/ListFile.h"

#include <QAbstractListModel>
#include <QStringList>

#include <vector>

namespace lettora {

// "List index out of bounds (%1)": a read of a list entry that does not exist.
inline constexpr const char *ListIndexOutOfBounds = "List index out of bounds (%1)";
// Files that are not added to a list, as their names would split their entries.
inline constexpr const char *LineBreakRefused = "These files were not added, because their names hold a line break: %1";

// A list of files as two index-aligned lists: the names shown to the user ("cat.jpg") and the
// full paths. The one copy in memory: the options dialog shows it (it is the model of the
// dialog's list view, one row a name) and edits it, the game reads it.
//
// In random order the game draws pictures out of the list. A drawn entry is only marked: the
// game no longer sees it (every index the game uses skips drawn entries), but saving keeps it, so
// OK in the middle of a game never drops pictures from the saved list. Loading clears the marks.
//
// Loading takes each file as it is: two files of different lengths give lists of different
// lengths, as they were saved. A file that could not be read is not saved over unless the user
// has edited the list since: an OK never empties a list file only because it was unreadable.
class ListPair : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit ListPair(QObject *parent = nullptr) : QAbstractListModel(parent) {}

    // Whole lists, drawn entries included (what the dialog shows and what is saved).
    const ListEntries &allNames() const { return m_names; }
    const ListEntries &allPaths() const { return m_paths; }
    bool isDrawn(int index) const;
    int nameEntries() const { return int(m_names.size()); }

    // The user's edits. Appends the files' names (after the last '/'), then their full paths, in
    // the given order.
    void add(const QStringList &fullPaths);
    // Removes entry `index` of the whole list from the names, then from the paths.
    void removeAt(int index);
    // Empties the names, then the paths.
    void clear();
    // Gives entry `index` of the whole list a new name; its path stays.
    void rename(int index, const QByteArray &name);
    // Moves entry `from` of the whole list, name and path, to stand before entry `to` (the list's
    // size for the end). False when either is out of the list, when the entries moved past lack
    // a path (a name moved alone would take another picture's path) or the move changes nothing.
    bool move(int from, int to);
    // Whether move(from, to) would move anything.
    bool movable(int from, int to) const;
    // Whether the lists hold edits that their files do not, since the last load or save.
    bool hasUnsavedEdits() const { return m_unsaved; }

    // Empties both lists before a reload; no edit of the user's, so neither file counts as read.
    void unload();
    // Each replaces its list with the file's entries. When the file cannot be read, the list is
    // left empty, the file is marked unread and the error goes on to the caller.
    void loadNames(const QString &file);
    void loadPaths(const QString &file);
    // Writes both lists together, each as it stands (see saveListFiles): both files are
    // replaced, or neither. A list whose file could not be read and that the user has not edited
    // since is left out (its file stays as it is).
    void save(const QString &namesFile, const QString &pathsFile);

    // The game's view: drawn entries left out.
    int nameCount() const;
    int pathCount() const;
    // Entry `index` of the game's view; "List index out of bounds (index)" when there is none.
    QByteArray name(int index) const;
    QString path(int index) const;
    QByteArray rawPath(int index) const;
    // Takes entry `index` of the game's view out of it: from the paths, then from the names.
    void draw(int index);

    // How an entry's bytes are shown: UTF-8 when they are valid UTF-8, otherwise Latin-1.
    static QString display(const QByteArray &entry);
    // The same, cut in the middle to at most `maxChars` characters ("…" in the cut), without
    // decoding more of the entry than is shown.
    static QString displayShort(const QByteArray &entry, int maxChars = DisplayChars);
    static constexpr int DisplayChars = 160;

    // The file an entry names: "./Picture/cat.jpg" (or ".\Picture\cat.jpg") lies in the program
    // folder, wherever the program is started from; any other entry is used as it is.
    static QByteArray localFile(const QByteArray &entry);

    // The list view's rows: the names (cut for display), drawn ones greyed.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    // Position in the whole list of entry `viewIndex` of the game's view of a list of `size`
    // entries; -1 when there is none.
    int position(int viewIndex, int size) const;
    // Drawn entries before position `end`.
    int drawnBefore(int end) const;
    void loadInto(ListEntries &list, bool &read, const QString &file);
    void edited() { m_namesRead = m_pathsRead = m_unsaved = true; }

    ListEntries m_names;
    ListEntries m_paths;
    std::vector<int> m_drawn;  // positions of drawn entries, ascending, shared by both lists
    bool m_namesRead = true;   // false after a load that failed, until the user edits the list
    bool m_pathsRead = true;
    bool m_unsaved = false;
};

} // namespace lettora
