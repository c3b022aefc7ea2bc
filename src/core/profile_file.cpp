// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profile_file.h"

#include "core/file_io.h"
#include "core/text_file.h"

#include <string_view>

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlankChar(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsBlankChar(s[begin]))
        ++begin;
    while (end > begin && IsBlankChar(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string NameKey(const std::string& name)
{
    return Lower(Trim(name));
}

bool IsBlank(std::string_view line)
{
    return Trim(line).empty();
}

bool ParseHeader(std::string_view line, std::string& name)
{
    std::string_view t = Trim(line);
    if (t.empty() || t[0] != '[')
        return false;
    size_t close = t.rfind(']');
    if (close == std::string_view::npos || close == 0)
        return false;
    name = std::string(Trim(t.substr(1, close - 1)));
    return true;
}

struct KeyLine {
    std::string_view name;
    std::string_view value;
    bool hasValue = false;
};

// False for blank lines and comments, which name no key.
bool ParseKeyLine(std::string_view line, KeyLine& out)
{
    std::string_view t = Trim(line);
    if (t.empty() || t[0] == ';')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        out.name = t;
        out.value = {};
        out.hasValue = false;
    } else {
        out.name = Trim(t.substr(0, eq));
        out.value = Trim(t.substr(eq + 1));
        out.hasValue = true;
    }
    return true;
}

std::string_view StripQuotes(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Windows reads profile numbers with RtlUnicodeStringToInteger in base 0 from a 30-character
// buffer: at most 29 characters, whitespace (any character up to ' '), one sign, an optional
// "0x" / "0o" / "0b" prefix, then digits of that base, all in 32-bit unsigned arithmetic.
unsigned ReadProfileNumber(std::string_view s)
{
    s = s.substr(0, 29);
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        if (s[i + 1] == 'x')
            base = 16;
        else if (s[i + 1] == 'o')
            base = 8;
        else if (s[i + 1] == 'b')
            base = 2;
        if (base != 10)
            i += 2;
    }
    unsigned value = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'z')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'Z')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

size_t EndOfContent(const std::vector<std::string>& lines)
{
    size_t end = lines.size();
    while (end > 0 && IsBlank(lines[end - 1]))
        --end;
    return end;
}

} // namespace

void ProfileFile::IndexKeys(Section& section)
{
    section.keyLines.clear();
    KeyLine k;
    for (size_t i = 0; i < section.lines.size(); ++i)
        if (ParseKeyLine(section.lines[i], k))
            section.keyLines.try_emplace(Lower(k.name), i);
}

void ProfileFile::IndexSections()
{
    sectionIndex_.clear();
    for (size_t i = 1; i < sections_.size(); ++i)
        sectionIndex_.try_emplace(Lower(sections_[i].name), i);
}

