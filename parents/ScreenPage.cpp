#include "parents/ScreenPage.h"

#include "parents/PageLook.h"
#include "parents/ParentSettings.h"
#include "parents/VoicePage.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace lettora {

ScreenPage::ScreenPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ScreenPage"));
    showCountdown = new QCheckBox(QLatin1String(ShowCountdown), this);
    showCountdown->setChecked(ParentSettingsStore::instance().current().showCountdown);
    keepInGame = new QCheckBox(QLatin1String(KeepChildInGame), this);
    keepInGame->setChecked(ParentSettingsStore::instance().current().keepInGame);

    saveProblem = makeQuietNote(this, "saveProblem");

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(showCountdown);
    layout->addWidget(keepInGame);
    layout->addStretch();
    layout->addWidget(saveProblem);

    connect(showCountdown, &QCheckBox::toggled, this, &ScreenPage::save);
    connect(keepInGame, &QCheckBox::toggled, this, &ScreenPage::save);
}

void ScreenPage::save()
{
    ParentSettings s = ParentSettingsStore::instance().current();
    s.showCountdown = showCountdown->isChecked();
    s.keepInGame = keepInGame->isChecked();
    const bool saved = ParentSettingsStore::instance().save(s);
    saveProblem->setText(saved ? QString() : QLatin1String(VoicePage::NotSaved));
}

} // namespace lettora
