#include "sound/MusicPlaylist.h"

#include "settings/ListPair.h"
#include "shell/Memory.h"
#include "shell/core/AssetPaths.h"
#include "shell/core/Error.h"
#include "shell/core/ProgramFolder.h"
#include "sound/MediaPlayer.h"

#include <QFile>

namespace lettora {

void MusicPlaylist::StartTrack(int i)
{
    const ListPair *pair = list();
    if (!pair || i < 0 || i >= pair->allPaths().size())
        throw Error(QString::fromLatin1(ListIndexOutOfBounds).arg(i));
    m_player.FileName = QFile::decodeName(ListPair::localFile(pair->allPaths().at(i)));
    m_player.Open();
    m_player.Play();
}

void MusicPlaylist::musicOnChanged(bool checked)
{
    if (checked) {
        StartTrack(MusicIndex);
        enableTimer();
    } else {
        m_player.Stop();  // the timer, the index and the open track stay as they are
    }
}

void MusicPlaylist::nameChosen(int selected)
{
    MusicIndex = selected;
}

void MusicPlaylist::nameDoubleClicked(int selected)
{
    MusicIndex = selected;
    setMusicOn(true);
    StartTrack(MusicIndex);
}

void MusicPlaylist::endOfTrackCheck()
{
    // Without an open track there is nothing to compare; no error box every 2 seconds.
    if (!m_player.isOpen())
        return;
    const qint64 position = m_player.Position();
    const qint64 length = m_player.Length();
    if (position != length)
        return;
    ++MusicIndex;
    if (list() && MusicIndex < list()->nameEntries())
        StartTrack(MusicIndex);
    else
        MusicIndex = -1;
}

void MusicPlaylist::playWelcomeTune(MediaPlayer &welcome)
{
    ProgramFolder::makeCurrent();
    welcome.FileName = ProgramFolder::resolve(QLatin1String(paths::WelcomeTune));
    welcome.Open();
    welcome.Play();
}

void MusicPlaylist::handOver(MediaPlayer &welcome)
{
    // A tune that never opened has nothing to stop; the close goes ahead all the same. The
    // welcome screen comes once a run: its player lets go of its synthesiser before the music
    // starts, and the memory goes back to the system.
    if (welcome.isOpen()) {
        welcome.Stop();
        welcome.Close();
        giveBackFreeMemory();
    }
    const ListPair *pair = list();
    const bool listed = pair && MusicIndex >= 0 && MusicIndex < pair->allPaths().size();
    try {
        StartTrack(MusicIndex);
        setMusicOn(true);
        enableTimer();
    } catch (const Error &e) {
        // A list whose entry cannot be played (a FIFO, a broken file) is no empty list: the
        // reason is reported as for a track that fails to open later.
        if (listed)
            report(Failure::Error, e.text());
        else
            report(Failure::NoMusic, QLatin1String(NoMusicMessage));
    } catch (const std::exception &) {
        report(Failure::NoMusic, QLatin1String(NoMusicMessage));
    }
}

} // namespace lettora
