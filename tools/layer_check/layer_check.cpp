// SPDX-License-Identifier: GPL-3.0-or-later
// layer_check SRC_DIR
//
// Reads SRC_DIR/layers.txt: one line per layer, lowest first, each naming the folders of that
// layer (blank lines and lines starting with '#' are skipped). A line "only-in FOLDER TEXT..."
// says that TEXT may appear in the sources of FOLDER alone. A line "plain FOLDER..." says the
// sources of those folders are plain C++: they include no Qt header and no header of the audio
// libraries. A subsystem's model/ and audio/ folders are folders of their own ("bots/model"),
// and "*/model" names every subsystem's model folder at once.
//
// Then every #include "folder/..." of every source under SRC_DIR is an edge between two
// folders. An edge is wrong when it goes to a higher layer, or to a folder of the same layer
// that includes it back (directly or round a longer loop). Files directly in SRC_DIR (main.cpp)
// belong to the highest layer. Prints each wrong include with its file and line, and exits
// with 1 when there is any.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Include {
    std::string file;
    int line;
    std::string from;
    std::string to;
};

struct OnlyIn {
    std::string folder;
    std::string text;
};

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool IsInnerFolder(const std::string& name)
{
    return name == "model" || name == "audio";
}

// The folder a source or an include path belongs to: its first part, or its first two when the
// second is a model/ or audio/ folder.
std::string FolderOf(const fs::path& relative)
{
    const auto parts = std::distance(relative.begin(), relative.end());
    if (parts < 2)
        return "."; // a file right in src/
    auto it = relative.begin();
    const std::string first = it->string();
    const std::string second = (++it)->string();
    return parts > 2 && IsInnerFolder(second) ? first + "/" + second : first;
}

// A rule's folder name matches a folder: itself, or "*/model" any subsystem's model folder.
bool Matches(const std::string& pattern, const std::string& folder)
{
    if (pattern.rfind("*/", 0) == 0)
        return folder.size() > pattern.size() - 1 &&
               folder.compare(folder.size() - (pattern.size() - 1), std::string::npos, pattern, 1) == 0;
    return pattern == folder;
}

// The headers plain C++ must not include: Qt's and the audio libraries'.
bool IsForbiddenInPlain(const std::string& header)
{
    return (!header.empty() && header[0] == 'Q') || header.rfind("qt", 0) == 0 || header.rfind("mpg123", 0) == 0 ||
           header.rfind("out123", 0) == 0 || header.rfind("taglib", 0) == 0 || header.rfind("fmod", 0) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: layer_check SRC_DIR\n";
        return 2;
    }
    const fs::path src = argv[1];
    std::ifstream rules(src / "layers.txt");
    if (!rules) {
        std::cerr << "cannot read " << (src / "layers.txt") << "\n";
        return 2;
    }
    std::map<std::string, int> layer;
    std::vector<std::pair<std::string, int>> patterns;
    std::vector<std::string> plain;
    std::vector<OnlyIn> onlyIn;
    std::string line;
    int level = 0;
    while (std::getline(rules, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == "only-in") {
            OnlyIn rule;
            words >> rule.folder;
            std::getline(words, rule.text);
            rule.text = Trim(rule.text);
            onlyIn.push_back(rule);
            continue;
        }
        if (first == "plain") {
            for (std::string folder; words >> folder;)
                plain.push_back(folder);
            continue;
        }
        for (std::string folder = first; !folder.empty(); folder.clear(), words >> folder) {
            if (folder.rfind("*/", 0) == 0)
                patterns.emplace_back(folder, level);
            else
                layer[folder] = level;
        }
        ++level;
    }
    layer["."] = level;
    // The folders named by a pattern get its layer, as they are met.
    const auto known = [&](const std::string& folder) {
        if (layer.count(folder))
            return true;
        for (const auto& [pattern, level] : patterns)
            if (Matches(pattern, folder)) {
                layer[folder] = level;
                return true;
            }
        return false;
    };
    const auto isPlain = [&](const std::string& folder) {
        return std::any_of(plain.begin(), plain.end(), [&](const std::string& p) { return Matches(p, folder); });
    };

    std::vector<Include> includes;
    std::vector<std::string> problems;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        const fs::path relative = fs::relative(entry.path(), src);
        const std::string from = FolderOf(relative);
        if (!known(from)) {
            problems.push_back(relative.string() + ": folder '" + from + "' is in no layer of layers.txt");
            continue;
        }
        std::ifstream in(entry.path());
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            for (const OnlyIn& rule : onlyIn)
                if (from != rule.folder && line.find(rule.text) != std::string::npos && Trim(line).rfind("//", 0) != 0)
                    problems.push_back(relative.string() + ":" + std::to_string(number) + ": '" + rule.text +
                                       "' belongs to " + rule.folder + "/ alone");
            const std::string t = Trim(line);
            if (t.rfind("#include <", 0) == 0 && isPlain(from)) {
                const std::string header = t.substr(10, t.find('>') - 10);
                if (IsForbiddenInPlain(header))
                    problems.push_back(relative.string() + ":" + std::to_string(number) + ": " + from +
                                       "/ is plain C++ and includes <" + header + ">");
            }
            if (t.rfind("#include \"", 0) != 0)
                continue;
            const size_t start = t.find('"') + 1;
            const std::string target = t.substr(start, t.find('"', start) - start);
            if (target.find('/') == std::string::npos)
                continue;
            const std::string to = FolderOf(fs::path(target));
            if (to == from || !known(to))
                continue;
            includes.push_back({relative.string(), number, from, to});
        }
    }

    // Upward includes, then loops among the folders of one layer.
    std::map<std::string, std::set<std::string>> edges;
    for (const Include& i : includes) {
        if (layer[i.to] > layer[i.from])
            problems.push_back(i.file + ":" + std::to_string(i.line) + ": " + i.from + "/ includes " + i.to +
                               "/, which sits in a higher layer");
        edges[i.from].insert(i.to);
    }
    auto reaches = [&](const std::string& start, const std::string& goal) {
        std::set<std::string> seen;
        std::function<bool(const std::string&)> walk = [&](const std::string& at) {
            if (at == goal)
                return true;
            if (!seen.insert(at).second)
                return false;
            for (const std::string& next : edges[at])
                if (walk(next))
                    return true;
            return false;
        };
        return walk(start);
    };
    for (const Include& i : includes)
        if (reaches(i.to, i.from))
            problems.push_back(i.file + ":" + std::to_string(i.line) + ": " + i.from + "/ includes " + i.to +
                               "/, which includes " + i.from + "/ back");

    std::sort(problems.begin(), problems.end());
    problems.erase(std::unique(problems.begin(), problems.end()), problems.end());
    for (const std::string& p : problems)
        std::cout << p << "\n";
    if (!problems.empty()) {
        std::cout << problems.size() << " problem(s)\n";
        return 1;
    }
    std::cout << "layers: " << includes.size() << " includes between folders, all downwards\n";
    return 0;
}
