#pragma once

#include <QStringList>

#include <memory>

class QWidget;

namespace lettora {

// Asks the user for files. The real one is Qt's file dialog: several files at once, every file
// listed; tests put their own answers in its place.
class FilePicker
{
public:
    virtual ~FilePicker() = default;
    // The chosen files' full paths in the order the picker gives them; empty when cancelled.
    virtual QStringList chooseFiles(QWidget *parent, const QString &caption, const QString &startFolder) = 0;
};

std::unique_ptr<FilePicker> makeDialogFilePicker();

// The same dialog for photos: a preview of the picture under the cursor beside the list, and a
// folder may be chosen as well as files (its path is given back as it is). A folder is still
// opened by a double click.
std::unique_ptr<FilePicker> makePhotoPicker();

} // namespace lettora
