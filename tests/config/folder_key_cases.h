#pragma once
// Spellings of a folder and the one key each must get, as Windows resolves and compares them.
// The portable test holds FolderKey to them; the Windows test holds Windows to them too, so the
// native build answers as the system does.
#include <string>

namespace qv::test {

struct FolderKeyCase {
  std::u32string path;
  std::u32string key;
};

inline const FolderKeyCase kFolderKeyCases[] = {
    {U"C:\\Photos \\Sub", U"C:\\PHOTOS \\SUB"},  // a blank before a separator stays
    {U"C:\\Photos\\Sub ", U"C:\\PHOTOS\\SUB"},   // the end of the path loses its blanks...
    {U"C:\\Photos\\Sub. . ", U"C:\\PHOTOS\\SUB"},  // ... and dots
    {U"C:\\a.\\b", U"C:\\A\\B"},                  // one dot before a separator goes
    {U"C:\\a..\\b", U"C:\\A.\\B"},                // one only
    {U"C:\\a. \\b", U"C:\\A. \\B"},
    {U"C:\\a .\\b", U"C:\\A \\B"},
    {U"C:\\a \\", U"C:\\A "},                     // a trailing separator keeps the blank
    {U"C:\\a.\\", U"C:\\A"},
    {U"C:\\a\\..\\b", U"C:\\B"},
    {U"C:\\..\\..\\a", U"C:\\A"},                 // ".." never leaves the drive
    {U"C:\\a\\ \\b", U"C:\\A\\ \\B"},
    {U"C:\\a\\. \\b", U"C:\\A\\. \\B"},           // ". " is a name, not "."
    {U"C:\\a\\.. \\b", U"C:\\A\\.. \\B"},
    {U"C:\\a//b", U"C:\\A\\B"},
    {U"c:/a/./b/../c", U"C:\\A\\C"},
    {U"C:\\a\\b\\.", U"C:\\A\\B"},
    {U"C:\\a\\b\\..", U"C:\\A"},
    {U"C:\\a\\. ", U"C:\\A"},                     // all dots and blanks at the end: nothing left
    {U"C:\\a\\b\\ ..", U"C:\\A\\B"},
    {U"d:\\", U"D:\\"},
    {U"d:\\x\\..", U"D:\\"},
    {U"C:\\ ", U"C:\\"},
};

// Letters and their upper case in Windows' file-name table; a letter beside itself is one the
// table leaves alone although Unicode has an upper case for it.
inline const std::u32string kLowerLetters =
    U"az\u00e0\u00fe\u00ff\u0101\u0107\u011f\u0131\u0142\u0148\u0151\u017e\u0192\u01a1\u01b0"
    U"\u01ce\u01dc\u0251\u0261\u00b5\u00df\u03ac\u03ad\u03af\u03b1\u03c2\u03c3\u03ca\u03cb"
    U"\u03cc\u03ce\u0430\u044f\u0451\u045f\u0491\u2170\u2179\u24d0\uff41\uff5a";
inline const std::u32string kUpperLetters =
    U"AZ\u00c0\u00de\u0178\u0100\u0106\u011e\u0131\u0141\u0147\u0150\u017d\u0191\u01a0\u01af"
    U"\u01cd\u01db\u2c6d\ua7ac\u00b5\u00df\u0386\u0388\u038a\u0391\u03c2\u03a3\u03aa\u03ab"
    U"\u038c\u038f\u0410\u042f\u0401\u040f\u0490\u2160\u2169\u24b6\uff21\uff3a";

}  // namespace qv::test
