#pragma once

#include "parents/ParentSettings.h"
#include "speech/Voice.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace lettora {

// The parents' corner's "Voice" page: what the game says, in which language, how fast, and the
// three volumes. Every change takes effect at once and is saved; a save that fails is said in one
// quiet line on the page.
class VoicePage : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *Title = "Voice";
    static constexpr const char *NoVoiceAtAll = "No voice is installed on this computer; the game stays silent.";
    static constexpr const char *NoVoiceSilent = "No voice is installed for this language; the game stays silent.";
    static constexpr const char *NotSaved = "The settings could not be saved; they hold until the game is closed.";

    // Where the page learns which languages have a voice and which one speaks (tests give their own).
    struct LanguageSource
    {
        std::function<QList<Voice::Language>()> languages;
        std::function<QString()> speaking;
    };
    static LanguageSource voiceLanguages();

    // A language's name as the list shows it: its own name where a font here has its letters,
    // else its name in English ("Amharic").
    static QString shownName(const QString &code, const QString &name);

    explicit VoicePage(LanguageSource source = voiceLanguages(), QWidget *parent = nullptr);

    // The settings as the page shows them.
    ParentSettings shown() const;

    QCheckBox *speakWords = nullptr;
    QCheckBox *speakLetters = nullptr;
    QCheckBox *praise = nullptr;
    QComboBox *language = nullptr;
    QLabel *languageNote = nullptr;
    QSlider *speed = nullptr;
    QPushButton *tryButton = nullptr;
    QSlider *voiceVolume = nullptr;
    QSlider *effectsVolume = nullptr;
    QSlider *musicVolume = nullptr;
    QLabel *saveProblem = nullptr;

private:
    void save();
    void updateLanguageNote();
    QString languageName(const QString &code) const;

    LanguageSource m_source;
    QList<Voice::Language> m_languages;
    QString m_language;  // the chosen code; empty while the system's language is followed
};

} // namespace lettora
