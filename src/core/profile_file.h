// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/file_io.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// <windows.h> maps these names onto its own A/W functions with macros; ours keep their names.
// A file that needs both must include <windows.h> before this header.
#ifdef GetPrivateProfileString
#undef GetPrivateProfileString
#endif
#ifdef WritePrivateProfileString
#undef WritePrivateProfileString
#endif
#ifdef GetPrivateProfileInt
#undef GetPrivateProfileInt
#endif

// An INI file held in memory, read and changed with the rules of the Windows profile functions
// (GetPrivateProfileString and friends), so that the game and the Windows tools that share these
// files read them alike, and a change made here leaves the same bytes WritePrivateProfileString
// would. Lines that are not touched keep their text. A line ends at CR LF, at LF or at CR alone;
// Text() ends every line with CR LF, so a rewrite of a file with LF or CR line ends turns them all
// into CR LF (the game and the Windows tools read that alike, and one style per file is what
// they write themselves).
//
// The rules:
//  - A section starts at a line "[name]" (spaces and tabs around it and inside the brackets do not
//    count; the name ends at the last ']'). Lines before the first section belong to none.
//  - Section and key names compare without regard to ASCII case, trimmed of spaces and tabs.
//  - Lines that start with ';' are comments. Blank lines are nothing.
//  - "key=value": the name is the text before the first '=', the value the text after it, both
//    trimmed. GetString drops one pair of matching single or double quotes around the value.
//  - A line without '=' names a key with no value: GetString gives the default for it and GetKeys
//    leaves it out (as Windows does), but WriteString replaces that line rather than adding a
//    second key of the same name, and GetSectionLines lists it.
//  - When a section or key name appears twice, the first one is read and changed.
class ProfileFile {
public:
    // Reads the file. A file that cannot be read gives an empty profile and false.
    bool Load(const std::string& path);
    // Writes the whole text in one go through WriteFileAtomic; false leaves the file untouched.
    bool Save(const std::string& path, FileAccess access = FileAccess::Usual) const;

    std::string Text() const;
    void SetText(const std::string& text);

    // The value, or defaultValue (less its trailing spaces, as Windows gives it) when the section
    // or key is missing.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue = std::string()) const;
    // GetPrivateProfileInt: the value read by GetString as a number (whitespace, sign, digits;
    // "0x", "0o", "0b" prefixes; wrapping around modulo 2^32 like Windows rather than clamping).
    // A missing or empty value gives defaultValue.
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;

    bool HasSection(const std::string& section) const;
    // True when the section has a line "key=..." (a line "key" without '=' does not count).
    bool HasKey(const std::string& section, const std::string& key) const;

    // GetPrivateProfileSection: the section's lines in order, trimmed, "name=value" with the
    // spaces around '=' removed and quotes kept; comments and blank lines left out.
    std::vector<std::string> GetSectionLines(const std::string& section) const;
    // The names of the section's keys that have '=', in order.
    std::vector<std::string> GetKeys(const std::string& section) const;
    // GetPrivateProfileSectionNames: every section header's name in file order (empty names left
    // out, repeated names repeated).
    std::vector<std::string> GetSectionNames() const;

    // WritePrivateProfileString. An existing key's line becomes "key=value" with the key spelled as
    // passed. A new key goes after the last non-blank line of its section, so that blank lines
    // before the next section stay where they are. A new section goes at the end of the file as
    // "[section]" and "key=value", with no blank line before it. CR and LF inside the names or the
    // value become spaces: they would otherwise make lines of their own.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInt(const std::string& section, const std::string& key, int value);
    // Removes the key's lines (every line of that name in the section, so that it reads as missing
    // afterwards).
    void DeleteKey(const std::string& section, const std::string& key);
    // Removes every section of that name: header, lines and the blank lines after them.
    void DeleteSection(const std::string& section);
    // WritePrivateProfileSection: the section's lines (comments too) become the given ones; blank
    // lines before the next section stay. A missing section is added at the end, unless lines is
    // empty.
    void WriteSection(const std::string& section, const std::vector<std::string>& lines);

private:
    struct Section {
        bool hasHeader = false; // false only for the lines before the first header
        std::string header;     // the header line as it is in the file
        std::string name;       // the name inside the brackets, trimmed
        std::vector<std::string> lines;
        std::unordered_map<std::string, size_t> keyLines; // lower-cased key name -> first line
    };

    static void IndexKeys(Section& section);
    void IndexSections();
    const Section* FindSection(const std::string& section) const;
    Section* FindSection(const std::string& section);
    Section& AppendSection(const std::string& name);
    bool IsLastSection(const Section& section) const;

    std::vector<Section> sections_ = std::vector<Section>(1); // [0] holds the lines before any header
    std::unordered_map<std::string, size_t> sectionIndex_;    // lower-cased name -> first section
    bool bom_ = false;       // a UTF-8 byte order mark before the first line, kept as it was
    bool finalBreak_ = true; // whether the last line ends in a line break
};

// One-shot calls like the Windows functions of these names: each loads the file and (for Write)
// saves it again. A missing file reads as empty and is created by a write.
std::string GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                                    const std::string& path);
int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue, const std::string& path);
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path);
