// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>
#include <vector>

// Helpers of the model tests and the Qt tests alike; plain C++.

// A fresh empty folder, removed with everything in it when it goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; } // absolute
    std::string File(const std::string& name) const;  // Path() + separator + name

private:
    std::string path_;
};

// Runs a test inside a fresh, empty working folder and goes back to the old one afterwards:
// the program keeps its own files in the current directory.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    std::string Path() const { return dir_.Path(); }
    std::string File(const std::string& name) const { return dir_.File(name); }

private:
    TempDir dir_;
    std::string oldDir_;
};

// Makes path the current folder; whether it could.
bool ChangeDirectory(const std::string& path);
// Makes the folder and any of its parents that are missing.
void MakeFolders(const std::string& path);

std::vector<unsigned char> ReadAllBytes(const std::string& path);
void WriteAllBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

// Asks condition every 10 ms until it holds or timeoutMs have passed; whether it held.
// (For waiting on other processes; a test with a Qt event loop waits with QTest::qWaitFor.)
bool PollUntil(const std::function<bool()>& condition, int timeoutMs);
