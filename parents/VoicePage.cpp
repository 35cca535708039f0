#include "parents/VoicePage.h"

#include "parents/PageLook.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QAbstractItemView>
#include <QLocale>
#include <QScrollBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace lettora {

namespace {
constexpr const char *PercentText = "%1 %";
constexpr int MinimumLanguageLetters = 12;

// A slider with its value written beside it.
QSlider *addSlider(QGridLayout *grid, int row, const QString &caption, int low, int high, int value)
{
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setRange(low, high);
    slider->setPageStep(10);
    slider->setValue(value);
    auto *shown = new QLabel(QString::fromLatin1(PercentText).arg(value));
    shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QString::fromLatin1(PercentText).arg(high)));
    shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(slider, &QSlider::valueChanged, shown,
                     [shown](int v) { shown->setText(QString::fromLatin1(PercentText).arg(v)); });
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(shown, row, 2);
    return slider;
}
} // namespace

namespace {
// The writing system Qt's font database files a script under; -1 for the scripts it does not know.
int writingSystemOf(QChar::Script script)
{
    switch (script) {
    case QChar::Script_Latin: return QFontDatabase::Latin;
    case QChar::Script_Greek: return QFontDatabase::Greek;
    case QChar::Script_Cyrillic: return QFontDatabase::Cyrillic;
    case QChar::Script_Armenian: return QFontDatabase::Armenian;
    case QChar::Script_Hebrew: return QFontDatabase::Hebrew;
    case QChar::Script_Arabic: return QFontDatabase::Arabic;
    case QChar::Script_Syriac: return QFontDatabase::Syriac;
    case QChar::Script_Thaana: return QFontDatabase::Thaana;
    case QChar::Script_Devanagari: return QFontDatabase::Devanagari;
    case QChar::Script_Bengali: return QFontDatabase::Bengali;
    case QChar::Script_Gurmukhi: return QFontDatabase::Gurmukhi;
    case QChar::Script_Gujarati: return QFontDatabase::Gujarati;
    case QChar::Script_Oriya: return QFontDatabase::Oriya;
    case QChar::Script_Tamil: return QFontDatabase::Tamil;
    case QChar::Script_Telugu: return QFontDatabase::Telugu;
    case QChar::Script_Kannada: return QFontDatabase::Kannada;
    case QChar::Script_Malayalam: return QFontDatabase::Malayalam;
    case QChar::Script_Sinhala: return QFontDatabase::Sinhala;
    case QChar::Script_Thai: return QFontDatabase::Thai;
    case QChar::Script_Lao: return QFontDatabase::Lao;
    case QChar::Script_Tibetan: return QFontDatabase::Tibetan;
    case QChar::Script_Myanmar: return QFontDatabase::Myanmar;
    case QChar::Script_Georgian: return QFontDatabase::Georgian;
    case QChar::Script_Khmer: return QFontDatabase::Khmer;
    case QChar::Script_Han: return QFontDatabase::SimplifiedChinese;
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana: return QFontDatabase::Japanese;
    case QChar::Script_Hangul: return QFontDatabase::Korean;
    case QChar::Script_Ogham: return QFontDatabase::Ogham;
    case QChar::Script_Runic: return QFontDatabase::Runic;
    case QChar::Script_Nko: return QFontDatabase::Nko;
    default: return -1;
    }
}

// True when some font here has the script's letters. Asked of the font database, without laying
// any text out: laying out a script no font has makes Qt look for one, and warn, each time.
bool haveFontFor(char32_t letter)
{
    static QHash<int, bool> known;
    const QChar::Script script = QChar::script(letter);
    if (script <= QChar::Script_Common)
        return true;
    const auto found = known.constFind(int(script));
    if (found != known.constEnd())
        return *found;
    bool have = false;
    const int system = writingSystemOf(script);
    if (system >= 0) {
        have = !QFontDatabase::families(QFontDatabase::WritingSystem(system)).isEmpty();
    } else {
        const QStringList families = QFontDatabase::families();
        have = std::any_of(families.begin(), families.end(),
                           [letter](const QString &f) { return QFontMetrics(QFont(f)).inFontUcs4(letter); });
    }
    known.insert(int(script), have);
    return have;
}
} // namespace

QString VoicePage::shownName(const QString &code, const QString &name)
{
    const QList<uint> letters = name.toUcs4();
    if (std::all_of(letters.begin(), letters.end(), [](uint c) { return haveFontFor(char32_t(c)); }))
        return name;
    const QLocale locale(code);
    QString english = locale.language() == QLocale::C ? code : QLocale::languageToString(locale.language());
    const qsizetype variant = name.indexOf(QStringLiteral(" ["));
    if (variant >= 0)
        english += name.mid(variant);
    return english;
}

VoicePage::LanguageSource VoicePage::voiceLanguages()
{
    return {[] { return Voice::instance().languages(); }, [] { return Voice::instance().speakingLanguage(); }};
}

