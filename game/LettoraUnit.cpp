#include "game/LettoraUnit.h"

#include "game/CountdownBar.h"
#include "game/rules/GameRules.h"
#include "parents/KeepInGame.h"
#include "parents/ParentSettings.h"
#include "parents/ParentsCorner.h"
#include "parents/ProgressRecorder.h"
#include "settings/IntSettings.h"
#include "settings/OptionUnit.h"
#include "shell/DisplaySize.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/ScreenScale.h"
#include "shell/WindowLook.h"
#include "shell/core/AssetPaths.h"
#include "shell/core/ProgramFolder.h"
#include "sound/AudioModule.h"
#include "sound/Effects.h"
#include "sound/MediaPlayer.h"
#include "speech/Voice.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace lettora {

TFormLettora *FormLettora = nullptr;

namespace {
constexpr QSize GameDisplaySize = DesignScreenSize;
constexpr QRect DesignedClient(3, 3, 790, 534);
constexpr int DesignedShowInterval = 3000;
constexpr int MusicInterval = 2000;
constexpr QSize ShowPictureSize(220, 220);
constexpr QRect SpeakerPlace(310, 70, 64, 64);  // in the sky between the frame and the lives
constexpr QRect CountdownPlace(292, 40, 16, 220);  // on the frame's right edge, as tall as the picture
constexpr const char *NoPicturesMessage = "There is no list of picture in Image List.Please add image in list first";
constexpr const char *NoPicturePathMessage = "The picture path list has no entry %1 (for \"%2\")";
} // namespace

TFormLettora::TFormLettora(QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint), Musik(makeMediaPlayer()),
      playlist(*Musik, [] { return FormOption ? &FormOption->music : nullptr; })
{
    // The global names the window from the start: a box in the creation handler runs the event
    // loop, and what ticks there may reach for it.
    FormLettora = this;
    buildLayout();
    // Whether to switch is the desktop's own factor's to say, read before the program sets one; the
    // factor for the screen as it stands comes before any box the creation raises.
    ChangeScreen = ParentSettingsStore::instance().current().changeScreen && screenScaler().factor() <= 1.0;
    ScreenFit::instance().fit(false);
    guard([this] { FormCreate(); });
    // Where the display was not switched (refused, unavailable, turned off, or the creation
    // stopped short of it), every window of the program is drawn larger to fill the screen.
    ScreenFit::instance().fit(DisplaySwitched);
}

TFormLettora::~TFormLettora()
{
    if (FormLettora == this)
        FormLettora = nullptr;
}

