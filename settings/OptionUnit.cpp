#include "settings/OptionUnit.h"

#include "settings/FilePicker.h"
#include "settings/IntSettings.h"
#include "settings/IntegerText.h"
#include "shell/ErrorReport.h"
#include "shell/EventTimer.h"
#include "shell/PictureControl.h"
#include "shell/PictureLoader.h"
#include "shell/WindowLook.h"
#include "shell/core/AssetPaths.h"
#include "shell/core/ProgramFolder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace lettora {

TFormOption *FormOption = nullptr;

namespace {
constexpr QSize DialogSize(572, 409);
constexpr const char *EmptyListWarning = "List is empty,please add items in list";

// A list box of single selection: once an entry is chosen, one stays chosen. A click beside the
// entries or a Ctrl+click (or Ctrl+Space) on the chosen one leaves the selection as it is.
class SingleSelectionList : public QListView
{
public:
    using QListView::QListView;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override
    {
        const QItemSelectionModel::SelectionFlags command = QListView::selectionCommand(index, event);
        if (!index.isValid() || (command & QItemSelectionModel::Deselect))
            return QItemSelectionModel::NoUpdate;
        return command;
    }
};
} // namespace

TFormOption::TFormOption(QWidget *parent, OptionsTarget *game)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_picker(makeDialogFilePicker()), m_game(game)
{
    FormOption = this;  // usable from a box that the creation handler shows
    buildLayout();
    guard([this] { FormCreate(); });
}

TFormOption::~TFormOption()
{
    if (FormOption == this)
        FormOption = nullptr;
}

void TFormOption::setFilePicker(std::unique_ptr<FilePicker> picker)
{
    m_picker = std::move(picker);
}

void TFormOption::buildLayout()
{
    setObjectName(QStringLiteral("FormOption"));
    setWindowTitle(QStringLiteral("Option"));
    setFixedSize(DialogSize);
    setModal(true);
    useWhiteBackground(this);
    setFont(layoutFont());

    // The background picture is drawn at its own size from the top-left corner.
    auto *background = new PictureControl(this, QStringLiteral("Image1"), QRect(QPoint(0, 0), DialogSize));
    background->setAutoSize(false);
    background->loadDecorationWhenDrawn(QLatin1String(paths::OptionBackground));
    Image1 = background;
}

void TFormOption::setVisible(bool visible)
{
    if (visible && !GroupBox1)
        buildControls();
    QDialog::setVisible(visible);
}

