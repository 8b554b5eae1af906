#pragma once
// The three built-in UI string tables and the language chosen once at start-up. Every fixed text
// of the interface is addressed by its entry number. Texts are stored as 8-bit strings in
// their own language's code page (936, 950, 1252).
#include <cstdint>
#include <string>

namespace qv {

// Entries 0 to 28 are the interface's given texts; the ones after them were added for the
// configuration file that exists but was not loaded whole, for texts the file cannot hold and for
// the end of the session with unsaved changes, for a file that another program changes, for
// tasks whose targets overlap, and for counting the tasks a file holds beyond those loaded.
inline constexpr int kUiStringCount = 43;

// The entries by name, so that call sites say which text they show.
enum UiEntry : int {
  kUiTitle = 0,          // editor window caption, before " (V1.0)"
  kUiSave = 1,           // btnSave
  kUiExit = 2,           // Button2
  kUiTabTask = 3,        // tabGame
  kUiTabOther = 4,       // tabOther
  kUiAdd = 5,            // btnAdd
  kUiDel = 6,            // btnDel
  kUiSourceLabel = 7,    // Label4
  kUiTargetLabel = 8,    // Label5
  kUiHostLabel = 9,      // HostLBL
  kUiPortLabel = 10,     // PortLBL
  kUiUserLabel = 11,     // UserLBL
  kUiPassLabel = 12,     // PassLBL
  kUiNameLabel = 13,     // Label1 of the editor
  kUiNewTaskStem = 14,   // stem of generated task names
  kUiInvalidName = 15,   // message: empty task name refused
  kUiRepeatedName = 16,  // message: repeated task name refused
  kUiCloseQuestion = 17, // unsaved changes on closing
  kUiCloseCaption = 18,  // caption of the questions
  kUiIntervalLabel = 19, // interLBL
  kUiIntervalNote = 20,  // interLBL1
  kUiTargetPrompt = 21,  // prompt of the local folder picker
  kUiBrowseCaption = 22, // browser window caption
  kUiBrowsePrompt = 23,  // browser Label1
  kUiOk = 24,            // browser btnOk
  kUiCancel = 25,        // browser btnCancel
  kUiConnectFailed = 26, // message: connecting failed
  kUiLogonFailed = 27,   // message: logon failed
  kUiSpeedLabel = 28,    // spdLBL
  kUiNotLoaded = 29,     // message at start: the existing file was not loaded whole
  kUiReplaceQuestion = 30,  // asked by the first Save before it replaces that file
  kUiCannotStore = 31,      // message: typed characters the ANSI code page lacks, then them
  kUiShortNameUsed = 32,    // message: a chosen folder is stored by its short name, then it
  kUiFolderRefused = 33,    // message: a chosen folder cannot be stored at all, then its path
  kUiUnsavedReason = 34,    // why the program holds up the end of the session
  kUiFileChanged = 35,      // asked by Save when another program changed the file since
  kUiFileBusy = 36,         // message: another program's edit held the file past the wait
  kUiTargetsOverlap = 37,   // asked by Save: targets that are one folder or one inside another
  kUiSameTarget = 38,       // a line of that question: %1 and %2 name the tasks
  kUiInsideTarget = 39,     // a line of that question: %1's target lies inside %2's
  kUiSaveAnyway = 40,       // the end of that question
  kUiFileReloaded = 41,     // notice: another program changed the file, and it was loaded again
  kUiTasksNotLoaded = 42,   // line of kUiNotLoaded and kUiReplaceQuestion, then how many
};

enum class Language { kSimplifiedChinese, kTraditionalChinese, kEnglish };

struct UiStringTable {
  const char* const* texts;  // kUiStringCount entries
  const char* font_name;
  unsigned code_page;        // the code page the texts are stored in
};

const UiStringTable& TableFor(Language language);

// The choice itself: 1 and 2 pick Chinese, other non-zero values English, 0 goes by the OEM
// code page (936, 950, anything else English).
Language ChooseLanguage(std::int32_t lang_index, unsigned oem_code_page);

// The selection. UseLanguage sets it (tests and SelectLanguage); before it, English.
void UseLanguage(Language language);
Language SelectedLanguage();
const UiStringTable& UiStrings();
const char* UiString(int index);  // entry of the selected table, stored bytes
const char* UiFontNameA();        // stored bytes of the selected font name

// Windows only: reads LangIndex from the registry and GetOEMCP, then UseLanguage.
void SelectLanguage();
// Windows only: entry `index` / the font name of the selected language as UTF-16, converted from
// the table's own code page so that every language shows correctly on any system locale.
std::wstring UiText(int index);
std::wstring UiFontName();

}  // namespace qv