void TFormLettora::buildLayout()
{
    setObjectName(QStringLiteral("FormLettora"));
    // The window has no border, so its caption shows only on the taskbar: the program's title.
    setWindowTitle(currentApplicationTitle());
    setGeometry(DesignedClient);
    setFocusPolicy(Qt::StrongFocus);
    setFont(layoutFont());

    // The playing surface: 800 x 600, the size the display switches to. Where the screen stays
    // larger (no switch possible), it sits in the middle of the window.
    Stage = new QWidget(this);
    Stage->setObjectName(QStringLiteral("Stage"));
    Stage->resize(GameDisplaySize);

    // Stacking follows the layout order: later controls lie above earlier ones.
    Background = new PictureControl(Stage, QStringLiteral("Background"), QRect(0, 0, 790, 534));
    Background->setAutoSize(false);

    for (const LetterInfo &info : Letters) {
        auto *image = new PictureControl(Stage, QString(QLatin1Char(info.letter)), info.keyboard);
        image->setClickable(true);
        const char letter = info.letter;
        image->onClick = [this, letter] { LetterClick(letter); };
        keyboard[letter - 'A'] = image;
    }

    BtnStart = new PictureControl(Stage, QStringLiteral("BtnStart"), QRect(656, 48, 100, 75));
    BtnReset = new PictureControl(Stage, QStringLiteral("BtnReset"), QRect(656, 136, 100, 75));
    BtnOption = new PictureControl(Stage, QStringLiteral("BtnOption"), QRect(656, 224, 100, 75));
    BtnExit = new PictureControl(Stage, QStringLiteral("BtnExit"), QRect(656, 304, 100, 75));
    BtnOK = new PictureControl(Stage, QStringLiteral("BtnOK"), QRect(672, 432, 70, 70));
    BtnClear = new PictureControl(Stage, QStringLiteral("BtnClear"), QRect(672, 512, 70, 50));
    makeImageButton(BtnStart, paths::BtnStart, paths::BtnStart2, &TFormLettora::BtnStartClick);
    makeImageButton(BtnReset, paths::BtnReset, paths::BtnReset2, &TFormLettora::BtnResetClick);
    makeImageButton(BtnOption, paths::BtnOption, paths::BtnOption2, &TFormLettora::BtnOptionClick, true);
    makeImageButton(BtnExit, paths::BtnExit, paths::BtnExit2, &TFormLettora::BtnExitClick);
    makeImageButton(BtnOK, paths::BtnOK, paths::BtnOK2, &TFormLettora::BtnOKClick);
    makeImageButton(BtnClear, paths::BtnClear, paths::BtnClear2, &TFormLettora::BtnClearClick);

    Panel1 = new QFrame(Stage);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(48, 288, 561, 97);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    QPalette silver = Panel1->palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    Panel1->setPalette(silver);

    ScrollBox1 = new QScrollArea(Panel1);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(8, 8, 545, 81);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
    makeThin(ScrollBox1->horizontalScrollBar());
    answerContent = new QWidget;
    answerContent->setObjectName(QStringLiteral("AnswerRowContent"));
    answerContent->setAutoFillBackground(true);
    QPalette white = answerContent->palette();
    white.setColor(QPalette::Window, Qt::white);
    answerContent->setPalette(white);
    ScrollBox1->viewport()->setPalette(white);
    ScrollBox1->viewport()->setAutoFillBackground(true);
    for (int slot = 1; slot <= AnswerRow::Slots; ++slot)
        Huruf[slot] = new PictureControl(answerContent, QStringLiteral("Huruf%1").arg(slot),
                                         QRect(AnswerRow::homeLeft(slot), AnswerRow::HomeTop, 17, 50));
    answerContent->resize(545, 81);
    ScrollBox1->setWidget(answerContent);

    ImageShow = new PictureControl(Stage, QStringLiteral("ImageShow"), QRect(64, 40, 220, 220));
    ImageShow->setStretchedTo(ShowPictureSize);
    TimerShow = new EventTimer(this, DesignedShowInterval, false);
    TimerShow->setObjectName(QStringLiteral("TimerShow"));
    TimerShow->onTimer = [this] { TimerShowTimer(); };
    Countdown = new CountdownBar(Stage);
    Countdown->setGeometry(CountdownPlace);
    connect(TimerShow, &EventTimer::countdownStarted, Countdown, &CountdownBar::start);
    connect(TimerShow, &EventTimer::countdownStopped, Countdown, &CountdownBar::stop);
    auto followSetting = [this] { Countdown->setWanted(ParentSettingsStore::instance().current().showCountdown); };
    connect(&ParentSettingsStore::instance(), &ParentSettingsStore::changed, Countdown, followSetting);
    followSetting();
    // Says the picture's word again, beside the picture's frame.
    BtnSpeaker = new PictureControl(Stage, QStringLiteral("BtnSpeaker"), SpeakerPlace);
    makeImageButton(BtnSpeaker, paths::BtnSpeaker, paths::BtnSpeaker2, &TFormLettora::BtnSpeakerClick);
    ImageMenang = new PictureControl(Stage, QStringLiteral("ImageMenang"), QRect(80, 56, 105, 105));
    ImageMenang->hide();
    Nyawa[1] = new PictureControl(Stage, QStringLiteral("Nyawa1"), QRect(432, 56, 50, 50));
    Nyawa[2] = new PictureControl(Stage, QStringLiteral("Nyawa2"), QRect(488, 56, 50, 50));
    Nyawa[3] = new PictureControl(Stage, QStringLiteral("Nyawa3"), QRect(544, 56, 50, 50));
    TimerMusic = new EventTimer(this, MusicInterval, false);
    TimerMusic->setObjectName(QStringLiteral("TimerMusic"));
    TimerMusic->onTimer = [this] { TimerMusicTimer(); };
    playlist.enableTimer = [this] { TimerMusic->setEnabled(true); };
    playlist.setMusicOn = [](bool on) { FormOption->setMusicOnChecked(on); };
    playlist.reportFailure = [](MusicPlaylist::Failure kind, const QString &text) {
        if (kind == MusicPlaylist::Failure::Error)
            reportError(text);
        else
            showInformation(text);
    };

    // The answer row's panel lies above every picture control.
    Panel1->raise();
}

