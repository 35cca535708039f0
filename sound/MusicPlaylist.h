#pragma once

#include <QString>

#include <functional>

namespace lettora {

class ListPair;
class MediaPlayer;

// The background music list: which entry plays (MusicIndex), starting a track, the check box that
// switches the music, a click and a double click on a name, and the check every 2 seconds that
// moves on when a track has ended. The windows own the check box and the timer and reach them
// through the hooks.
class MusicPlaylist
{
public:
    // The list is the one the options dialog keeps; it is looked up at every use.
    using ListLookup = std::function<const ListPair *()>;
    MusicPlaylist(MediaPlayer &player, ListLookup list) : m_player(player), m_list(std::move(list)) {}

    int MusicIndex = 0;

    // Sets the check box; when its state changes, that runs its action (musicOnChanged), whose
    // errors reach the caller.
    std::function<void(bool)> setMusicOn;
    // Enables the 2-second check (no change when it runs already).
    std::function<void()> enableTimer;

    // What the music list cannot do, as the text to show: an error (a track that cannot be
    // played), or the information that there is no music to play. The list opens no box itself:
    // its owner shows them. Unset, failures go unreported.
    enum class Failure { Error, NoMusic };
    std::function<void(Failure kind, const QString &text)> reportFailure;

    // Opens entry i of the path list and plays it. "List index out of bounds (i)" when there is
    // no such entry; then nothing is stopped or opened.
    void StartTrack(int i);

    // The check box's action, after its state changed: checked plays entry MusicIndex from its
    // beginning and enables the check; unchecked stops the music, nothing else.
    void musicOnChanged(bool checked);
    // A name chosen in the list (the selected index, -1 for none): where the list goes on.
    void nameChosen(int selected);
    // A name double-clicked: it plays at once, and the music is switched on.
    void nameDoubleClicked(int selected);
    // Every 2 seconds: when the track has played to its end, the next entry starts; after the
    // last one MusicIndex becomes -1, and the tick after that starts entry 0. Does nothing while
    // no track is open.
    void endOfTrackCheck();

    // The welcome screen appears: its tune starts.
    static void playWelcomeTune(MediaPlayer &welcome);
    // The welcome screen closes: its tune stops and the game's music list starts. When the list
    // cannot start, reportFailure says why (NoMusic when there is no entry to play); the game then
    // runs without music.
    void handOver(MediaPlayer &welcome);

    // The information given when there is no entry to play.
    static constexpr const char *NoMusicMessage = "There is no list in Music List Option";

private:
    const ListPair *list() const { return m_list ? m_list() : nullptr; }
    void report(Failure kind, const QString &text) const
    {
        if (reportFailure)
            reportFailure(kind, text);
    }

    MediaPlayer &m_player;
    ListLookup m_list;
};

} // namespace lettora
