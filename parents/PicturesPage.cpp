#include "parents/PicturesPage.h"

#include "parents/PageLook.h"
#include "parents/PictureWords.h"
#include "settings/FilePicker.h"
#include "settings/ListPair.h"
#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"
#include "shell/core/AssetPaths.h"
#include "shell/core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace lettora {

namespace {
constexpr QColor MarkColour{200, 60, 30};
constexpr QColor SelectedColour{205, 228, 250};
constexpr QColor PlaceholderColour{235, 235, 235};
constexpr int CellWidth = 116;
constexpr int CellHeight = ThumbnailCache::Side + 62;
constexpr int Margin = 4;

// Outlives the caches: a decoding held up by a slow file system does not hold up the corner's
// close; the program's end waits for it (ThumbnailCache::endDecoding).
QThreadPool &thumbnailPool()
{
    static QThreadPool pool;
    static const bool sized = (pool.setMaxThreadCount(ThumbnailCache::Threads), true);
    (void)sized;
    return pool;
}

QRect thumbRect(const QRect &cell)
{
    const int side = ThumbnailCache::Side;
    return QRect(cell.left() + (cell.width() - side) / 2, cell.top() + Margin, side, side);
}

QRect wordRect(const QRect &cell, const QFontMetrics &metrics)
{
    return QRect(cell.left() + Margin, thumbRect(cell).bottom() + Margin, cell.width() - 2 * Margin,
                 metrics.height() + 4);
}

// A note kept to one line, whatever its text: a line break in a file name shows as "↵", and a text
// longer than the line is cut in its middle, whole in its tooltip.
class OneLineNote : public QLabel
{
public:
    using QLabel::QLabel;
    QSize sizeHint() const override { return QSize(0, fontMetrics().height()); }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QString line = text();
        line.replace(QLatin1String("\r\n"), QString(QChar(0x21B5)))
            .replace(QLatin1Char('\n'), QChar(0x21B5))
            .replace(QLatin1Char('\r'), QChar(0x21B5));
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(line, Qt::ElideMiddle, area.width()));
    }
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip)
            setToolTip(text());
        return QLabel::event(event);
    }
};

// A picture over its word, and under the word what keeps the child from typing it.
class PictureDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(CellWidth, CellHeight);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRect cell = option.rect.adjusted(1, 1, -1, -1);
        if (option.state & QStyle::State_Selected) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(SelectedColour);
            painter->drawRoundedRect(cell, 6, 6);
        }
        const QRect box = thumbRect(cell);
        const QPixmap pixmap = index.data(Qt::DecorationRole).value<QPixmap>();
        const auto state = ThumbnailCache::State(index.data(PictureGridModel::StateRole).toInt());
        QRect shown = box;
        if (!pixmap.isNull()) {
            shown = QRect(QPoint(), pixmap.size());
            shown.moveCenter(box.center());
            painter->drawPixmap(shown, pixmap);
        } else {
            painter->setPen(Qt::NoPen);
            painter->setBrush(PlaceholderColour);
            painter->drawRect(box);
            if (state == ThumbnailCache::State::Failed) {
                painter->setPen(Qt::darkGray);
                painter->drawText(box.adjusted(Margin, Margin, -Margin, -Margin), Qt::AlignCenter | Qt::TextWordWrap,
                                  QLatin1String(PicturesPage::CannotRead));
            }
        }
        const QString problem = index.data(PictureGridModel::ProblemRole).toString();
        if (!problem.isEmpty()) {
            painter->setPen(QPen(MarkColour, 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(shown.adjusted(-1, -1, 1, 1));
            const QRect badge(shown.right() - 14, shown.top() - 6, 20, 20);
            painter->setPen(Qt::white);
            painter->setBrush(MarkColour);
            painter->drawEllipse(badge);
            QFont bold = option.font;
            bold.setBold(true);
            painter->setFont(bold);
            painter->drawText(badge, Qt::AlignCenter, QStringLiteral("!"));
        }
        QFont wordFont = option.font;
        wordFont.setBold(true);
        painter->setFont(wordFont);
        const QFontMetrics wordMetrics(wordFont);
        const QRect wordBox = wordRect(cell, wordMetrics);
        painter->setPen(Qt::black);
        painter->drawText(wordBox, Qt::AlignHCenter | Qt::AlignVCenter,
                          wordMetrics.elidedText(index.data().toString(), Qt::ElideMiddle, wordBox.width()));
        if (!problem.isEmpty()) {
            painter->setFont(PicturesPage::reasonFont(option.font));
            painter->setPen(MarkColour);
            const QRect reasonBox(wordBox.left(), wordBox.bottom() + 1, wordBox.width(), cell.bottom() - wordBox.bottom());
            // As many whole lines as the box holds, on any screen; the tooltip has the whole reason.
            const QFontMetrics metrics = painter->fontMetrics();
            const int lines = std::max(1, reasonBox.height() / std::max(1, metrics.lineSpacing()));
            int y = reasonBox.top();
            for (const QString &line : PicturesPage::reasonLines(problem, metrics, reasonBox.width(), lines)) {
                painter->drawText(QRect(reasonBox.left(), y, reasonBox.width(), metrics.height()),
                                  Qt::AlignHCenter | Qt::AlignTop, line);
                y += metrics.lineSpacing();
            }
        }
        painter->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *editor = new QLineEdit(parent);
        editor->setPlaceholderText(QLatin1String(PictureWords::AskForWord));
        editor->setAlignment(Qt::AlignCenter);
        return editor;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        // A camera's name holds no word worth keeping: the parent starts from an empty field.
        const QString word = index.data(Qt::EditRole).toString();
        static_cast<QLineEdit *>(editor)->setText(word);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const QString word = static_cast<QLineEdit *>(editor)->text().trimmed();
        if (!word.isEmpty())
            model->setData(index, word, Qt::EditRole);
    }

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        const QRect cell = option.rect.adjusted(1, 1, -1, -1);
        const QRect word = wordRect(cell, QFontMetrics(option.font));
        editor->setGeometry(word.adjusted(0, -2, 0, 4));
    }
};
} // namespace

