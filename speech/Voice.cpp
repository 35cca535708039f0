#include "speech/Voice.h"

// Placeholder until the voice is built: silent, no languages.
namespace lettora {

Voice &Voice::instance()
{
    static Voice voice;
    return voice;
}

void Voice::sayPictureWord(const QByteArray &, const QByteArray &) {}
void Voice::repeatPictureWord() {}
void Voice::sayLetter(char) {}
void Voice::sayRight(const QString &) {}
void Voice::sayWrong() {}
void Voice::sayWin() {}
void Voice::sayLose() {}
void Voice::sayTry() {}
void Voice::stop() {}
QList<Voice::Language> Voice::languages() { return {}; }
QString Voice::speakingLanguage() { return {}; }

} // namespace lettora
