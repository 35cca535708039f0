#pragma once

#include <QCache>
#include <QFontMetrics>
#include <QSet>
#include <QIdentityProxyModel>
#include <QListView>
#include <QPixmap>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace lettora {

class FilePicker;
class ListPair;
class PicturesPage;

// Small pictures of the list's files, decoded scaled in the background on a few threads, one
// per file: the same file twice is decoded once and shown as the same picture. Every file is opened
// as the game opens its pictures (a FIFO or a device is refused, never waited on). At most
// `maxBytes` of pictures are kept: those asked for longest ago go first, and are decoded again
// when they are asked for again. Nothing waits on a decoding when the cache goes: one still
// running ends on its own and its picture is dropped; the program's end waits for it.
class ThumbnailCache : public QObject
{
    Q_OBJECT
public:
    static constexpr int Side = 96;
    static constexpr int Threads = 2;
    static constexpr qint64 MaxBytes = 32LL * 1024 * 1024;
    enum class State { Pending, Ready, Failed };
    // The file's small picture; raises an Error saying why it cannot be had.
    using Decoder = std::function<QImage(const QByteArray &path)>;
    static QImage decode(const QByteArray &path);
    // At the program's end: drops the decodings not begun and waits, at most `msecs`, for those
    // running; the threads are joined. False when one still runs (a hung file system).
    static bool endDecoding(int msecs);

    explicit ThumbnailCache(QObject *parent = nullptr, Decoder decoder = &ThumbnailCache::decode,
                            qint64 maxBytes = MaxBytes);
    ~ThumbnailCache() override;
    // The file's picture once decoded (a null pixmap before, and when it failed, with the reason
    // in `reason`); the first call asks for it.
    QPixmap thumbnail(const QByteArray &path, State *state = nullptr, QString *reason = nullptr);
    int finished() const { return m_finished; }
    qint64 bytes() const { return m_done.totalCost(); }

Q_SIGNALS:
    void ready(const QByteArray &path);

private:
    struct Entry
    {
        State state = State::Failed;
        QPixmap pixmap;
        QString reason;
    };
    void finish(const QByteArray &path, const QImage &image, const QString &reason);

    Decoder m_decoder;
    QCache<QByteArray, Entry> m_done;
    QSet<QByteArray> m_pending;
    std::shared_ptr<std::atomic_bool> m_gone = std::make_shared<std::atomic_bool>(false);
    int m_finished = 0;
};

// The picture list as the page shows it: the word part of each name, its picture, its problem.
class PictureGridModel : public QIdentityProxyModel
{
    Q_OBJECT
public:
    static constexpr int ProblemRole = Qt::UserRole + 1;
    static constexpr int StateRole = Qt::UserRole + 2;
    static constexpr const char *RowFormat = "application/x-lettora-picture-row";

    PictureGridModel(ListPair &list, PicturesPage &page);
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    ThumbnailCache &thumbnails() { return m_thumbnails; }

private:
    ListPair &m_list;
    PicturesPage &m_page;
    ThumbnailCache m_thumbnails;
};

// The grid: drags within it reorder, drops from outside add, Delete removes.
class PictureGrid : public QListView
{
    Q_OBJECT
public:
    explicit PictureGrid(PicturesPage &page);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    PicturesPage &m_page;
};

// The parents' corner's "Pictures" page: the picture list as a grid of pictures with their words.
// A word is edited in place and changes only the entry's name; every change is saved at once and
// the game sees it at once, as it plays from the same list.
class PicturesPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *Title = "Pictures";
    static constexpr const char *Help =
        "The child spells the word under each picture. Click a word to change it; add photos with "
        "\"Add photos...\" or drop photos or a folder here; drag to reorder; Delete removes.";
    static constexpr const char *AddButton = "Add photos...";
    static constexpr const char *AddCaption = "Add photos";
    static constexpr const char *NotSaved = "The list could not be saved; the changes hold until the game is closed.";
    static constexpr const char *FixButton = "Fix the word";
    static constexpr const char *CannotShow = "This picture cannot be shown.";
    static constexpr const char *CannotRead = "Cannot be read";
    static constexpr const char *FixTo = "%1. Fix: \"%2\".";
    static constexpr const char *FixAsk = "%1. Fix: type the word.";
    static constexpr int FolderDepth = 1;  // a dropped folder's own pictures, and its subfolders'
    // Asked before an edit here would save edits of the options dialog that its OK has not saved.
    static constexpr const char *PendingQuestion =
        "The picture list has changes that are not saved yet: they were made in the options dialog, "
        "which saves them at its OK. A change here saves the whole list at once, those changes too.";
    static constexpr const char *SaveAll = "Save all now";
    static constexpr const char *DontChange = "Don't change";

    explicit PicturesPage(ListPair &list, QWidget *parent = nullptr);
    ~PicturesPage() override;

    // The page's edits, each saved at once.
    void setWord(int row, const QString &word);
    void fix(int row);
    void removeAt(int row);
    void moveEntry(int from, int to);
    void addDropped(const QList<QUrl> &urls);
    // "Add photos...": the files and folders chosen in the picker are added as a drop adds them,
    // and the grid shows the first one added.
    void addPhotos();
    // The picker behind "Add photos..." (tests answer it themselves).
    void setFilePicker(std::unique_ptr<FilePicker> picker);
    int selectedRow() const;

    // The reasons' smaller font, and a reason as a cell shows it: wrapped at its spaces to `width`,
    // at most `maxLines` lines, the last ending in "…" where more is left.
    static constexpr double ReasonScale = 0.85;
    static QFont reasonFont(const QFont &font);
    static QStringList reasonLines(const QString &reason, const QFontMetrics &metrics, int width, int maxLines);

    // The picture files that dropping `urls` adds, in order: files as they are, a folder's
    // picture files sorted by name.
    static QStringList picturesIn(const QList<QUrl> &urls);

    PictureGrid *grid = nullptr;
    PictureGridModel *model = nullptr;
    QLabel *hint = nullptr;
    QPushButton *fixButton = nullptr;
    QPushButton *addButton = nullptr;
    QLabel *saveProblem = nullptr;
    // Asks the parent whether the list's unsaved edits may be saved with the page's edit; true
    // lets the edit go ahead. A test replaces it.
    std::function<bool(QWidget *)> confirmSavingPending;

private:
    // Whether an edit may go ahead: at once when the list holds no unsaved edits, otherwise when
    // the parent agrees to save them with it.
    bool mayChange();
    void save();
    void updateHint();

    ListPair &m_list;
    // The list's unsaved edits are the page's own, kept after a save that failed.
    bool m_ownEditsUnsaved = false;
    std::unique_ptr<FilePicker> m_picker;
};

} // namespace lettora
