#include "platform/win32/InstallerFile.h"

#include "platform/Crypto.h"

#include <bcrypt.h>
#include <shellapi.h>

#include <vector>

namespace varnook::platform {

namespace {

std::wstring RandomHex(size_t bytes)
{
    std::vector<UCHAR> random(bytes);
    BCryptGenRandom(nullptr, random.data(), static_cast<ULONG>(random.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring out;
    for (UCHAR b : random) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}
} // namespace

TInstallerFile::~TInstallerFile()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    if (!kept_)
        Remove();
}

void TInstallerFile::Remove()
{
    if (!path_.empty())
        DeleteFileW(path_.c_str());
    if (!folder_.empty())
        RemoveDirectoryW(folder_.c_str());
}

bool TInstallerFile::Create(const std::wstring& fileName)
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(ARRAYSIZE(temp), temp);
    if (!length || length > MAX_PATH)
        return false;
    // A name nobody can guess, made new: CreateDirectoryW fails on anything already there,
    // including a folder or link someone planted.
    for (int attempt = 0; attempt < 8 && folder_.empty(); ++attempt) {
        std::wstring folder = std::wstring(temp) + L"Varnook-update-" + RandomHex(8);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            folder_ = folder;
    }
    if (folder_.empty())
        return false;
    path_ = folder_ + L"\\" + fileName;
    file_ = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        path_.clear();
        return false;
    }
    return true;
}

bool TInstallerFile::Write(const void* data, size_t length)
{
    const auto* bytes = static_cast<const char*>(data);
    while (length) {
        DWORD written = 0;
        const DWORD piece = length > 0x10000000 ? 0x10000000 : static_cast<DWORD>(length);
        if (file_ == INVALID_HANDLE_VALUE || !WriteFile(file_, bytes, piece, &written, nullptr) || !written)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

bool TInstallerFile::Seal(uint64_t& length, std::array<uint8_t, 32>& sha256)
{
    if (file_ == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file_);
    // Sharing for reading only: the shell and the loader may open it to start it, nobody may
    // change, rename or delete it while it is held here.
    file_ = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ == INVALID_HANDLE_VALUE)
        return false;
    TSha256 hash;
    std::vector<char> buffer(64 * 1024);
    length = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (!read)
            break;
        hash.Update(buffer.data(), read);
        length += read;
    }
    sha256 = hash.Finish();
    return true;
}

void TInstallerFile::Keep()
{
    kept_ = true;
}

} // namespace varnook::platform
