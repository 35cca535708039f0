#include "shell/app/Welcomeunit.h"

#include "game/LettoraUnit.h"
#include "shell/ErrorReport.h"
#include "shell/Memory.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/ScreenScale.h"
#include "shell/WindowLook.h"
#include "shell/core/AssetPaths.h"
#include "shell/core/ProgramFolder.h"
#include "sound/AudioModule.h"
#include "sound/MediaPlayer.h"
#include "sound/MusicPlaylist.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <utility>

namespace lettora {

TFormWelcome *FormWelcome = nullptr;

namespace {
constexpr QSize ClientSize(627, 444);
constexpr int InsideOutlineWidth = 4;
const QColor InsideOutline(0x42, 0x8b, 0xd8);  // the blue of the game's frames
const QColor Navy(0, 0, 128);

// Read when the screen is first drawn, a second after the start: not on the way to the game
// window's first paint.
void decorate(PictureControl *control, const char *path)
{
    control->loadDecorationWhenDrawn(QLatin1String(path));
}
} // namespace

TFormWelcome::TFormWelcome(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint),
      PlayerWelcome(makeMediaPlayer())
{
    // Set before the creation handler: the start-up timer ticks inside its error box and shows
    // this screen.
    FormWelcome = this;
    buildLayout();
    guard([this] { FormCreate(); });
}

TFormWelcome::~TFormWelcome()
{
    if (FormWelcome == this)
        FormWelcome = nullptr;
}

void TFormWelcome::buildLayout()
{
    setObjectName(QStringLiteral("FormWelcome"));
    setWindowTitle(QStringLiteral("Welcome"));
    setModal(false);
    setFixedSize(ClientSize);
    useWhiteBackground(this);
    setFont(layoutFont());

    Label1 = new QLabel(QStringLiteral("Welcome to Lettora"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Liberation Serif has the measures of Times New Roman, so the title fits its place.
    QFont title(QStringLiteral("Liberation Serif"));
    title.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("Times New Roman"), QStringLiteral("DejaVu Serif")});
    title.setStyleHint(QFont::Serif);
    title.setPixelSize(27);
    Label1->setFont(title);
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, Navy);
    Label1->setPalette(navy);
    Label1->setGeometry(32, 8, 240, 31);

    // Layout order: a later control is drawn over an earlier one.
    ImagePanel = new PictureControl(this, QStringLiteral("ImagePanel"), QRect(128, 48, 500, 374));
    BtnPlay = new PictureControl(this, QStringLiteral("BtnPlay"), QRect(16, 304, 100, 50));
    Image4 = new PictureControl(this, QStringLiteral("Image4"), QRect(24, 40, 100, 200));
    ImageShoot = new PictureControl(this, QStringLiteral("ImageShoot"), QRect(224, 240, 132, 132));
    BtnHowTo = new PictureControl(this, QStringLiteral("BtnHowTo"), QRect(16, 360, 100, 50));
    loadDecorations();

    // The two buttons swap their pictures like the game's, without a sound.
    const struct
    {
        PictureControl *button;
        const char *normal;
        const char *pressed;
        void (TFormWelcome::*click)();
    } buttons[] = {{BtnPlay, paths::BtnPlay, paths::BtnPlay2, &TFormWelcome::BtnPlayClick},
                   {BtnHowTo, paths::BtnHowTo, paths::BtnHowTo2, &TFormWelcome::BtnHowToClick}};
    for (const auto &b : buttons) {
        PictureControl *button = b.button;
        const char *normal = b.normal;
        const char *pressed = b.pressed;
        const auto click = b.click;
        button->setClickable(true);
        button->onPress = [button, pressed](Qt::MouseButton) { button->load(QLatin1String(pressed)); };
        button->onRelease = [button, normal](Qt::MouseButton) { button->load(QLatin1String(normal)); };
        button->onClick = [this, click] { (this->*click)(); };
    }
}