VoicePage::VoicePage(LanguageSource source, QWidget *parent) : QWidget(parent), m_source(std::move(source))
{
    setObjectName(QStringLiteral("VoicePage"));
    const ParentSettings &now = ParentSettingsStore::instance().current();
    m_languages = m_source.languages();
    m_language = now.language;

    auto *speech = new QGroupBox(QStringLiteral("Speech"), this);
    speakWords = new QCheckBox(QStringLiteral("Say the word of each picture"), speech);
    speakLetters = new QCheckBox(QStringLiteral("Say the name of each letter"), speech);
    praise = new QCheckBox(QStringLiteral("Praise and encourage"), speech);
    speakWords->setChecked(now.speakWords);
    speakLetters->setChecked(now.speakLetters);
    praise->setChecked(now.praise);

    // The languages that have a voice, the system's first; a chosen language without a voice
    // stays in the list as it is, so that the choice is kept and the note below explains it.
    language = new QComboBox(speech);
    for (const Voice::Language &l : m_languages)
        language->addItem(shownName(l.code, l.name), l.code);
    if (!m_language.isEmpty() && language->findData(m_language) < 0)
        language->addItem(languageName(m_language), m_language);
    const QString selected = m_language.isEmpty() ? m_source.speaking() : m_language;
    language->setCurrentIndex(std::max(0, language->findData(selected)));
    // The longest of a hundred names would widen the page past the corner, and a page squeezed
    // below its minimum cuts its wrapped note: the box takes the room there is, its list what
    // the names need.
    language->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    language->setMinimumContentsLength(MinimumLanguageLetters);
    language->view()->setMinimumWidth(language->view()->sizeHintForColumn(0)
                                      + language->view()->verticalScrollBar()->sizeHint().width());
    language->setEnabled(language->count() > 0);
    languageNote = new QLabel(speech);
    languageNote->setObjectName(QStringLiteral("languageNote"));
    languageNote->setWordWrap(true);

    auto *speechGrid = new QGridLayout(speech);
    speechGrid->addWidget(speakWords, 0, 0, 1, 3);
    speechGrid->addWidget(speakLetters, 1, 0, 1, 3);
    speechGrid->addWidget(praise, 2, 0, 1, 3);
    speechGrid->addWidget(new QLabel(QStringLiteral("Language")), 3, 0);
    speechGrid->addWidget(language, 3, 1, 1, 2);
    speechGrid->addWidget(languageNote, 4, 1, 1, 3);
    speed = addSlider(speechGrid, 5, QStringLiteral("Speed"), 50, 200, now.speed);
    tryButton = new QPushButton(QStringLiteral("Try"), speech);
    tryButton->setAutoDefault(false);
    speechGrid->addWidget(tryButton, 5, 3);
    speechGrid->setColumnStretch(1, 1);

    auto *volumes = new QGroupBox(QStringLiteral("Volume"), this);
    auto *volumeGrid = new QGridLayout(volumes);
    voiceVolume = addSlider(volumeGrid, 0, QStringLiteral("Voice"), 0, 100, now.voiceVolume);
    effectsVolume = addSlider(volumeGrid, 1, QStringLiteral("Sound effects"), 0, 100, now.effectsVolume);
    musicVolume = addSlider(volumeGrid, 2, QStringLiteral("Music"), 0, 100, now.musicVolume);
    volumeGrid->setColumnStretch(1, 1);
    // The two groups' captions line up.
    const int captionWidth = fontMetrics().horizontalAdvance(QStringLiteral("Sound effects")) + 8;
    speechGrid->setColumnMinimumWidth(0, captionWidth);
    volumeGrid->setColumnMinimumWidth(0, captionWidth);
    volumeGrid->setColumnMinimumWidth(3, tryButton->sizeHint().width());

    saveProblem = makeQuietNote(this, "saveProblem");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(speech);
    layout->addWidget(volumes);
    layout->addStretch();
    layout->addWidget(saveProblem);

    for (QCheckBox *box : {speakWords, speakLetters, praise})
        connect(box, &QCheckBox::toggled, this, &VoicePage::save);
    connect(language, &QComboBox::activated, this, [this](int index) {
        m_language = language->itemData(index).toString();
        save();
    });
    // While a slider is dragged its value takes effect at once; the file is written when it is let go.
    for (QSlider *slider : {speed, voiceVolume, effectsVolume, musicVolume}) {
        connect(slider, &QSlider::valueChanged, this, [this, slider] {
            if (slider->isSliderDown())
                ParentSettingsStore::instance().apply(shown());
            else
                save();
        });
        connect(slider, &QSlider::sliderReleased, this, &VoicePage::save);
    }
    connect(tryButton, &QPushButton::clicked, this, [this] {
        save();
        Voice::instance().sayTry();
    });
    updateLanguageNote();
}

ParentSettings VoicePage::shown() const
{
    ParentSettings s = ParentSettingsStore::instance().current();  // other pages' settings stay
    s.speakWords = speakWords->isChecked();
    s.speakLetters = speakLetters->isChecked();
    s.praise = praise->isChecked();
    s.language = m_language;
    s.speed = speed->value();
    s.voiceVolume = voiceVolume->value();
    s.effectsVolume = effectsVolume->value();
    s.musicVolume = musicVolume->value();
    return s;
}

void VoicePage::save()
{
    const bool saved = ParentSettingsStore::instance().save(shown());
    saveProblem->setText(saved ? QString() : QLatin1String(NotSaved));
    updateLanguageNote();
}

QString VoicePage::languageName(const QString &code) const
{
    for (const Voice::Language &l : m_languages) {
        if (l.code == code)
            return shownName(l.code, l.name);
    }
    const QString own = QLocale(code).nativeLanguageName();
    return own.isEmpty() || QLocale(code).language() == QLocale::C ? code : shownName(code, own);
}

void VoicePage::updateLanguageNote()
{
    QString note;
    if (m_languages.isEmpty()) {
        note = QLatin1String(NoVoiceAtAll);
    } else if (!m_language.isEmpty() && m_source.speaking().isEmpty()) {
        // A chosen language without a voice is never spoken in another's.
        note = QLatin1String(NoVoiceSilent);
    }
    languageNote->setText(note);
    languageNote->setVisible(!note.isEmpty());
}

} // namespace lettora
