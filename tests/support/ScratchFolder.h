// Scratch folders on drive C (of the Wine prefix, or of the native build's drives), and a
// program that lives in one of them. Portable: no windows.h.
#pragma once

#include "platform/Services.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace varnook::testing {

class ScratchFolder {
public:
    ScratchFolder()
    {
        static std::atomic<int> counter{0};
        const auto stamp = std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
        const std::string leaf = "varnook-tests\\f" + stamp + "_" + std::to_string(++counter);
        path_ = u"C:\\" + std::u16string(leaf.begin(), leaf.end());
        std::filesystem::create_directories(platform::HostPath(path_));
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(platform::HostPath(path_), ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(platform::HostPath(path_), ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::u16string& Path() const { return path_; }
    std::u16string Make(const std::u16string& relative, bool directory)
    {
        const std::u16string full = path_ + u"\\" + relative;
        if (directory)
            std::filesystem::create_directories(platform::HostPath(full));
        else
            std::ofstream(platform::HostPath(full)) << "x";
        return full;
    }

private:
    std::u16string path_;
};

inline void WriteBytes(const std::u16string& path, const std::string& bytes)
{
    std::ofstream(platform::HostPath(path), std::ios::binary | std::ios::trunc) << bytes;
}

// The whole file; empty when it is missing.
inline std::string ReadBytes(const std::u16string& path)
{
    std::ifstream in(platform::HostPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool FileExists(const std::u16string& path)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(platform::HostPath(path), ignored);
}

inline void SetReadOnly(const std::u16string& path, bool readOnly)
{
    using std::filesystem::perms;
    std::filesystem::permissions(platform::HostPath(path), perms::owner_write | perms::group_write | perms::others_write,
                                 readOnly ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
}

// The real file services, with the executable placed in a folder of the test's choosing.
class ProgramIn : public platform::IProgramFiles {
public:
    explicit ProgramIn(std::u16string folder) : exe_(std::move(folder) + u"\\varnook.exe") {}
    std::u16string ExecutablePath() override { return exe_; }
    platform::FileState GetFileState(const std::u16string& path) override
    {
        return platform::DefaultProgramFiles().GetFileState(path);
    }
    bool MoveReplacing(const std::u16string& source, const std::u16string& target) override
    {
        return platform::DefaultProgramFiles().MoveReplacing(source, target);
    }
    bool RemoveFile(const std::u16string& path) override { return platform::DefaultProgramFiles().RemoveFile(path); }
    bool CopyReplacing(const std::u16string& source, const std::u16string& target) override
    {
        return platform::DefaultProgramFiles().CopyReplacing(source, target);
    }

private:
    std::u16string exe_;
};

} // namespace varnook::testing