void TFormWelcome::FormCreate()
{
    ProgramFolder::makeCurrent();
    BtnPlay->load(QLatin1String(paths::BtnPlay));
    BtnHowTo->load(QLatin1String(paths::BtnHowTo));
}

void TFormWelcome::showOver(QWidget *owner)
{
    // The game window covers the whole output on Wayland, and a compositor may stack it above
    // every other window of the game.
    if (owner && coversWholeScreen()) {
        showInside(owner);
        return;
    }
    if (owner) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->frameGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void TFormWelcome::showInside(QWidget *owner)
{
    if (isWindow() || parentWidget() != owner) {
        setParent(owner, Qt::Widget);
        owner->installEventFilter(this);
    }
    if (!m_outline) {
        // Inside the game window there is no window frame to set the screen apart: an outline
        // above its pictures does.
        auto *outline = new QFrame(this);
        outline->setFrameStyle(QFrame::Box | QFrame::Plain);
        outline->setLineWidth(InsideOutlineWidth);
        QPalette colours = outline->palette();
        colours.setColor(QPalette::WindowText, InsideOutline);
        outline->setPalette(colours);
        outline->setAttribute(Qt::WA_TransparentForMouseEvents);
        outline->setGeometry(rect());
        m_outline = outline;
    }
    m_outline->show();
    m_outline->raise();
    centreInOwner();
    show();
    raise();
    // The game window's keys are not the child's until Play: it takes them, as its own window does.
    setFocus(Qt::OtherFocusReason);
}

void TFormWelcome::centreInOwner()
{
    if (const QWidget *owner = parentWidget(); owner && !isWindow())
        move(QRect(QPoint(), owner->size()).center() - rect().center());
}

bool TFormWelcome::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        centreInOwner();
    return QDialog::eventFilter(watched, event);
}

void TFormWelcome::loadDecorations()
{
    // The panel, the largest picture (0.9 MB at 1.28), is drawn once: no control moves over it
    // while the screen is up, and the help that a click puts there is another picture.
    ImagePanel->loadDecorationForOneDrawing(QLatin1String(paths::WelcomeIntro));
    decorate(Image4, paths::WelcomeBubbles);
    decorate(ImageShoot, paths::WelcomeGameView);
}

// The screen comes once a run: once it is closed, its pictures and its window's buffer go (about
// 4 MB at 1.28). Shown again, it is made anew.
void TFormWelcome::releaseWhileHidden()
{
    if (isVisible() || m_released)
        return;
    for (PictureControl *control : {ImagePanel, BtnPlay, Image4, ImageShoot, BtnHowTo})
        control->clearPicture();
    destroy();
    m_released = true;
    giveBackFreeMemory();
}

void TFormWelcome::showEvent(QShowEvent *event)
{
    if (std::exchange(m_released, false)) {
        // As it was first made: the introduction, not the help a click may have put there.
        loadDecorations();
        ImageShoot->show();
        guard([this] { FormCreate(); });
    }
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guard([this] { FormShow(); });
}

void TFormWelcome::FormShow()
{
    MusicPlaylist::playWelcomeTune(*PlayerWelcome);
}

void TFormWelcome::BtnHowToClick()
{
    ImagePanel->load(QLatin1String(paths::PanelHelp));
    ImageShoot->hide();
}

void TFormWelcome::BtnPlayClick()
{
    close();
}

void TFormWelcome::closeEvent(QCloseEvent *event)
{
    guard([this] { FormClose(); });
    QDialog::closeEvent(event);  // hidden, not destroyed
    QTimer::singleShot(0, this, [this] { releaseWhileHidden(); });
}

void TFormWelcome::FormClose()
{
    FormLettora->playlist.handOver(*PlayerWelcome);
    FormLettora->prepareStartWord();
}

void TFormWelcome::keyPressEvent(QKeyEvent *event)
{
    event->accept();  // no key does anything here; Escape does not close it
}

} // namespace lettora
