#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace lettora {

// The grown-ups' choices the voice follows, handed to it as values by whoever keeps them.
struct VoiceSettings
{
    bool speakWords = true;    // the picture's word when a picture comes, and on the speaker picture
    bool speakLetters = true;  // each letter's name as it is entered
    bool praise = true;        // "Yes! Cat!", "Try again" and the lines of the win and lose pictures
    QString language;          // a language code ("en", "fr", "pt-BR"); empty: the system's language
    int speed = 100;           // percent of the voice's normal pace
    // Volumes, each 0 .. 100
    int voiceVolume = 100;
    int effectsVolume = 100;
    int musicVolume = 100;

    bool operator==(const VoiceSettings &) const = default;
};

// What the game says aloud, for children who cannot read yet. Every call returns at once and
// never raises: a new line cuts the one before, and without a sound server, a voice or a
// language with a voice the game goes on silently. Speech has a channel of its own, so it never
// cuts a sound effect and no effect cuts it. The parents' settings (on/off, language, speed,
// volume) are followed at each call: they come through setSettings().
class Voice
{
public:
    static Voice &instance();

    // A picture came: its word, as the game compares it, in lower case; or, where a sound file of
    // the picture's own name sits beside it ("cat.jpg" and "cat.wav", ".ogg" or ".mp3"), that file.
    // `pictureName` is the name list's entry, `picturePath` the path list's.
    void sayPictureWord(const QByteArray &pictureName, const QByteArray &picturePath);
    // The same again (the speaker picture).
    void repeatPictureWord();
    // The picture likely to come next: its word is made now, while the child spells, so that it
    // is heard at once when the picture comes (a word said from its recording is not).
    void preparePictureWord(const QByteArray &pictureName);
    // A letter entered: its name ("bee" for B). A name that sounds is not cut by the next letter's,
    // which follows it.
    void sayLetter(char letter);
    // The verdicts: a right answer ("Yes! Cat!"), a wrong one ("Try again"), won, lost.
    void sayRight(const QString &word);
    void sayWrong();
    void sayWin();
    void sayLose();
    // The parents' corner's Try: a sample word with the current settings, even when the spoken
    // words are switched off.
    void sayTry();
    // Stops what is being said.
    void stop();

    struct Language
    {
        QString code;  // "en", "fr", "pt-BR"
        QString name;  // as the language calls itself ("English", "français")
    };
    // The languages that have a voice here, the system's language first.
    QList<Language> languages();
    // The language that speaks: the chosen one; with none chosen, the system's when it has a
    // voice, else English. Empty when there is no voice at all or the chosen language has none.
    QString speakingLanguage();

    // The choices followed from the next call on; changed volumes are applied at once. Kept apart
    // from the voice itself, which setting them does not start.
    static void setSettings(const VoiceSettings &settings);
    static const VoiceSettings &settings();
    // The volumes on the voice and effect channels and the music; called again once the mixer is
    // open.
    static void applyVolumes();
    // Before the mixer closes: stops the line and joins the worker that makes lines; from then on
    // every line is dropped, until start() (the worker's thread begins with the first line after).
    void shutdown();
    void start();
    // Tests: engines from this folder (empty: the system's); the engines are loaded again.
    void setLibraryDir(const QByteArray &dir);
    // Tests: each line as it goes to be made, its parts in order: "word:cat" (with "+recording"
    // when the picture has a path), "letter:B", "right:cat", "wrong", "win", "lose", "try".
    void setLineLog(std::function<void(const QStringList &)> log);
    // Tests: each line made as it goes to the mixer ("play letter:B") or, a letter's name that
    // waits for the one before to end, as it starts waiting ("wait letter:B").
    void setPlayLog(std::function<void(const QString &)> log);
    // Tests: the lines made ahead and kept, least recently used first, each as its text, language
    // and speed on lines of their own.
    QStringList preparedLines();

private:
    Voice();
    ~Voice();
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace lettora