void TFormOption::buildControls()
{
    QFont bold = layoutFont();
    bold.setBold(true);

    const QIcon addIcon = artIcon(QLatin1String(paths::AddIcon));
    const QIcon removeIcon = artIcon(QLatin1String(paths::RemoveIcon));
    const QIcon clearIcon = artIcon(QLatin1String(paths::ClearIcon));
    auto flatButton = [&](QWidget *parent, const char *name, const QString &text, const QIcon &icon, int top,
                          void (TFormOption::*handler)()) {
        auto *b = new QToolButton(parent);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setIcon(icon);
        b->setIconSize(QSize(16, 16));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(176, top, 73, 25);
        connect(b, &QToolButton::clicked, this, [this, handler] { guard([&] { (this->*handler)(); }); });
        return b;
    };
    // The views show the lists as they stand; a change updates only the rows it touches, and a
    // long list is laid out a slice at a time, so that no frame waits for all of it.
    auto listBox = [&](QWidget *parent, const char *name, QRect geometry, ListPair *list) {
        auto *box = new SingleSelectionList(parent);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(geometry);
        box->setSelectionMode(QAbstractItemView::SingleSelection);
        box->setUniformItemSizes(true);
        box->setTextElideMode(Qt::ElideMiddle);
        box->setLayoutMode(QListView::Batched);
        box->setBatchSize(2000);
        box->setModel(list);
        return box;
    };

    GroupBox1 = new QGroupBox(QStringLiteral("Image"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(18, 21, 257, 276);
    GroupBox1->setFont(bold);
    ListBoxImage = listBox(GroupBox1, "ListBoxImage", QRect(11, 24, 153, 241), &pictures);
    TombolAddImage = flatButton(GroupBox1, "TombolAddImage", QStringLiteral("Add"), addIcon, 32,
                                &TFormOption::TombolAddImageClick);
    TombolRemoveImage = flatButton(GroupBox1, "TombolRemoveImage", QStringLiteral("Remove"), removeIcon, 64,
                                   &TFormOption::TombolRemoveImageClick);
    TombolClearImage = flatButton(GroupBox1, "TombolClearImage", QStringLiteral("Clear"), clearIcon, 96,
                                  &TFormOption::TombolClearImageClick);
    RandomImage = new QCheckBox(QStringLiteral("Random"), GroupBox1);
    RandomImage->setObjectName(QStringLiteral("RandomImage"));
    RandomImage->setGeometry(176, 136, 65, 17);
    setLabelSpacing(RandomImage, 3);  // narrow, so that "Random" fits beside its box

    GroupBox2 = new QGroupBox(QStringLiteral("Music"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(299, 20, 257, 277);
    GroupBox2->setFont(bold);
    ListBoxMusic = listBox(GroupBox2, "ListBoxMusic", QRect(16, 24, 153, 241), &music);
    TombolAddMusic = flatButton(GroupBox2, "TombolAddMusic", QStringLiteral("Add"), addIcon, 32,
                                &TFormOption::TombolAddMusicClick);
    TombolRemoveMusic = flatButton(GroupBox2, "TombolRemoveMusic", QStringLiteral("Remove"), removeIcon, 64,
                                   &TFormOption::TombolRemoveMusicClick);
    TombolClearMusic = flatButton(GroupBox2, "TombolClearMusic", QStringLiteral("Clear"), clearIcon, 96,
                                  &TFormOption::TombolClearMusicClick);
    MusicOn = new QCheckBox(QStringLiteral("MusicOn"), GroupBox2);
    MusicOn->setObjectName(QStringLiteral("MusicOn"));
    MusicOn->setGeometry(176, 128, 73, 17);
    // The action runs on every change of the state, by the user or by the program.
    connect(MusicOn, &QCheckBox::toggled, this, [this] { guard([this] { MusicOnClick(); }); });
    // A "click" on the list is every change of its selection, by mouse or keyboard.
    connect(ListBoxMusic->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { guard([this] { ListBoxMusicClick(); }); });
    connect(ListBoxMusic, &QListView::doubleClicked, this, [this] { guard([this] { ListBoxMusicDblClick(); }); });

    GroupBox3 = new QGroupBox(this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(21, 309, 254, 81);
    auto *radioFrame = new QGroupBox(GroupBox3);
    RadioGroupFont = radioFrame;
    RadioGroupFont->setObjectName(QStringLiteral("RadioGroupFont"));
    RadioGroupFont->setGeometry(8, 16, 105, 57);
    UpperCaseOption = new QRadioButton(QStringLiteral("UpperCase"), RadioGroupFont);
    UpperCaseOption->setGeometry(8, 8, 92, 20);
    LowerCaseOption = new QRadioButton(QStringLiteral("LowerCase"), RadioGroupFont);
    LowerCaseOption->setGeometry(8, 30, 92, 20);
    m_fontGroup = new QButtonGroup(this);
    m_fontGroup->addButton(UpperCaseOption, 0);
    m_fontGroup->addButton(LowerCaseOption, 1);
    for (QRadioButton *option : {UpperCaseOption, LowerCaseOption})
        connect(option, &QRadioButton::toggled, this, [this] { updateRadioTabStop(); });
    Label1 = new QLabel(QStringLiteral("Timer :"), GroupBox3);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(120, 24, 40, 13);
    EditTimer = new QLineEdit(GroupBox3);
    EditTimer->setObjectName(QStringLiteral("EditTimer"));
    EditTimer->setGeometry(120, 48, 57, 21);

    TombolOK = new QPushButton(QStringLiteral("OK"), this);
    TombolOK->setObjectName(QStringLiteral("TombolOK"));
    TombolOK->setGeometry(288, 328, 75, 25);
    TombolCancel = new QPushButton(QStringLiteral("Cancel"), this);
    TombolCancel->setObjectName(QStringLiteral("TombolCancel"));
    TombolCancel->setGeometry(384, 328, 75, 25);
    TombolParents = new QPushButton(QStringLiteral("Parents..."), this);
    TombolParents->setObjectName(QStringLiteral("TombolParents"));
    TombolParents->setGeometry(480, 328, 75, 25);
    // None is the default button: Enter presses a button only while it has the focus
    // (keyPressEvent), never from the list or the edit field.
    for (QPushButton *b : {TombolOK, TombolCancel, TombolParents}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(TombolOK, &QPushButton::clicked, this, [this] { guard([this] { TombolOKClick(); }); });
    connect(TombolCancel, &QPushButton::clicked, this, [this] { guard([this] { TombolCancelClick(); }); });
    connect(TombolParents, &QPushButton::clicked, this, [this] { guard([this] { TombolParentsClick(); }); });

    const QList<QWidget *> focusOrder = {ListBoxImage, RandomImage, ListBoxMusic, MusicOn, TombolOK,
                                         TombolCancel, EditTimer, UpperCaseOption, LowerCaseOption, TombolParents};
    for (int i = 0; i + 1 < focusOrder.size(); ++i)
        setTabOrder(focusOrder[i], focusOrder[i + 1]);

    // What was set before the controls were made; its actions have run already.
    {
        const QSignalBlocker blocker(MusicOn);
        MusicOn->setChecked(m_musicOn);
    }
    RandomImage->setChecked(m_random);
    EditTimer->setText(m_timerText);
    setFontIndex(m_fontIndex);
    updateRadioTabStop();
}

// The radio group is one tab stop: its checked option, or the first when none is checked. The
// arrow keys move between the options as usual.
void TFormOption::updateRadioTabStop()
{
    const bool lowerIsStop = LowerCaseOption->isChecked();
    UpperCaseOption->setFocusPolicy(lowerIsStop ? Qt::ClickFocus : Qt::StrongFocus);
    LowerCaseOption->setFocusPolicy(lowerIsStop ? Qt::StrongFocus : Qt::ClickFocus);
}

int TFormOption::fontIndex() const
{
    return m_fontGroup ? m_fontGroup->checkedId() : m_fontIndex;
}

void TFormOption::setFontIndex(int index)
{
    m_fontIndex = index == 0 || index == 1 ? index : -1;
    if (!m_fontGroup)
        return;
    // An exclusive group cannot be emptied while exclusive.
    m_fontGroup->setExclusive(false);
    UpperCaseOption->setChecked(index == 0);
    LowerCaseOption->setChecked(index == 1);
    m_fontGroup->setExclusive(true);
}

void TFormOption::FormCreate()
{
    LoadLists();
    ProgramFolder::makeCurrent();
    const std::int32_t seconds = ReadIntSetting(QLatin1String(paths::TimerSetting), IntSettingDefaults::Timer);
    setRandomChecked(ReadIntSetting(QLatin1String(paths::RandomSetting), IntSettingDefaults::Random) == 1);
    const std::int32_t font = ReadIntSetting(QLatin1String(paths::FontSetting), IntSettingDefaults::Font);
    setFontIndex(font == 1 ? 0 : font == 0 ? 1 : -1);
    setTimerText(QString::number(seconds));
}

void TFormOption::LoadLists()
{
    ProgramFolder::makeCurrent();
    // A file that cannot be read is reported and the others are still loaded; OK will not write
    // over it unless its list is edited.
    const auto load = [](ListPair &list, void (ListPair::*loadOne)(const QString &), const char *file) {
        guard([&] { (list.*loadOne)(QLatin1String(file)); });
    };
    load(pictures, &ListPair::loadNames, paths::ImageFileList);
    load(pictures, &ListPair::loadPaths, paths::ImagePathList);
    load(music, &ListPair::loadNames, paths::MusicFileList);
    load(music, &ListPair::loadPaths, paths::MusicPathList);
}

void TFormOption::SaveLists()
{
    ProgramFolder::makeCurrent();
    pictures.save(QLatin1String(paths::ImageFileList), QLatin1String(paths::ImagePathList));
    music.save(QLatin1String(paths::MusicFileList), QLatin1String(paths::MusicPathList));
}

void TFormOption::ReloadPictureList()
{
    ProgramFolder::makeCurrent();
    pictures.unload();
    pictures.loadNames(QLatin1String(paths::ImageFileList));
    pictures.loadPaths(QLatin1String(paths::ImagePathList));
}

void TFormOption::addFiles(ListPair &list, const char *startFolder)
{
    ProgramFolder::makeCurrent();
    const QStringList chosen =
        m_picker->chooseFiles(this, QStringLiteral("Open"), ProgramFolder::resolve(QLatin1String(startFolder)));
    if (chosen.isEmpty())
        return;
    // A line break in a file name would split its entry in two in the list files.
    QStringList storable, refused;
    for (const QString &file : chosen)
        (breaksListFile(QFile::encodeName(file)) ? refused : storable) << file;
    list.add(storable);
    if (!refused.isEmpty())
        throw Error(QString::fromLatin1(LineBreakRefused).arg(quotedName(refused.join(QStringLiteral(", ")))));
}

void TFormOption::TombolAddImageClick()
{
    addFiles(pictures, paths::PictureFolder);
}

void TFormOption::TombolAddMusicClick()
{
    addFiles(music, paths::MusicFolder);
}

int TFormOption::selectedIndex(const QListView *box)
{
    // The current row alone is no selection: the list makes its first row current on focus.
    const QModelIndexList selected = box->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TFormOption::removeSelected(ListPair &list, QListView *box)
{
    const int index = selectedIndex(box);
    if (index < 0)
        return;
    // The removal takes the selection with it; that is no choice of the user's, so the list's
    // "click" does not run.
    const QSignalBlocker blocker(box->selectionModel());
    list.removeAt(index);
    box->selectionModel()->clear();
}

void TFormOption::TombolRemoveImageClick()
{
    removeSelected(pictures, ListBoxImage);
}

void TFormOption::TombolRemoveMusicClick()
{
    removeSelected(music, ListBoxMusic);
}

void TFormOption::TombolClearImageClick()
{
    pictures.clear();
}

void TFormOption::TombolClearMusicClick()
{
    music.clear();
}

void TFormOption::TombolOKClick()
{
    SaveLists();
    const std::int32_t seconds = textToInt(timerText());
    WriteIntSetting(QLatin1String(paths::TimerSetting), seconds);
    WriteIntSetting(QLatin1String(paths::RandomSetting), randomChecked() ? 1 : 0);
    if (m_game)
        m_game->setSecondsPerPicture(seconds);
    switch (fontIndex()) {
    case 0:
        WriteIntSetting(QLatin1String(paths::FontSetting), 1);
        if (m_game)
            m_game->setUpperCase(true);
        break;
    case 1:
        WriteIntSetting(QLatin1String(paths::FontSetting), 0);
        if (m_game)
            m_game->setUpperCase(false);
        break;
    default:
        break;  // neither case chosen: the file and the letter set stay as they are
    }
    if (music.nameEntries() == 0 || pictures.nameEntries() == 0)
        showInformation(QLatin1String(EmptyListWarning));
    accept();
}

void TFormOption::TombolCancelClick()
{
    reject();
}

// The music controls act on the game's music at once, also while the dialog is open.
void TFormOption::MusicOnClick()
{
    if (m_game)
        m_game->musicOnChanged(musicOnChecked());
}

void TFormOption::setMusicOnChecked(bool checked)
{
    if (musicOnChecked() == checked)
        return;
    m_musicOn = checked;
    if (MusicOn) {
        const QSignalBlocker blocker(MusicOn);
        MusicOn->setChecked(checked);
    }
    MusicOnClick();
}

bool TFormOption::musicOnChecked() const
{
    return MusicOn ? MusicOn->isChecked() : m_musicOn;
}

bool TFormOption::randomChecked() const
{
    return RandomImage ? RandomImage->isChecked() : m_random;
}

void TFormOption::setRandomChecked(bool checked)
{
    m_random = checked;
    if (RandomImage)
        RandomImage->setChecked(checked);
}

QString TFormOption::timerText() const
{
    return EditTimer ? EditTimer->text() : m_timerText;
}

void TFormOption::setTimerText(const QString &text)
{
    m_timerText = text;
    if (EditTimer)
        EditTimer->setText(text);
}

void TFormOption::ListBoxMusicClick()
{
    if (m_game)
        m_game->musicNameChosen(selectedIndex(ListBoxMusic));
}

void TFormOption::ListBoxMusicDblClick()
{
    if (m_game)
        m_game->musicNameDoubleClicked(selectedIndex(ListBoxMusic));
}

void TFormOption::TombolParentsClick()
{
    if (m_game)
        m_game->openParentsCorner(this);
}

void TFormOption::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        return;  // Escape does nothing here
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(focusWidget()))
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormOption::showModalOver(QWidget *owner)
{
    QRect frame = frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    move(frame.topLeft());
    exec();
}

} // namespace lettora
