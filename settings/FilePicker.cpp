#include "settings/FilePicker.h"

#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"

#include <QFileDialog>
#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

#include <algorithm>

namespace lettora {

namespace {
// Qt's own file dialog (not the desktop's, whose accept cannot be changed). It takes typed names
// of files that do not exist as they are, as the game looks at a file only when it shows it;
// several files can still be chosen at once, in the list or typed as "a.jpg" "b.jpg".
class OpenDialog : public QFileDialog
{
public:
    OpenDialog(QWidget *parent, const QString &caption, const QString &folder, bool foldersChosen = false)
        : QFileDialog(parent, caption, folder, QStringLiteral("All files (*)")), m_foldersChosen(foldersChosen)
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        // Any file name is taken (the mode that does not ask for existing files allows one
        // chosen file, so the file views are given back their multiple selection).
        setFileMode(QFileDialog::AnyFile);
        setAcceptMode(QFileDialog::AcceptOpen);
        for (const char *view : {"listView", "treeView"}) {
            if (auto *files = findChild<QAbstractItemView *>(QLatin1String(view)))
                files->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
    QStringList chosen;

    void accept() override
    {
        // A folder selected in the list is chosen with what is selected beside it: the file name
        // field does not follow a folder's selection.
        const QStringList rows = m_foldersChosen ? selectedRows() : QStringList();
        if (std::any_of(rows.begin(), rows.end(), [](const QString &f) { return QFileInfo(f).isDir(); })) {
            chosen = rows;
            QDialog::accept();
            return;
        }
        QStringList files = typedNames();
        if (files.isEmpty())
            files = selectedFiles();
        if (files.isEmpty())
            return;
        if (!m_foldersChosen
            && std::any_of(files.begin(), files.end(), [](const QString &f) { return QFileInfo(f).isDir(); })) {
            QFileDialog::accept();  // a folder is opened, not chosen
            return;
        }
        chosen = files;
        QDialog::accept();
    }

private:
    bool m_foldersChosen;

    // The full paths of the entries selected in the file list.
    QStringList selectedRows() const
    {
        QStringList paths;
        const auto *list = findChild<QAbstractItemView *>(QStringLiteral("listView"));
        if (!list || !list->selectionModel())
            return paths;
        for (const QModelIndex &index : list->selectionModel()->selectedIndexes())
            if (index.column() == 0)
                paths << index.data(QFileSystemModel::FilePathRole).toString();
        return paths;
    }

    // The names in the file name field, as full paths: one name, or several each in quotes. The
    // field follows the selection in the file list, and a name typed there is taken as typed
    // even where the list has selected an existing file that starts the same.
    QStringList typedNames() const
    {
        const auto *field = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        const QString text = field ? field->text() : QString();
        QStringList names;
        if (!text.contains(QLatin1Char('"'))) {
            if (!text.isEmpty())
                names << text;
        } else {
            const QStringList parts = text.split(QLatin1Char('"'));
            for (qsizetype i = 1; i < parts.size(); i += 2)
                names << parts.at(i);
        }
        const QDir folder = directory();
        QStringList files;
        for (const QString &name : std::as_const(names))
            files << QDir::cleanPath(folder.absoluteFilePath(name));
        return files;
    }
};

class DialogFilePicker : public FilePicker
{
public:
    explicit DialogFilePicker(bool photos = false) : m_photos(photos) {}

    QStringList chooseFiles(QWidget *parent, const QString &caption, const QString &startFolder) override
    {
        OpenDialog dialog(parent, caption, startFolder, m_photos);
        if (m_photos)
            addPreview(dialog);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setSizeGripEnabled(true);
        // The options dialog stays on top; the picker must not open hidden behind it.
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.chosen;
    }

private:
    // A picture of the file under the cursor, beside the list; opened as the game opens pictures,
    // so that a FIFO or a device never holds the dialog up.
    static void addPreview(QFileDialog &dialog)
    {
        auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
        if (!grid)
            return;
        auto *preview = new QLabel(&dialog);
        preview->setObjectName(QStringLiteral("preview"));
        preview->setAlignment(Qt::AlignCenter);
        preview->setFixedSize(PreviewSide + 8, PreviewSide + 8);
        grid->addWidget(preview, 1, grid->columnCount(), 2, 1);
        QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString &path) {
            QPixmap picture;
            if (isPictureExtension(path) && QFileInfo(path).isFile()) {
                try {
                    picture = QPixmap::fromImage(
                        loadPictureFileWithin(QFile::encodeName(path), QSize(PreviewSide, PreviewSide)));
                } catch (const Error &) {
                    // no preview for a file that cannot be shown
                }
            }
            preview->setPixmap(picture);
        });
    }

    static constexpr int PreviewSide = 160;
    bool m_photos;
};
} // namespace

std::unique_ptr<FilePicker> makeDialogFilePicker()
{
    return std::make_unique<DialogFilePicker>();
}

std::unique_ptr<FilePicker> makePhotoPicker()
{
    return std::make_unique<DialogFilePicker>(true);
}

} // namespace lettora
