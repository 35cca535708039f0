#pragma once

#include "settings/ListPair.h"
#include "settings/OptionsTarget.h"

#include <QDialog>
#include <QString>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace lettora {

class FilePicker;

// The options dialog, where an adult picks the pictures, the music, the seconds per picture,
// random order and the letter case. Created once at start, shown modally by the Option command.
// Its two lists are the only copy of the picture and music lists; the game reads them here. Its
// controls are made when it is first shown (most sessions never open it); until then it holds what
// they will show.
class TFormOption : public QDialog
{
    Q_OBJECT
public:
    // `game` is the running game the dialog acts on (none: the dialog alone, as tests drive it).
    explicit TFormOption(QWidget *parent = nullptr, OptionsTarget *game = nullptr);
    ~TFormOption() override;

    // The file picker behind both Add buttons (tests answer it themselves).
    void setFilePicker(std::unique_ptr<FilePicker> picker);

    void LoadLists();
    void SaveLists();
    void ReloadPictureList();

    void TombolAddImageClick();
    void TombolRemoveImageClick();
    void TombolClearImageClick();
    void TombolOKClick();
    void TombolCancelClick();
    void TombolAddMusicClick();
    void TombolRemoveMusicClick();
    void TombolClearMusicClick();
    void MusicOnClick();
    void ListBoxMusicDblClick();
    void ListBoxMusicClick();
    // The grown-ups' question, then the parents' corner.
    void TombolParentsClick();

    // The picture list (`ListBoxImage` with its paths `ListBoxAlamatImage`) and the music list
    // (`ListBoxMusic` with `ListBoxAlamatMusik`).
    ListPair pictures;
    ListPair music;

    QGroupBox *GroupBox1 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QListView *ListBoxImage = nullptr;
    QListView *ListBoxMusic = nullptr;
    QCheckBox *RandomImage = nullptr;
    QPushButton *TombolOK = nullptr;
    QPushButton *TombolCancel = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *EditTimer = nullptr;
    QToolButton *TombolAddImage = nullptr;
    QToolButton *TombolRemoveImage = nullptr;
    QToolButton *TombolClearImage = nullptr;
    QToolButton *TombolAddMusic = nullptr;
    QToolButton *TombolRemoveMusic = nullptr;
    QToolButton *TombolClearMusic = nullptr;
    QCheckBox *MusicOn = nullptr;
    QWidget *RadioGroupFont = nullptr;
    QRadioButton *UpperCaseOption = nullptr;
    QRadioButton *LowerCaseOption = nullptr;
    QLabel *Image1 = nullptr;
    // Beside Cancel, last in the focus order: the door to the parents' corner.
    QPushButton *TombolParents = nullptr;

    // Sets `MusicOn`; when its state changes, its action runs and its errors reach the caller.
    void setMusicOnChecked(bool checked);
    bool musicOnChecked() const;
    // `RandomImage`'s state, and `EditTimer`'s text.
    bool randomChecked() const;
    void setRandomChecked(bool checked);
    QString timerText() const;
    void setTimerText(const QString &text);
    // The selected entry of a list box, -1 when none is selected.
    static int selectedIndex(const QListView *box);

    // The selected option of `RadioGroupFont`: 0 "UpperCase", 1 "LowerCase", -1 none.
    int fontIndex() const;
    void setFontIndex(int index);

    // Shows the dialog centred over the game window and waits until it closes.
    void showModalOver(QWidget *owner);

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildLayout();
    void buildControls();
    void FormCreate();
    void addFiles(ListPair &list, const char *startFolder);
    static void removeSelected(ListPair &list, QListView *box);
    void updateRadioTabStop();

    std::unique_ptr<FilePicker> m_picker;
    OptionsTarget *m_game = nullptr;
    QButtonGroup *m_fontGroup = nullptr;
    // What the controls show once made.
    bool m_musicOn = false;
    bool m_random = false;
    int m_fontIndex = -1;
    QString m_timerText;
};

extern TFormOption *FormOption;

} // namespace lettora
