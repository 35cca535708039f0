#pragma once

#include "game/rules/AnswerRow.h"
#include "game/rules/LetterSet.h"
#include "settings/OptionsTarget.h"
#include "sound/MusicPlaylist.h"

#include <QWidget>

#include <array>
#include <memory>

class QFrame;
class QScrollArea;

namespace lettora {

class CountdownBar;
class EventTimer;
class MediaPlayer;
class PictureControl;

// The game window: the picture to spell, three life icons, six commands, the letter keyboard
// and the answer row. The main window of the program; closing it ends the program.
class TFormLettora : public QWidget, public OptionsTarget
{
    Q_OBJECT
public:
    explicit TFormLettora(QWidget *parent = nullptr);
    ~TFormLettora() override;

    // Shown by the event loop: borderless and maximized.
    void showAsMainWindow();

    // Letter entry: the 26 click handlers of the keyboard, and the one routine behind them.
    void LetterClick(char letter);
#define LETTORA_LETTER_HANDLER(L) \
    void L##Click() { LetterClick(#L[0]); }
    LETTORA_LETTER_HANDLER(A) LETTORA_LETTER_HANDLER(B) LETTORA_LETTER_HANDLER(C) LETTORA_LETTER_HANDLER(D)
    LETTORA_LETTER_HANDLER(E) LETTORA_LETTER_HANDLER(F) LETTORA_LETTER_HANDLER(G) LETTORA_LETTER_HANDLER(H)
    LETTORA_LETTER_HANDLER(I) LETTORA_LETTER_HANDLER(J) LETTORA_LETTER_HANDLER(K) LETTORA_LETTER_HANDLER(L)
    LETTORA_LETTER_HANDLER(M) LETTORA_LETTER_HANDLER(N) LETTORA_LETTER_HANDLER(O) LETTORA_LETTER_HANDLER(P)
    LETTORA_LETTER_HANDLER(Q) LETTORA_LETTER_HANDLER(R) LETTORA_LETTER_HANDLER(S) LETTORA_LETTER_HANDLER(T)
    LETTORA_LETTER_HANDLER(U) LETTORA_LETTER_HANDLER(V) LETTORA_LETTER_HANDLER(W) LETTORA_LETTER_HANDLER(X)
    LETTORA_LETTER_HANDLER(Y) LETTORA_LETTER_HANDLER(Z)
#undef LETTORA_LETTER_HANDLER

    // Keys: A..Z enter letters (Shift and Caps Lock make no difference), Enter is OK, Escape is Clear.
    void FormKeyDown(int key);

    void BtnStartClick();
    void BtnResetClick();
    void BtnOptionClick();
    void BtnExitClick();
    void BtnOKClick();
    void BtnClearClick();
    void BtnSpeakerClick();
    void TimerShowTimer();
    void TimerMusicTimer();

    // Game flow.
    void LoadPicture(int index);
    // Makes the word of the picture that Start shows in list order while the child waits for it.
    void prepareStartWord();
    void ShowWin();
    void ShowLose();
    // Draws a picture at random from the picture list; false when the list is empty.
    bool RandomDraw();

    int FindFreeSlot() const { return row.FindFreeSlot(); }
    void PlaceLetter(int slot, const QString &path, int left, int top);
    void ClearAnswerRow();

    void LoadKeyboardLetter(int setKind, PictureControl *image, const QString &fileName);
    void LoadUpperCaseSet();
    void LoadLowerCaseSet();

    // What the options dialog changes here.
    void setSecondsPerPicture(std::int32_t seconds) override;
    void setUpperCase(bool upper) override;
    void musicOnChanged(bool on) override;
    void musicNameChosen(int index) override;
    void musicNameDoubleClicked(int index) override;
    void openParentsCorner(QWidget *over) override;

    // Controls, named as in the layout; their positions are on the playing surface.
    QWidget *Stage = nullptr;
    PictureControl *Background = nullptr;
    std::array<PictureControl *, 26> keyboard{};  // A .. Z
    PictureControl *BtnStart = nullptr;
    PictureControl *BtnReset = nullptr;
    PictureControl *BtnOption = nullptr;
    PictureControl *BtnExit = nullptr;
    PictureControl *BtnOK = nullptr;
    PictureControl *BtnClear = nullptr;
    PictureControl *BtnSpeaker = nullptr;  // says the picture's word again
    QFrame *Panel1 = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    std::array<PictureControl *, AnswerRow::Slots + 1> Huruf{};  // 1 .. 20
    PictureControl *ImageShow = nullptr;
    EventTimer *TimerShow = nullptr;
    CountdownBar *Countdown = nullptr;  // TimerShow's countdown, beside the picture's frame
    PictureControl *ImageMenang = nullptr;
    std::array<PictureControl *, 4> Nyawa{};  // 1 .. 3
    EventTimer *TimerMusic = nullptr;
    std::unique_ptr<MediaPlayer> Musik;  // the background music

    PictureControl *letterImage(char letter) const { return keyboard[letter - 'A']; }

    // Program-wide game state.
    AnswerRow row;
    bool UpperCaseMode = false;
    bool GameStarted = false;
    bool RandomMode = false;
    int Lives = 0;
    int PictureCursor = 0;
    int RandomPick = 0;
    int LastPictureIndex = 0;
    QString TargetWord;
    MusicPlaylist playlist;  // holds MusicIndex
    int SavedScreenWidth = 0;
    int SavedScreenHeight = 0;
    bool ChangeScreen = true;      // the parents' setting as it was at start: switch the display
    bool DisplaySwitched = false;  // the screen stood at 800 x 600 after the switch

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    void FormCreate();
    void FormClose();
    void loadSet(LetterCase set);
    void makeImageButton(PictureControl *button, const char *normal, const char *pressed,
                         void (TFormLettora::*click)(), bool pressSound = false);
    void fitAnswerContent();
    void hideLifeIcon();
    void showResult(const char *picture);
    void restartCountdown();

    QWidget *answerContent = nullptr;
    bool leaving = false;  // Exit closes the window
};

extern TFormLettora *FormLettora;

} // namespace lettora
