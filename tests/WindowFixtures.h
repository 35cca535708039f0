#pragma once

#include "Fixtures.h"
#include "game/LettoraUnit.h"
#include "settings/OptionUnit.h"

#include <QListView>

namespace lettora::test {

// The game window and the options dialog, created in their order over the program folder as it
// stands, with the display, the sounds, the players and the message boxes recorded.
struct OpenWindows
{
    OpenWindows();
    ~OpenWindows();
    QStringList shown(QListView *box) const;
    void select(QListView *box, int row);
    ScriptedPlayer &music() const { return static_cast<ScriptedPlayer &>(*game->Musik); }

    std::shared_ptr<FakeDisplay::Log> display;
    std::shared_ptr<EffectLog> effects;
    std::shared_ptr<QStringList> messages;
    std::unique_ptr<TFormLettora> game;
    std::unique_ptr<TFormOption> dialog;
    FakePicker *picker = nullptr;
};

// The windows in a program folder of their own.
struct Windows : FolderWithFiles, OpenWindows
{
    explicit Windows(const QMap<QString, QByteArray> &files = {}, const QStringList &remove = {})
        : FolderWithFiles(files, remove)
    {
    }
    QByteArray bytes(const char *file) const { return folder.bytes(QLatin1String(file)); }
};

} // namespace lettora::test
