// Where a downloaded installer lives until it is started: a new folder of the program's own
// under the user's temporary folder, so no other user can plant or swap the file, and how it
// is started with administrator rights.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace varnook::platform {

class TInstallerFile {
public:
    TInstallerFile() = default;
    // Removes the file and its folder unless Keep was called.
    ~TInstallerFile();
    TInstallerFile(const TInstallerFile&) = delete;
    TInstallerFile& operator=(const TInstallerFile&) = delete;

    // Makes a new folder under the temporary folder and creates fileName in it for writing.
    bool Create(const std::wstring& fileName);
    bool Write(const void* data, size_t length);
    // Ends the writing and opens the file again so that nobody can write, rename or delete it
    // while this object holds it, then measures and hashes what is on disk: what is verified
    // is what will be started.
    bool Seal(uint64_t& length, std::array<uint8_t, 32>& sha256);
    // The file was started: leave it behind (and let go of it).
    void Keep();
    const std::wstring& Path() const { return path_; }
    const std::wstring& Folder() const { return folder_; }

private:
    void Remove();
    std::wstring folder_;
    std::wstring path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool kept_ = false;
};


} // namespace varnook::platform