void TFormLettora::makeImageButton(PictureControl *button, const char *normal, const char *pressed,
                                   void (TFormLettora::*click)(), bool pressSound)
{
    button->setClickable(true);
    button->onPress = [button, pressed, pressSound](Qt::MouseButton) {
        ProgramFolder::makeCurrent();
        button->load(QLatin1String(pressed));
        if (pressSound)
            PlayEffect(QLatin1String(paths::ButtonSound));
    };
    button->onRelease = [button, normal](Qt::MouseButton) {
        ProgramFolder::makeCurrent();
        button->load(QLatin1String(normal));
    };
    button->onClick = [this, click] { (this->*click)(); };
}

void TFormLettora::FormCreate()
{
    GameStarted = false;
    const QSize screen = PrimaryScreenSize();
    SavedScreenWidth = screen.width();
    SavedScreenHeight = screen.height();
    ProgramFolder::makeCurrent();

    Background->load(QLatin1String(paths::Border));
    // Whatever the picture does not cover takes the colour of its bottom-right corner.
    const QImage border = Background->pixmap().toImage();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, border.pixelColor(border.width() - 1, border.height() - 1));
    setPalette(pal);
    setAutoFillBackground(true);
    for (int i = 1; i <= 3; ++i)
        Nyawa[i]->load(QLatin1String(paths::Life));
    BtnStart->load(QLatin1String(paths::BtnStart));
    BtnReset->load(QLatin1String(paths::BtnReset));
    BtnOption->load(QLatin1String(paths::BtnOptionAtCreation));
    BtnExit->load(QLatin1String(paths::BtnExit));
    BtnOK->load(QLatin1String(paths::BtnOK));
    BtnClear->load(QLatin1String(paths::BtnClear));
    BtnSpeaker->load(QLatin1String(paths::BtnSpeaker));

    row.NextLetterLeft = 3;
    PictureCursor = 0;
    Lives = 3;
    playlist.MusicIndex = 0;

    const std::int32_t seconds = ReadIntSetting(QLatin1String(paths::TimerSetting), IntSettingDefaults::Timer);
    RandomMode = ReadIntSetting(QLatin1String(paths::RandomSetting), IntSettingDefaults::Random) == 1;
    UpperCaseMode = ReadIntSetting(QLatin1String(paths::FontSetting), IntSettingDefaults::Font) == 1;

    if (UpperCaseMode)
        LoadUpperCaseSet();
    else
        LoadLowerCaseSet();

    // The parents may keep the screen as it is: then there is nothing to switch or put back. A
    // desktop that already draws its windows larger (a high-density screen) is not switched
    // either: at 800 x 600 it would show a quarter of the game (decided before the creation).
    if (ChangeScreen) {
        SetDisplaySize(GameDisplaySize.width(), GameDisplaySize.height());
        const QSize now = DisplayRestore::instance().arm(QSize(SavedScreenWidth, SavedScreenHeight));
        DisplaySwitched = now == GameDisplaySize;
    }

    TimerShow->setInterval(qint64(seconds) * 1000);
}

void TFormLettora::showAsMainWindow()
{
    // The window takes the screen's size and follows it, scaled with the rest of the program.
    ScreenFit::instance().follow(this);
    // A Wayland client cannot place or size itself on the desktop: it asks for the whole output.
    if (coversWholeScreen()) {
        showFullScreen();
        return;
    }
    showMaximized();
}

void TFormLettora::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Stage->move(std::max(0, (width() - Stage->width()) / 2), std::max(0, (height() - Stage->height()) / 2));
    // The background fills the playing surface; its picture is drawn at its own size.
    Background->resize(Stage->size());
}

