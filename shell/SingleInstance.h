#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace lettora {

// One game per Data folder: two copies over the same lists would record each other's screen size
// and undo each other's choices. The lock is the one rule: the first copy holds it (the kernel
// frees it when the copy ends, however it ends), a later copy finds it held and leaves.
// It is held on the Data folder itself, which every user who can read the folder can lock
// (whoever made the lock file, and whatever is in its place), and, for copies on other machines
// over a network file system, on the lock file beside the lists where that can be opened.
class InstanceLock
{
public:
    static constexpr const char *FileName = "Lettora.lock";
    static constexpr const char *CannotLock =
        "Cannot lock folder \"%1\", so another game could use the same lists at the same time. %2";
    // A game holds the folder but does not answer: it is another user's, or another machine's.
    static constexpr const char *RunsElsewhere =
        "The game is already running with the lists in \"%1\", for another user or on another computer.";

    explicit InstanceLock(const QString &dataFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Another copy of the game holds the folder: this one leaves.
    bool anotherGameRuns() const { return m_anotherRuns; }
    // Nothing could be locked (a file system without locks): the message to show before running
    // anyway; empty otherwise.
    QString problem() const { return m_problem; }

private:
    int m_folder = -1;
    int m_file = -1;
    bool m_anotherRuns = false;
    QString m_problem;
};

// The running game's door for a later copy: a local socket in the user's runtime folder, named by
// the Data folder. It only carries "come to the front"; who runs is the lock's to say.
class FrontRequests : public QObject
{
    Q_OBJECT
public:
    // The socket's path for the Data folder: XDG_RUNTIME_DIR, or the temporary folder when unset.
    static QString socketPath(const QString &dataFolder);

    // Listens for the copies started later. Only the copy that holds the lock listens: a socket file
    // left there (by a copy that crashed) is nobody's and is replaced.
    explicit FrontRequests(const QString &dataFolder, QObject *parent = nullptr);
    ~FrontRequests() override;
    bool isListening() const { return m_listener >= 0; }

    // Asks the copy that holds the lock to come to the front; false when none answers (another
    // user's or another machine's game, or one that is just starting and does not listen yet,
    // which is asked again for a moment).
    static bool askRunningGame(const QString &dataFolder);

Q_SIGNALS:
    void comeToTheFront();

private:
    void accept();

    QString m_path;
    int m_listener = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace lettora
