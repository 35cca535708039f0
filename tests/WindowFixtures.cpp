#include "WindowFixtures.h"

#include "shell/ErrorReport.h"
#include "shell/PictureLoader.h"
#include "sound/AudioModule.h"

#include <QTest>

namespace lettora::test {

OpenWindows::OpenWindows()
{
    display = installFakeDisplay();
    effects = installEffectRecorder();
    messages = installMessageRecorder();
    setMediaPlayerMaker([] { return std::make_unique<ScriptedPlayer>(); });
    game = std::make_unique<TFormLettora>();
    FormLettora = game.get();
    dialog = std::make_unique<TFormOption>(game.get(), game.get());
    FormOption = dialog.get();
    auto fake = std::make_unique<FakePicker>();
    picker = fake.get();
    dialog->setFilePicker(std::move(fake));
    dialog->show();
}

OpenWindows::~OpenWindows()
{
    dialog.reset();
    game.reset();
    FormOption = nullptr;
    FormLettora = nullptr;
    setMessageHook({});
    setMediaPlayerMaker({});
}

QStringList OpenWindows::shown(QListView *box) const
{
    QStringList texts;
    for (int i = 0; i < box->model()->rowCount(); ++i)
        texts << box->model()->index(i, 0).data().toString();
    return texts;
}

void OpenWindows::select(QListView *box, int row)
{
    box->selectionModel()->setCurrentIndex(box->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

} // namespace lettora::test
