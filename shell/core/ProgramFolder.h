#pragma once

#include <QString>

namespace lettora {

// The folder that holds the executable and the asset tree. Every fixed relative path
// ("./Image/border.bmp") is resolved against it, whatever the current directory is.
class ProgramFolder
{
public:
    static constexpr const char *InstalledMarker = "installed-for-all-users";
    static constexpr const char *CannotCreateFolder = "Cannot create folder \"%1\". %2";

    // Set once at start from the executable's own path; tests point it at a folder of their own.
    static void setRoot(const QString &folder);
    static QString root();

    // The absolute file a fixed relative path names. "./" and ".\" prefixes and both separators
    // are accepted; each component is matched without regard to case when no exact match
    // exists, so "./font/Upper/A.bmp" finds "Font/Upper/A.bmp". A component that matches
    // nothing is kept as written, so an error message names the path that was asked for.
    static QString resolve(const QString &relative);

    // Makes the program folder the process's current directory (file pickers may have moved it).
    static void makeCurrent();

    // Where "./Data/..." resolves. Beside the executable as a rule; but where the program is
    // installed for every user of the machine (the install step leaves InstalledMarker in the
    // program folder) and its Data folder is not writable, each user gets a Data folder of their
    // own (in the user's data folder, "lettora/Data"), filled with the installed lists and
    // settings on first start. The files and their rules stay the same. A copy of the program
    // folder keeps its own Data, whatever it allows. Gives the error to report when the user's
    // folder cannot be made (the installed Data is used then), or an empty text.
    static QString chooseDataFolder();
    static void setDataFolder(const QString &folder);  // empty: the program folder's own
    static QString dataFolder();
};

// The resolution rule itself, on any folder.
QString resolveWithoutCase(const QString &folder, const QString &relative);

} // namespace lettora