// ---- ThumbnailCache

QImage ThumbnailCache::decode(const QByteArray &path)
{
    return loadPictureFileWithin(ListPair::localFile(path), QSize(Side, Side));
}

ThumbnailCache::ThumbnailCache(QObject *parent, Decoder decoder, qint64 maxBytes)
    : QObject(parent), m_decoder(std::move(decoder))
{
    m_done.setMaxCost(qsizetype(maxBytes));
}

ThumbnailCache::~ThumbnailCache()
{
    // Decodings still waiting for a thread are skipped; one that runs ends on its own.
    m_gone->store(true);
}

bool ThumbnailCache::endDecoding(int msecs)
{
    thumbnailPool().clear();
    return thumbnailPool().waitForDone(msecs);
}

QPixmap ThumbnailCache::thumbnail(const QByteArray &path, State *state, QString *reason)
{
    if (const Entry *done = m_done.object(path)) {
        if (state)
            *state = done->state;
        if (reason)
            *reason = done->reason;
        return done->pixmap;
    }
    if (state)
        *state = State::Pending;
    if (reason)
        reason->clear();
    if (m_pending.contains(path))
        return {};
    m_pending.insert(path);
    const QPointer<ThumbnailCache> self(this);
    thumbnailPool().start([self, gone = m_gone, decoder = m_decoder, path] {
        if (gone->load())
            return;
        QImage image;
        QString why;
        try {
            image = decoder(path);
        } catch (const Error &e) {
            why = e.text();
        } catch (const std::bad_alloc &) {
            why = QLatin1String(messages::OutOfMemory);
        } catch (...) {
            why = QLatin1String(PicturesPage::CannotShow);
        }
        if (image.isNull() && why.isEmpty())
            why = QLatin1String(PicturesPage::CannotShow);
        // Handed to the application, which outlives the cache: the cache may be gone by then.
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [self, path, image, why] {
                    if (self)
                        self->finish(path, image, why);
                },
                Qt::QueuedConnection);
    });
    return {};
}

void ThumbnailCache::finish(const QByteArray &path, const QImage &image, const QString &reason)
{
    m_pending.remove(path);
    auto *entry = new Entry{image.isNull() ? State::Failed : State::Ready, QPixmap::fromImage(image), reason};
    const qsizetype cost = std::max<qsizetype>(
        1, qsizetype(entry->pixmap.width()) * entry->pixmap.height() * std::max(1, entry->pixmap.depth()) / 8
               + reason.size() * qsizetype(sizeof(QChar)));
    m_done.insert(path, entry, cost);
    ++m_finished;
    Q_EMIT ready(path);
}

