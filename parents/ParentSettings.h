#pragma once

#include <QObject>
#include <QString>

namespace lettora {

// The settings that go beyond the options dialog, chosen by an adult in the parents' corner.
// Kept in "./Data/Lettora.ini" (INI); the options dialog's own files stay as they are.
struct ParentSettings
{
    // Voice
    bool speakWords = true;    // the picture's word when a picture comes, and on the speaker picture
    bool speakLetters = true;  // each letter's name as it is entered
    bool praise = true;        // "Yes! Cat!", "Try again" and the lines of the win and lose pictures
    QString language;          // a language code ("en", "fr", "pt-BR"); empty: the system's language
    int speed = 100;           // percent of the voice's normal pace, 50 .. 200
    // Volumes, each 0 .. 100
    int voiceVolume = 100;
    int effectsVolume = 100;
    int musicVolume = 100;
    // Screen
    bool showCountdown = true;  // the bar beside the picture that empties over its seconds
    bool changeScreen = true;   // the display switches to 800 x 600 at start; else the game scales to it
    bool keepInGame = false;    // the game holds the keyboard and only a grown-up leaves it

    bool operator==(const ParentSettings &) const = default;
};

// The one reader and writer of the parents' settings for the whole program.
class ParentSettingsStore : public QObject
{
    Q_OBJECT
public:
    static ParentSettingsStore &instance();

    const ParentSettings &current() const { return m_current; }

    // Reads the file. A missing or broken file, or a broken value, gives the default of what it
    // could not read; nothing is ever reported.
    void load();
    // Makes `settings` current (changed() follows when they differ) and saves them whole or not at
    // all. False when the file could not be written: the settings still hold for this run.
    bool save(const ParentSettings &settings);
    // Makes `settings` current without writing them (a slider on its way).
    void apply(const ParentSettings &settings);

    // The file's text for the settings, and the settings a text gives (tests drive these).
    static QByteArray format(const ParentSettings &settings);
    static ParentSettings parse(const QString &iniFile);

Q_SIGNALS:
    void changed();

private:
    ParentSettingsStore() = default;
    ParentSettings m_current;
};

} // namespace lettora