const ProfileFile::Section* ProfileFile::FindSection(const std::string& section) const
{
    auto it = sectionIndex_.find(NameKey(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

ProfileFile::Section* ProfileFile::FindSection(const std::string& section)
{
    auto it = sectionIndex_.find(NameKey(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

bool ProfileFile::IsLastSection(const Section& section) const
{
    return &section == &sections_.back();
}

ProfileFile::Section& ProfileFile::AppendSection(const std::string& name)
{
    Section s;
    s.hasHeader = true;
    s.name = std::string(Trim(OneLine(name)));
    s.header = "[" + s.name + "]";
    sections_.push_back(std::move(s));
    sectionIndex_.try_emplace(Lower(sections_.back().name), sections_.size() - 1);
    finalBreak_ = true;
    return sections_.back();
}

bool ProfileFile::Load(const std::string& path)
{
    std::string text;
    bool ok = ReadWholeFile(path, text);
    SetText(text);
    return ok;
}

bool ProfileFile::Save(const std::string& path, FileAccess access) const
{
    return WriteFileAtomic(path, Text(), access);
}

std::string ProfileFile::Text() const
{
    size_t size = bom_ ? kBom.size() : 0;
    for (const Section& s : sections_) {
        if (s.hasHeader)
            size += s.header.size() + 2;
        for (const std::string& line : s.lines)
            size += line.size() + 2;
    }
    std::string text;
    text.reserve(size);
    if (bom_)
        text += kBom;
    for (const Section& s : sections_) {
        if (s.hasHeader) {
            text += s.header;
            text += "\r\n";
        }
        for (const std::string& line : s.lines) {
            text += line;
            text += "\r\n";
        }
    }
    if (!finalBreak_ && text.size() > (bom_ ? kBom.size() : 0))
        text.resize(text.size() - 2); // every line above added its "\r\n"
    return text;
}

void ProfileFile::SetText(const std::string& text)
{
    std::string_view body = text;
    bom_ = body.substr(0, kBom.size()) == kBom;
    if (bom_)
        body.remove_prefix(kBom.size());
    finalBreak_ = body.empty() || body.back() == '\n' || body.back() == '\r';

    sections_.clear();
    sections_.emplace_back();
    std::string name;
    for (std::string& line : SplitLines(std::string(body))) {
        if (ParseHeader(line, name)) {
            Section s;
            s.hasHeader = true;
            s.header = std::move(line);
            s.name = std::move(name);
            sections_.push_back(std::move(s));
        } else {
            sections_.back().lines.push_back(std::move(line));
        }
    }
    for (Section& s : sections_)
        IndexKeys(s);
    IndexSections();
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const
{
    if (const Section* s = FindSection(section)) {
        auto it = s->keyLines.find(NameKey(key));
        KeyLine k;
        if (it != s->keyLines.end() && ParseKeyLine(s->lines[it->second], k) && k.hasValue)
            return std::string(StripQuotes(k.value));
    }
    size_t end = defaultValue.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : defaultValue.substr(0, end + 1);
}

int ProfileFile::GetInt(const std::string& section, const std::string& key, int defaultValue) const
{
    std::string value = GetString(section, key);
    if (value.empty())
        return defaultValue;
    return static_cast<int>(ReadProfileNumber(value));
}

bool ProfileFile::HasSection(const std::string& section) const
{
    return FindSection(section) != nullptr;
}

bool ProfileFile::HasKey(const std::string& section, const std::string& key) const
{
    const Section* s = FindSection(section);
    if (!s)
        return false;
    auto it = s->keyLines.find(NameKey(key));
    KeyLine k;
    return it != s->keyLines.end() && ParseKeyLine(s->lines[it->second], k) && k.hasValue;
}

std::vector<std::string> ProfileFile::GetSectionLines(const std::string& section) const
{
    std::vector<std::string> out;
    const Section* s = FindSection(section);
    if (!s)
        return out;
    KeyLine k;
    for (const std::string& line : s->lines) {
        if (!ParseKeyLine(line, k))
            continue;
        std::string entry(k.name);
        if (k.hasValue) {
            entry += '=';
            entry += k.value;
        }
        out.push_back(std::move(entry));
    }
    return out;
}

std::vector<std::string> ProfileFile::GetKeys(const std::string& section) const
{
    std::vector<std::string> out;
    const Section* s = FindSection(section);
    if (!s)
        return out;
    KeyLine k;
    for (const std::string& line : s->lines)
        if (ParseKeyLine(line, k) && k.hasValue && !k.name.empty())
            out.emplace_back(k.name);
    return out;
}

std::vector<std::string> ProfileFile::GetSectionNames() const
{
    std::vector<std::string> out;
    for (size_t i = 1; i < sections_.size(); ++i)
        if (!sections_[i].name.empty())
            out.push_back(sections_[i].name);
    return out;
}

void ProfileFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string keyName(Trim(OneLine(key)));
    std::string line = keyName + "=" + OneLine(value);

    Section* s = FindSection(section);
    if (!s) {
        Section& added = AppendSection(section);
        added.lines.push_back(std::move(line));
        added.keyLines.emplace(Lower(keyName), 0);
        return;
    }
    auto it = s->keyLines.find(Lower(keyName));
    if (it != s->keyLines.end()) {
        s->lines[it->second] = std::move(line);
        return;
    }
    // Only blank lines follow the insertion point, so no indexed line moves.
    size_t at = EndOfContent(s->lines);
    if (IsLastSection(*s) && at == s->lines.size())
        finalBreak_ = true;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    s->keyLines.emplace(Lower(keyName), at);
}

void ProfileFile::WriteInt(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void ProfileFile::DeleteKey(const std::string& section, const std::string& key)
{
    Section* s = FindSection(section);
    if (!s)
        return;
    const std::string wanted = NameKey(key);
    if (s->keyLines.find(wanted) == s->keyLines.end())
        return;
    std::vector<std::string> kept;
    kept.reserve(s->lines.size());
    bool removedLast = false;
    KeyLine k;
    for (size_t i = 0; i < s->lines.size(); ++i) {
        if (ParseKeyLine(s->lines[i], k) && Lower(k.name) == wanted)
            removedLast = i + 1 == s->lines.size();
        else
            kept.push_back(std::move(s->lines[i]));
    }
    // The line before a removed last line had its break, and the file now ends there.
    if (removedLast && IsLastSection(*s))
        finalBreak_ = true;
    s->lines = std::move(kept);
    IndexKeys(*s);
}

void ProfileFile::DeleteSection(const std::string& section)
{
    const std::string wanted = NameKey(section);
    if (sectionIndex_.find(wanted) == sectionIndex_.end())
        return;
    std::vector<Section> kept;
    kept.reserve(sections_.size());
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0 && Lower(sections_[i].name) == wanted) {
            if (i + 1 == sections_.size())
                finalBreak_ = true;
            continue;
        }
        kept.push_back(std::move(sections_[i]));
    }
    sections_ = std::move(kept);
    IndexSections();
}

void ProfileFile::WriteSection(const std::string& section, const std::vector<std::string>& lines)
{
    Section* s = FindSection(section);
    if (!s) {
        if (lines.empty())
            return;
        s = &AppendSection(section);
    }
    size_t content = EndOfContent(s->lines);
    if (IsLastSection(*s) && content == s->lines.size())
        finalBreak_ = true;
    std::vector<std::string> body;
    body.reserve(lines.size() + s->lines.size() - content);
    bool hasHeaderLine = false;
    std::string ignored;
    for (const std::string& line : lines) {
        body.push_back(OneLine(line));
        hasHeaderLine = hasHeaderLine || ParseHeader(body.back(), ignored);
    }
    for (size_t i = content; i < s->lines.size(); ++i)
        body.push_back(std::move(s->lines[i]));
    s->lines = std::move(body);
    IndexKeys(*s);
    // A given line that looks like "[name]" would start a section when the file is read again;
    // reading the text again keeps the model the same as the file.
    if (hasHeaderLine)
        SetText(Text());
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                                    const std::string& path)
{
    ProfileFile profile;
    profile.Load(path);
    return profile.GetString(section, key, defaultValue);
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue, const std::string& path)
{
    ProfileFile profile;
    profile.Load(path);
    return profile.GetInt(section, key, defaultValue);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path)
{
    ProfileFile profile;
    profile.Load(path);
    profile.WriteString(section, key, value);
    return profile.Save(path);
}