// ---- PictureGridModel

PictureGridModel::PictureGridModel(ListPair &list, PicturesPage &page) : m_list(list), m_page(page)
{
    setSourceModel(&list);
    connect(&m_thumbnails, &ThumbnailCache::ready, this, [this] {
        if (rowCount() > 0)
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
    });
}

QVariant PictureGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.nameEntries())
        return {};
    const QByteArray &name = m_list.allNames().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return PictureWords::isCameraName(name) && role == Qt::EditRole ? QString() : PictureWords::wordPart(name);
    case Qt::DecorationRole:
    case StateRole: {
        if (index.row() >= m_list.allPaths().size())
            return role == StateRole ? QVariant(int(ThumbnailCache::State::Failed)) : QVariant();
        ThumbnailCache::State state;
        const QPixmap pixmap =
            const_cast<ThumbnailCache &>(m_thumbnails).thumbnail(m_list.allPaths().at(index.row()), &state);
        return role == StateRole ? QVariant(int(state)) : QVariant(pixmap);
    }
    case ProblemRole:
        return PictureWords::problem(name);
    case Qt::ToolTipRole: {
        const QString problem = PictureWords::problem(name);
        const QString file = index.row() < m_list.allPaths().size()
                                 ? ListPair::displayShort(m_list.allPaths().at(index.row()))
                                 : QString();
        QStringList lines{problem, file};
        if (index.row() < m_list.allPaths().size()) {
            ThumbnailCache::State state;
            QString reason;
            const_cast<ThumbnailCache &>(m_thumbnails).thumbnail(m_list.allPaths().at(index.row()), &state, &reason);
            if (state == ThumbnailCache::State::Failed)
                lines << QLatin1String(PicturesPage::CannotShow) << reason;
        } else {
            lines << QLatin1String(PicturesPage::CannotShow);
        }
        lines.removeAll(QString());
        return lines.join(QLatin1Char('\n'));
    }
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

bool PictureGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    m_page.setWord(index.row(), value.toString());
    return true;
}

Qt::ItemFlags PictureGridModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.isValid() ? base | Qt::ItemIsEditable | Qt::ItemIsDragEnabled : Qt::ItemIsDropEnabled;
}

QStringList PictureGridModel::mimeTypes() const
{
    return {QLatin1String(RowFormat), QStringLiteral("text/uri-list")};
}

QMimeData *PictureGridModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(QLatin1String(RowFormat), QByteArray::number(indexes.first().row()));
    return data;
}

// ---- PictureGrid

PictureGrid::PictureGrid(PicturesPage &page) : m_page(page)
{
    setObjectName(QStringLiteral("pictureGrid"));
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setGridSize(QSize(CellWidth, CellHeight));
    setSpacing(0);
    setWrapping(true);
    setWordWrap(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    viewport()->setAcceptDrops(true);  // the drops land on the cells, not on the frame
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed);
    setItemDelegate(new PictureDelegate(this));
}

