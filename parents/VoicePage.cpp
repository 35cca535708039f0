#include "parents/VoicePage.h"

#include "parents/PageLook.h"

#include <QCheckBox>
#include <QComboBox>
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
        language->addItem(l.name, l.code);
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
            return l.name;
    }
    const QString own = QLocale(code).nativeLanguageName();
    return own.isEmpty() || QLocale(code).language() == QLocale::C ? code : own;
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
