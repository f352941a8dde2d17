#pragma once
// Texts the window writes into its info label, its dialogs and its message boxes.
// Lines are joined with CR LF; every text is used exactly as written here.
namespace glint::ui {

inline constexpr const char* kWindowTitle = "Glintwork";
inline constexpr const char* kComboInitialText = "Combo1";
inline constexpr const char* kScaleEntries[] = {"Scale 2x", "Scale 3x", "Scale 4x", "Scale 5x"};
inline constexpr const char* kRedPrefix = "Red: ";
inline constexpr const char* kBluePrefix = "Blue: ";

inline constexpr const char* kGreeting = "Open a file.\r\nFucker!";
inline constexpr const char* kStartError =
    "Program start error.\r\nPlease read the 'ReadMe.txt' file."
    " Ensure, you have all runtime librarys installed.";

inline constexpr const char* kOpenFilter =
    "Pic Files (*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf)"
    "|*.bmp;*.cur;*.emf;*.gif;*.jpg;*.ico;*.rle;*.wmf|All Files (*.*)|*.*";
inline constexpr const char* kOpenTitle = "Open a fuckin' file, if you have balls.";
inline constexpr const char* kOpenCancelled = "Why do you not load a pic? \r\nFucker!";
inline constexpr const char* kOpenError = "Open file error.\r\nOnly open valid picture files!";
// The first line of kOpenError, above the name of a missing part of the installation.
inline constexpr const char* kOpenErrorTitle = "Open file error.";

inline constexpr const char* kSaveFilter = "Bitmap File (*.bmp)|*.bmp";
inline constexpr const char* kSaveTitle = "Why did they treat us this respectless?!";
inline constexpr const char* kSaveCancelled = "Are you to weak to save a file?\r\nFucker!";
inline constexpr const char* kSavedPrefix = "Pic saved as: ";
inline constexpr const char* kSavedSuffix = "\r\n[new virus installed: Tolvane.vbs]";
inline constexpr const char* kSaveError =
    "Save file error.\r\nPlease save file with an other filename."
    " Ensure, you have permission to write on disk.";

inline constexpr const char* kColorError =
    "Color select error.\r\nYou may only use black as background color!";

inline constexpr const char* kCopied =
    "New pic is now in clipboard.\r\nOh my god. You are a Copy-Fucker!";
inline constexpr const char* kClipboardError =
    "Clipboard error.\r\nThe picture could not be put on the clipboard. Please try again.";

}  // namespace glint::ui