void TFormLettora::LetterClick(char letter)
{
    const int slot = FindFreeSlot();
    if (slot > AnswerRow::Slots)
        return; // the row is full: the 21st letter is ignored, silently
    row.storeLetter(slot, letter);
    const LetterCase set = UpperCaseMode ? LetterCase::Upper : LetterCase::Lower;
    PlaceLetter(slot, answerPath(set, letter), row.NextLetterLeft, answerTop(set, letter));
    row.markFilled(slot);
    row.NextLetterLeft += letterImage(letter)->width();
    Voice::instance().sayLetter(letter);
}

void TFormLettora::PlaceLetter(int slot, const QString &path, int left, int top)
{
    ProgramFolder::makeCurrent();
    PictureControl *image = Huruf[slot];
    image->load(path);
    image->move(left, top);
    fitAnswerContent();
    // Once the row is wider than the box, keep the newest letter in view.
    ScrollBox1->ensureWidgetVisible(image, 0, 0);
    PlayEffect(QLatin1String(paths::ClickSound));
}

void TFormLettora::fitAnswerContent()
{
    int right = 0;
    for (int slot = 1; slot <= AnswerRow::Slots; ++slot) {
        if (Huruf[slot]->hasPicture())
            right = std::max(right, Huruf[slot]->geometry().right() + 1);
    }
    const int width = std::max(ScrollBox1->width(), right + AnswerRow::HomeTop);
    const int height = ScrollBox1->height()
        - (width > ScrollBox1->width() ? ScrollBox1->horizontalScrollBar()->sizeHint().height() : 0);
    answerContent->resize(width, height);
}

void TFormLettora::ClearAnswerRow()
{
    for (int slot = 1; slot <= AnswerRow::Slots; ++slot)
        Huruf[slot]->clearPicture();
    for (int slot = 1; slot <= AnswerRow::Slots; ++slot)
        Huruf[slot]->move(AnswerRow::homeLeft(slot), AnswerRow::HomeTop);
    row.NextLetterLeft = 3;
    fitAnswerContent();
}

void TFormLettora::BtnClearClick()
{
    ClearAnswerRow();
    row.clearFlags();
    PlayEffect(QLatin1String(paths::ClearSound));
}

void TFormLettora::FormKeyDown(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        LetterClick(char('A' + (key - Qt::Key_A)));
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        BtnOKClick();
    if (key == Qt::Key_Escape)
        BtnClearClick();
}

void TFormLettora::keyPressEvent(QKeyEvent *event)
{
    // Letters come from the physical key, so that any keyboard layout can type them.
    const int key = designedKeyCode(event->nativeScanCode(), event->key());
    guard([this, key] { FormKeyDown(key); });
}

void TFormLettora::LoadKeyboardLetter(int setKind, PictureControl *image, const QString &fileName)
{
    if (setKind == int(LetterCase::Upper))
        image->load(QLatin1String(paths::KeyboardUpperFolder) + fileName);
    else if (setKind == int(LetterCase::Lower))
        image->load(QLatin1String(paths::KeyboardLowerFolder) + fileName);
}

void TFormLettora::loadSet(LetterCase set)
{
    ProgramFolder::makeCurrent();
    for (const LetterInfo &info : Letters)
        LoadKeyboardLetter(int(set), letterImage(info.letter), letterFileName(info.letter));
    for (const KeyboardCorrection &c : KeyboardCorrections) {
        const int value = set == LetterCase::Upper ? c.upper : c.lower;
        if (value == KeyboardCorrection::NotSet)
            continue;
        PictureControl *image = letterImage(c.letter);
        if (c.property == KeyboardCorrection::Left)
            image->move(value, image->y());
        else
            image->move(image->x(), value);
    }
}

void TFormLettora::setSecondsPerPicture(std::int32_t seconds)
{
    // In 64 bits: seconds whose milliseconds do not fit in 32 bits give a timer that never fires.
    TimerShow->setInterval(qint64(seconds) * 1000);
}

void TFormLettora::setUpperCase(bool upper)
{
    if (upper)
        LoadUpperCaseSet();
    else
        LoadLowerCaseSet();
    UpperCaseMode = upper;
}

