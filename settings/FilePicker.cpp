#include "settings/FilePicker.h"

#include <QFileDialog>

namespace lettora {

namespace {
class DialogFilePicker : public FilePicker
{
public:
    QStringList chooseFiles(QWidget *parent, const QString &caption, const QString &startFolder) override
    {
        QFileDialog dialog(parent, caption, startFolder, QStringLiteral("All files (*)"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setSizeGripEnabled(true);
        // The options dialog stays on top; the picker must not open hidden behind it.
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles();
    }
};
} // namespace

std::unique_ptr<FilePicker> makeDialogFilePicker()
{
    return std::make_unique<DialogFilePicker>();
}

} // namespace lettora
