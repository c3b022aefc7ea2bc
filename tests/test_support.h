#pragma once
#include <QTemporaryDir>
#include <string>
#include <vector>

// Runs a test inside a fresh, empty working folder and goes back to the old one afterwards:
// the program keeps its own files in the current directory.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    std::string Path() const;                       // absolute, native separators
    std::string File(const std::string& name) const; // Path() + separator + name

private:
    QTemporaryDir dir_;
    std::string oldDir_;
};

std::vector<unsigned char> ReadAllBytes(const std::string& path);
void WriteAllBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);