void TFormLettora::musicOnChanged(bool on)
{
    playlist.musicOnChanged(on);
}

void TFormLettora::musicNameChosen(int index)
{
    playlist.nameChosen(index);
}

void TFormLettora::musicNameDoubleClicked(int index)
{
    playlist.nameDoubleClicked(index);
}

void TFormLettora::openParentsCorner(QWidget *over)
{
    lettora::openParentsCorner(over);
}

void TFormLettora::LoadUpperCaseSet()
{
    loadSet(LetterCase::Upper);
}

void TFormLettora::LoadLowerCaseSet()
{
    loadSet(LetterCase::Lower);
}

void TFormLettora::LoadPicture(int index)
{
    const ListPair &pictures = FormOption->pictures;
    // Both entries are read before anything changes: a picture or a name that is missing (name
    // and path files of different lengths) keeps the previous picture and word.
    if (index >= pictures.pathCount() && index < pictures.nameCount())
        throw Error(QString::fromLatin1(NoPicturePathMessage)
                        .arg(index)
                        .arg(ListPair::displayShort(pictures.name(index))));
    const QByteArray file = ListPair::localFile(pictures.rawPath(index));
    const QByteArray name = pictures.name(index);
    ImageShow->loadFile(file);
    // Only once the picture is in: a picture that fails keeps the previous word.
    TargetWord = wordOfPicture(name);
    ProgressRecorder::instance().pictureShown();
    Voice::instance().sayPictureWord(name, file);
    if (index + 1 < pictures.nameCount())
        Voice::instance().preparePictureWord(pictures.name(index + 1));
}

bool TFormLettora::RandomDraw()
{
    ListPair &pictures = FormOption->pictures;
    LastPictureIndex = pictures.pathCount() - 1;
    if (LastPictureIndex < 0)
        return false;
    RandomPick = randomPick(LastPictureIndex);
    LoadPicture(RandomPick);
    pictures.draw(RandomPick);
    return true;
}

void TFormLettora::hideLifeIcon()
{
    if (const int icon = lifeIconToHide(Lives))
        Nyawa[icon]->hide();
}

void TFormLettora::restartCountdown()
{
    TimerShow->setEnabled(false);
    TimerShow->setEnabled(true);
}

void TFormLettora::showResult(const char *picture)
{
    ClearAnswerRow();
    row.clearFlags();
    ImageMenang->load(QLatin1String(picture));
    ImageMenang->show();
    ImageShow->hide();
    TimerShow->setEnabled(false);
    GameStarted = false;
}

void TFormLettora::ShowWin()
{
    showResult(paths::Win);
    Voice::instance().sayWin();
}

void TFormLettora::ShowLose()
{
    showResult(paths::Lose);
    Voice::instance().sayLose();
}

void TFormLettora::BtnStartClick()
{
    if (FormOption->pictures.nameCount() == 0) {
        showInformation(QLatin1String(NoPicturesMessage));
        return;
    }
    GameStarted = true;
    ProgramFolder::makeCurrent();
    RandomMode = ReadIntSetting(QLatin1String(paths::RandomSetting), IntSettingDefaults::Random) == 1;
    if (RandomMode || FormOption->randomChecked())
        RandomDraw();
    else if (PictureCursor <= FormOption->pictures.nameCount() - 1)
        LoadPicture(PictureCursor);
    PlayEffect(QLatin1String(paths::ButtonSound));
    TimerShow->setEnabled(true);
}

void TFormLettora::TimerShowTimer()
{
    ProgressRecorder::instance().answered(TargetWord, row.typedWord(), Answer::Timeout);
    // The timer follows the saved order (RandomMode), not the dialog's check box.
    if (RandomMode) {
        RandomDraw();
    } else if (PictureCursor + 1 <= FormOption->pictures.nameCount() - 1) {
        ++PictureCursor;
        LoadPicture(PictureCursor);
    }
    if (!TargetWord.isEmpty())
        --Lives;
    hideLifeIcon();
    if (Lives < 0)
        ShowLose();
    // No sound, and the letters typed so far stay for the next picture.
}

void TFormLettora::TimerMusicTimer()
{
    playlist.endOfTrackCheck();
}