void PictureGrid::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (data->hasFormat(QLatin1String(PictureGridModel::RowFormat)) || data->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PictureGrid::dragMoveEvent(QDragMoveEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (data->hasFormat(QLatin1String(PictureGridModel::RowFormat)) || data->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PictureGrid::dropEvent(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (data->hasFormat(QLatin1String(PictureGridModel::RowFormat))) {
        bool ok = false;
        const int from = data->data(QLatin1String(PictureGridModel::RowFormat)).toInt(&ok);
        const QModelIndex onto = indexAt(event->position().toPoint());
        const int count = model()->rowCount();
        // The picture takes the place of the one it is dropped on; after the last one, the end.
        const int to = !onto.isValid() ? count : onto.row() > from ? onto.row() + 1 : onto.row();
        if (ok)
            m_page.moveEntry(from, to);
    } else if (data->hasUrls()) {
        m_page.addDropped(data->urls());
    } else {
        event->ignore();
        return;
    }
    // A copy for the drag's source: the view removes nothing after the drag.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void PictureGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && state() != QAbstractItemView::EditingState) {
        m_page.removeAt(m_page.selectedRow());
        return;
    }
    QListView::keyPressEvent(event);
}

// ---- PicturesPage

PicturesPage::PicturesPage(ListPair &list, QWidget *parent)
    : QWidget(parent), m_list(list), m_picker(makePhotoPicker())
{
    setObjectName(QStringLiteral("PicturesPage"));
    auto *help = new QLabel(QLatin1String(Help), this);
    help->setWordWrap(true);
    model = new PictureGridModel(list, *this);
    model->setParent(this);
    grid = new PictureGrid(*this);
    grid->setModel(model);
    hint = new QLabel(this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setWordWrap(true);
    fixButton = new QPushButton(QLatin1String(FixButton), this);
    fixButton->setAutoDefault(false);
    fixButton->setEnabled(false);
    saveProblem = new OneLineNote(this);
    saveProblem->setObjectName(QStringLiteral("saveProblem"));
    QPalette quiet = saveProblem->palette();
    quiet.setColor(QPalette::WindowText, Qt::darkRed);
    saveProblem->setPalette(quiet);
    addButton = new QPushButton(QLatin1String(AddButton), this);
    addButton->setObjectName(QStringLiteral("addButton"));
    addButton->setAutoDefault(false);
    connect(addButton, &QPushButton::clicked, this, &PicturesPage::addPhotos);

    confirmSavingPending = [](QWidget *over) {
        QMessageBox box(QMessageBox::Question, QLatin1String(Title), QLatin1String(PendingQuestion),
                        QMessageBox::NoButton, over);
        QPushButton *saveAll = box.addButton(QLatin1String(SaveAll), QMessageBox::AcceptRole);
        box.setDefaultButton(box.addButton(QLatin1String(DontChange), QMessageBox::RejectRole));
        // The corner stays on top; the question must not open hidden behind it.
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
        return box.clickedButton() == saveAll;
    };

    connect(fixButton, &QPushButton::clicked, this, [this] { fix(selectedRow()); });
    connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PicturesPage::updateHint);
    connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &, const QModelIndex &,
                                                                  const QList<int> &roles) {
        if (!roles.contains(Qt::DecorationRole))
            updateHint();
    });

    auto *fixRow = new QHBoxLayout;
    fixRow->addWidget(addButton);
    fixRow->addWidget(hint, 1);
    fixRow->addWidget(fixButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(help);
    layout->addWidget(grid, 1);
    layout->addLayout(fixRow);
    layout->addWidget(saveProblem);
}

PicturesPage::~PicturesPage() = default;

QFont PicturesPage::reasonFont(const QFont &font)
{
    // The corner's font has its size in pixels: a point size would be none.
    QFont small = font;
    if (font.pixelSize() > 0)
        small.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * ReasonScale))));
    else if (font.pointSizeF() > 0)
        small.setPointSizeF(font.pointSizeF() * ReasonScale);
    return small;
}

QStringList PicturesPage::reasonLines(const QString &reason, const QFontMetrics &metrics, int width, int maxLines)
{
    QStringList lines;
    const QStringList words = reason.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    qsizetype next = 0;
    while (next < words.size() && lines.size() < maxLines) {
        QString line = words.at(next++);
        while (next < words.size()
               && metrics.horizontalAdvance(line + QLatin1Char(' ') + words.at(next)) <= width)
            line += QLatin1Char(' ') + words.at(next++);
        if (lines.size() + 1 == maxLines && next < words.size())
            line = metrics.elidedText(line + QLatin1Char(' ') + words.mid(next).join(QLatin1Char(' ')) ,
                                      Qt::ElideRight, width);
        else if (metrics.horizontalAdvance(line) > width)
            line = metrics.elidedText(line, Qt::ElideRight, width);
        lines << line;
    }
    return lines;
}

void PicturesPage::setFilePicker(std::unique_ptr<FilePicker> picker)
{
    m_picker = std::move(picker);
}

void PicturesPage::addPhotos()
{
    ProgramFolder::makeCurrent();
    const QStringList chosen = m_picker->chooseFiles(this, QLatin1String(AddCaption),
                                                     ProgramFolder::resolve(QLatin1String(paths::PictureFolder)));
    if (chosen.isEmpty())
        return;
    QList<QUrl> urls;
    for (const QString &file : chosen)
        urls << QUrl::fromLocalFile(file);
    const int before = model->rowCount();
    addDropped(urls);
    const int after = model->rowCount();
    if (after <= before)
        return;
    grid->scrollTo(model->index(after - 1, 0));
    grid->setCurrentIndex(model->index(before, 0));
    grid->scrollTo(model->index(before, 0));
}

