#include "parents/ScreenPage.h"

#include "parents/PageLook.h"
#include "parents/ParentSettings.h"
#include "parents/VoicePage.h"

#include <QCheckBox>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace lettora {

ScreenPage::ScreenPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScreenPage"));
    showCountdown = new QCheckBox(QLatin1String(ShowCountdown), this);
    showCountdown->setChecked(ParentSettingsStore::instance().current().showCountdown);
    changeScreen = new QCheckBox(QLatin1String(ChangeScreen), this);
    changeScreen->setObjectName(QStringLiteral("changeScreen"));
    changeScreen->setChecked(ParentSettingsStore::instance().current().changeScreen);
    QLabel *changeScreenNote = makeQuietNote(this, "changeScreenNote");
    changeScreenNote->setText(QLatin1String(ChangeScreenNote));
    // Under the box's text, not under the box.
    changeScreenNote->setIndent(style()->pixelMetric(QStyle::PM_IndicatorWidth)
                                + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    keepInGame = new QCheckBox(QLatin1String(KeepChildInGame), this);
    keepInGame->setChecked(ParentSettingsStore::instance().current().keepInGame);

    saveProblem = makeQuietNote(this, "saveProblem");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(showCountdown);
    layout->addWidget(changeScreen);
    layout->addWidget(changeScreenNote);
    layout->addWidget(keepInGame);
    layout->addStretch();
    layout->addWidget(saveProblem);

    connect(showCountdown, &QCheckBox::toggled, this, &ScreenPage::save);
    connect(changeScreen, &QCheckBox::toggled, this, &ScreenPage::save);
    connect(keepInGame, &QCheckBox::toggled, this, &ScreenPage::save);
}

void ScreenPage::save()
{
    ParentSettings s = ParentSettingsStore::instance().current();
    s.showCountdown = showCountdown->isChecked();
    s.changeScreen = changeScreen->isChecked();
    s.keepInGame = keepInGame->isChecked();
    const bool saved = ParentSettingsStore::instance().save(s);
    saveProblem->setText(saved ? QString() : QLatin1String(VoicePage::NotSaved));
}

} // namespace lettora