void TFormLettora::BtnResetClick()
{
    TimerShow->setEnabled(false);
    ClearAnswerRow();
    row.clearFlags();
    FormOption->ReloadPictureList();
    PictureCursor = 0;
    ImageMenang->clearPicture();
    ImageMenang->hide();
    ImageShow->clearPicture();
    ImageShow->show();
    Lives = 3;
    for (int i = 1; i <= 3; ++i)
        Nyawa[i]->show();
    GameStarted = false;
    Voice::instance().stop();
    PlayEffect(QLatin1String(paths::ButtonSound));
    prepareStartWord();
}

void TFormLettora::prepareStartWord()
{
    // In random order the first picture is drawn only at Start.
    const ListPair &pictures = FormOption->pictures;
    if (!GameStarted && !FormOption->randomChecked() && PictureCursor < pictures.nameCount())
        Voice::instance().preparePictureWord(pictures.name(PictureCursor));
}

void TFormLettora::BtnSpeakerClick()
{
    // Only while a picture is in play: before Start and on the win or lose picture there is none.
    if (GameStarted)
        Voice::instance().repeatPictureWord();
}

void TFormLettora::BtnOptionClick()
{
    // The options can empty every list: kept in the game, they are for grown-ups only.
    if (!KeepInGame::optionsAllowed(this))
        return;
    FormOption->showModalOver(this);
}

void TFormLettora::BtnOKClick()
{
    if (!GameStarted) {
        row.clearFlags();
        ClearAnswerRow();
    } else if (row.typedWord() != TargetWord) {
        ProgressRecorder::instance().answered(TargetWord, row.typedWord(), Answer::Wrong);
        if (Lives < 0) {
            ShowLose();
            TimerShow->setEnabled(false);
        } else {
            --Lives;
            ClearAnswerRow();
            row.clearFlags();
            hideLifeIcon();
            PlayEffect(QLatin1String(paths::LostLifeSound));
            Voice::instance().sayWrong();
        }
        // The countdown of the current picture goes on.
    } else {
        ProgressRecorder::instance().answered(TargetWord, row.typedWord(), Answer::Right);
        // The praise goes first: the next picture's word follows it.
        Voice::instance().sayRight(TargetWord);
        if (FormOption->randomChecked()) {
            // OK follows the dialog's check box, not RandomMode.
            if (!RandomDraw()) {
                ShowWin();
            } else {
                restartCountdown();
                row.clearFlags();
                ClearAnswerRow();
            }
        } else {
            ++PictureCursor;
            if (PictureCursor > FormOption->pictures.nameCount() - 1) {
                ShowWin();
            } else {
                LoadPicture(PictureCursor);
                restartCountdown();
                row.clearFlags();
                ClearAnswerRow();
            }
        }
    }
    // Last on every path: after a lost life it cuts the lost-life sound off at once.
    PlayEffect(QLatin1String(paths::ButtonSound));
}

void TFormLettora::BtnExitClick()
{
    // A child kept in the game does not leave it alone: a wrong answer or Cancel changes nothing.
    if (!KeepInGame::exitAllowed(this))
        return;
    leaving = true;
    ProgramFolder::makeCurrent();
    PlayEffect(QLatin1String(paths::ButtonSound));
    TimerShow->setEnabled(false);
    close();
}

void TFormLettora::FormClose()
{
    // The size put back below is a screen change to leave alone: the program is ending.
    ScreenFit::instance().stopFollowing();
    if (ChangeScreen)
        SetDisplaySize(SavedScreenWidth, SavedScreenHeight);
    DisplayRestore::instance().disarm();
}

void TFormLettora::closeEvent(QCloseEvent *event)
{
    // While the child is kept in the game, only Exit ends it: the window manager's close
    // (Alt+F4, a taskbar's Close) is refused.
    if (KeepInGame::isOn() && !leaving) {
        event->ignore();
        return;
    }
    guard([this] { FormClose(); });
    event->accept();
    // The game window is the main window: closing it ends the program once the handler that
    // asked for the close has finished. exit, not quit: quit would close every other window too
    // and run their close handlers (the welcome screen would start the music).
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

} // namespace lettora