int PicturesPage::selectedRow() const
{
    const QModelIndexList selected = grid->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void PicturesPage::setWord(int row, const QString &word)
{
    if (row < 0 || row >= m_list.nameEntries() || word.trimmed().isEmpty())
        return;
    const QByteArray name = m_list.allNames().at(row);
    const QByteArray renamed = PictureWords::renamed(name, word.trimmed());
    if (renamed == name || !mayChange())
        return;
    m_list.rename(row, renamed);
    save();
}

void PicturesPage::fix(int row)
{
    if (row < 0 || row >= m_list.nameEntries())
        return;
    const QByteArray &name = m_list.allNames().at(row);
    if (PictureWords::problem(name).isEmpty())
        return;
    const QString word = PictureWords::suggestion(name);
    if (!word.isEmpty()) {
        setWord(row, word);
        return;
    }
    const QModelIndex index = model->index(row, 0);
    grid->setCurrentIndex(index);
    grid->setFocus();
    grid->edit(index);
}

void PicturesPage::removeAt(int row)
{
    if (row < 0 || row >= m_list.nameEntries() || !mayChange())
        return;
    m_list.removeAt(row);
    save();
    updateHint();
}

void PicturesPage::moveEntry(int from, int to)
{
    if (!m_list.movable(from, to) || !mayChange())
        return;
    m_list.move(from, to);
    save();
    const int at = to > from ? to - 1 : to;
    grid->setCurrentIndex(model->index(at, 0));
}

QStringList PicturesPage::picturesIn(const QList<QUrl> &urls)
{
    QStringList files;
    const std::function<void(const QString &, int)> addFolder = [&](const QString &folder, int depth) {
        const QFileInfoList entries =
            QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsLast);
        for (const QFileInfo &entry : entries) {
            if (entry.isDir()) {
                if (depth > 0 && !entry.isSymLink())
                    addFolder(entry.absoluteFilePath(), depth - 1);
            } else if (isPictureExtension(entry.fileName())) {
                files << entry.absoluteFilePath();
            }
        }
    };
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir())
            addFolder(info.absoluteFilePath(), FolderDepth);
        else if (info.isFile() && isPictureExtension(info.fileName()))
            files << info.absoluteFilePath();
    }
    return files;
}

void PicturesPage::addDropped(const QList<QUrl> &urls)
{
    // A line break in a file name would split its entry in two in the list files.
    QStringList storable, refused;
    for (const QString &file : picturesIn(urls))
        (breaksListFile(QFile::encodeName(file)) ? refused : storable) << file;
    if (storable.isEmpty() && refused.isEmpty())
        return;
    if (!storable.isEmpty() && !mayChange())
        return;
    m_list.add(storable);
    save();
    if (!refused.isEmpty())
        saveProblem->setText(QString::fromLatin1(LineBreakRefused).arg(quotedName(refused.join(QStringLiteral(", ")))));
}

bool PicturesPage::mayChange()
{
    return !m_list.hasUnsavedEdits() || m_ownEditsUnsaved || confirmSavingPending(this);
}

void PicturesPage::save()
{
    try {
        ProgramFolder::makeCurrent();
        m_list.save(QLatin1String(paths::ImageFileList), QLatin1String(paths::ImagePathList));
        m_ownEditsUnsaved = false;
        saveProblem->clear();
    } catch (const std::exception &) {
        m_ownEditsUnsaved = true;
        saveProblem->setText(QLatin1String(NotSaved));
    }
}

void PicturesPage::updateHint()
{
    const int row = selectedRow();
    const QByteArray name = row >= 0 && row < m_list.nameEntries() ? m_list.allNames().at(row) : QByteArray();
    const QString problem = row >= 0 ? PictureWords::problem(name) : QString();
    fixButton->setEnabled(!problem.isEmpty());
    if (problem.isEmpty()) {
        hint->clear();
        return;
    }
    const QString word = PictureWords::suggestion(name);
    hint->setText(word.isEmpty() ? QString::fromLatin1(FixAsk).arg(problem)
                                 : QString::fromLatin1(FixTo).arg(problem, word));
}

} // namespace lettora
