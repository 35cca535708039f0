#pragma once

// Every fixed path of the program folder, spelled as the program uses it. Some files are
// reached by two spellings ("./Font/..." and "./font/...", "Btnoption" and "BtnOption");
// the resolver matches them without regard to case, so one file serves both.
namespace lettora::paths {

// Settings
inline constexpr const char *ImageFileList = "./Data/ImageFile.txt";
inline constexpr const char *ImagePathList = "./Data/Image.txt";
inline constexpr const char *MusicFileList = "./Data/MusicFile.txt";
inline constexpr const char *MusicPathList = "./Data/Music.txt";
inline constexpr const char *TimerSetting = "./Data/Timer.dat";
inline constexpr const char *RandomSetting = "./Data/Random.dat";
inline constexpr const char *FontSetting = "./Data/Font.dat";
// The parents' corner (voice and the rest that goes beyond the options dialog)
inline constexpr const char *ParentSettingsFile = "./Data/Lettora.ini";
// Every answer of the child, appended (the parents' corner's "Progress" page)
inline constexpr const char *ProgressFile = "./Data/Progress.csv";

// Game window art
inline constexpr const char *Border = "./Image/border.bmp";
inline constexpr const char *Life = "./Image/Life.bmp";
inline constexpr const char *Win = "./Image/Win.bmp";
inline constexpr const char *Lose = "./Image/Lose.bmp";
inline constexpr const char *BtnStart = "./Image/BtnStart.bmp";
inline constexpr const char *BtnStart2 = "./Image/BtnStart2.bmp";
inline constexpr const char *BtnReset = "./Image/BtnReset.bmp";
inline constexpr const char *BtnReset2 = "./Image/BtnReset2.bmp";
inline constexpr const char *BtnOptionAtCreation = "./Image/Btnoption.bmp";
inline constexpr const char *BtnOption = "./Image/BtnOption.bmp";
inline constexpr const char *BtnOption2 = "./Image/BtnOption2.bmp";
inline constexpr const char *BtnExit = "./Image/BtnExit.bmp";
inline constexpr const char *BtnExit2 = "./Image/BtnExit2.bmp";
inline constexpr const char *BtnOK = "./Image/BtnOK.bmp";
inline constexpr const char *BtnOK2 = "./Image/BtnOK2.bmp";
inline constexpr const char *BtnClear = "./Image/BtnClear.bmp";
inline constexpr const char *BtnClear2 = "./Image/BtnClear2.bmp";
inline constexpr const char *BtnSpeaker = "./Image/BtnSpeaker.bmp";
inline constexpr const char *BtnSpeaker2 = "./Image/BtnSpeaker2.bmp";

// Welcome screen art
inline constexpr const char *BtnPlay = "./Image/BtnPlay.jpg";
inline constexpr const char *BtnPlay2 = "./Image/BtnPlay2.jpg";
inline constexpr const char *BtnHowTo = "./Image/BtnHowTo.jpg";
inline constexpr const char *BtnHowTo2 = "./Image/BtnHowTo2.jpg";
inline constexpr const char *PanelHelp = "./Image/PanelHelp.jpg";
// The welcome screen's decoration (the screen works without it)
inline constexpr const char *WelcomeIntro = "./Image/Intro.jpg";
inline constexpr const char *WelcomeBubbles = "./Image/Bubbles.jpg";
inline constexpr const char *WelcomeGameView = "./Image/GameView.jpg";

// Options dialog art (decoration: the dialog works without it)
inline constexpr const char *OptionBackground = "./Image/OptionBack.jpg";
inline constexpr const char *AddIcon = "./Image/Tick.png";
inline constexpr const char *RemoveIcon = "./Image/Eraser.png";
inline constexpr const char *ClearIcon = "./Image/Bin.png";

// Letter sets: the keyboard builds folder + "A.bmp"; the answer row uses the other spelling.
inline constexpr const char *KeyboardUpperFolder = "./Font/Upper/";
inline constexpr const char *KeyboardLowerFolder = "./Font/Lower/";
inline constexpr const char *AnswerUpperFolder = "./font/Upper/";
inline constexpr const char *AnswerLowerFolder = "./font/Lower/";

// Sounds and music
inline constexpr const char *ClickSound = "./Sound/Click.wav";
inline constexpr const char *ButtonSound = "./Sound/Button.wav";
inline constexpr const char *ClearSound = "./Sound/Clear.wav";
inline constexpr const char *LostLifeSound = "./Sound/Lostlife.wav";
inline constexpr const char *WelcomeTune = "./Music/chachacha.mid";

// Where the file pickers open
inline constexpr const char *PictureFolder = ".\\Picture";
inline constexpr const char *MusicFolder = ".\\Music";

} // namespace lettora::paths
