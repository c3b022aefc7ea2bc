// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "fuzz_check.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Some loaders only take a path: the input goes into a file of a scratch folder first. The folder
// is on the RAM disk when there is one, since the program's writes flush to the disk, which on a
// real one costs milliseconds an input. It goes when the run ends normally.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::error_code error;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, error) || ::access(base.c_str(), W_OK) != 0)
            base = std::filesystem::temp_directory_path();
        std::string name = (base / "znk-fuzz-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(name.data()) != nullptr);
        folder_ = name;
    }
    ~ScratchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& folder() const { return folder_; }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    void Write(const std::string& name, const std::string& bytes) const
    {
        FILE* file = std::fopen(Path(name).c_str(), "wb");
        FUZZ_CHECK(file != nullptr);
        FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
        FUZZ_CHECK(std::fclose(file) == 0);
    }
    void Remove(const std::string& name) const { std::remove(Path(name).c_str()); }

private:
    std::string folder_;
};

inline const ScratchFolder& Scratch()
{
    static const ScratchFolder folder;
    return folder;
}

inline std::string AsText(const uint8_t* data, size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Two files from one input: the bytes before the first form feed, and those after it (none when
// there is no form feed). The form feed is as good as absent from the text files read here.
inline bool SplitAtFormFeed(const std::string& input, std::string& first, std::string& second)
{
    const size_t cut = input.find('\f');
    first = input.substr(0, cut);
    second = cut == std::string::npos ? std::string() : input.substr(cut + 1);
    return cut != std::string::npos;
}

// ASCII letters made small, as the profile format compares section and key names.
inline std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}
