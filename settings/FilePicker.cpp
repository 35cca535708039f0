#include "settings/FilePicker.h"

#include <QFileDialog>
#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <algorithm>

namespace lettora {

namespace {
// Qt's own file dialog (not the desktop's, whose accept cannot be changed). It takes typed names
// of files that do not exist as they are, as the game looks at a file only when it shows it;
// several files can still be chosen at once, in the list or typed as "a.jpg" "b.jpg".
class OpenDialog : public QFileDialog
{
public:
    OpenDialog(QWidget *parent, const QString &caption, const QString &folder)
        : QFileDialog(parent, caption, folder, QStringLiteral("All files (*)"))
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
        QStringList files = typedNames();
        if (files.isEmpty())
            files = selectedFiles();
        if (files.isEmpty())
            return;
        if (std::any_of(files.begin(), files.end(), [](const QString &f) { return QFileInfo(f).isDir(); })) {
            QFileDialog::accept();  // a folder is opened, not chosen
            return;
        }
        chosen = files;
        QDialog::accept();
    }

private:
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
    QStringList chooseFiles(QWidget *parent, const QString &caption, const QString &startFolder) override
    {
        OpenDialog dialog(parent, caption, startFolder);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setSizeGripEnabled(true);
        // The options dialog stays on top; the picker must not open hidden behind it.
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.chosen;
    }
};
} // namespace

std::unique_ptr<FilePicker> makeDialogFilePicker()
{
    return std::make_unique<DialogFilePicker>();
}

} // namespace lettora
