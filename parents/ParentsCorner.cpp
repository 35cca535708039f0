#include "parents/ParentsCorner.h"

#include "parents/AdultGate.h"
#include "parents/PicturesPage.h"
#include "parents/ProgressPage.h"
#include "parents/ScreenPage.h"
#include "parents/VoicePage.h"
#include "settings/OptionUnit.h"
#include "shell/Memory.h"
#include "shell/WindowLook.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lettora {

namespace {
// Centred over `over`; kept above it by the stay-on-top hint, as `over` may stay on top itself.
int execOver(QDialog &dialog, QWidget *over)
{
    if (over) {
        QRect frame = dialog.frameGeometry();
        frame.moveCenter(over->frameGeometry().center());
        dialog.move(frame.topLeft());
    }
    return dialog.exec();
}
} // namespace

ParentsCorner::ParentsCorner(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ParentsCorner"));
    setWindowTitle(QLatin1String(Caption));
    setModal(true);
    setFixedSize(Size);
    useWhiteBackground(this);
    setFont(layoutFont());

    pages = new QTabWidget(this);
    voicePage = addPage(new VoicePage, VoicePage::Title);
    if (FormOption)
        addPage(new PicturesPage(FormOption->pictures), PicturesPage::Title);
    progressPage = addPage(new ProgressPage, ProgressPage::Title);
    screenPage = addPage(new ScreenPage, ScreenPage::Title);

    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setAutoDefault(false);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);
}

template<typename Page>
Page *ParentsCorner::addPage(Page *page, const char *title)
{
    useWhiteBackground(page);
    pages->addTab(page, QLatin1String(title));
    return page;
}

bool grownUpAnswers(QWidget *over, const char *explanation)
{
    AdultGate gate(over, QRandomGenerator::global()->generate(), explanation);
    return execOver(gate, over) == QDialog::Accepted;
}

void openParentsCorner(QWidget *over)
{
    if (!grownUpAnswers(over, AdultGate::ToOpenTheCorner))
        return;
    {
        ParentsCorner corner(over);
        execOver(corner, over);
    }
    // The pages' pictures and tables are gone with the corner: their memory goes back too.
    giveBackFreeMemory();
}

} // namespace lettora
