#pragma once

#include <QDialog>

#include <memory>

class QLabel;

namespace lettora {

class MediaPlayer;
class PictureControl;

// The welcome screen: a title, an introduction with a small view of the game, How-to and Play.
// Shown once, about a second after start, above the game window and not modal. Its tune plays
// while it is up; closing it (Play or the close box) hands over to the game's music list.
class TFormWelcome : public QDialog
{
    Q_OBJECT
public:
    explicit TFormWelcome(QWidget *parent = nullptr);
    ~TFormWelcome() override;

    // Shows the screen centred on `owner` (the game window), above it and active.
    void showOver(QWidget *owner);
    // Shows the screen inside `owner`, centred, above its controls and with the keyboard: where
    // the compositor keeps every other window below a full-screen one, as Weston does.
    void showInside(QWidget *owner);

    void BtnHowToClick();
    void BtnPlayClick();

    QLabel *Label1 = nullptr;
    PictureControl *ImagePanel = nullptr;
    PictureControl *BtnPlay = nullptr;
    PictureControl *Image4 = nullptr;
    PictureControl *ImageShoot = nullptr;
    PictureControl *BtnHowTo = nullptr;
    std::unique_ptr<MediaPlayer> PlayerWelcome;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void FormCreate();
    void FormShow();
    void FormClose();
    void loadDecorations();
    void releaseWhileHidden();
    void centreInOwner();

    bool m_released = false;
    QWidget *m_outline = nullptr;  // shown inside the game window only
};

extern TFormWelcome *FormWelcome;

} // namespace lettora
