// Drives of the native build: drive X: is the folder $VARNOOK_DRIVES/X, a path from the root
// (\x) lies on drive C:. Wildcards follow glob(3), which agrees with FindFirstFileW on * and ?.
#include "core/Strings.h"
#include "platform/Services.h"

#include <glob.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace varnook::platform {

namespace {

class PortableFileSystem final : public IFileSystem {
public:
    bool DirectoryExists(const std::u16string& path) override
    {
        struct stat st;
        return stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    TPathProbe ProbePath(const std::u16string& path) override
    {
        const std::filesystem::path host = HostPath(path);
        struct stat st;
        if (stat(host.c_str(), &st) == 0)
            return S_ISDIR(st.st_mode) ? TPathProbe::Directory : TPathProbe::NotDirectory;
        return errno == ENOENT || errno == ENOTDIR ? TPathProbe::Missing : TPathProbe::Unknown;
    }

    bool SearchFinds(const std::u16string& pattern) override
    {
        glob_t found{};
        const int rc = glob(HostPath(pattern).c_str(), GLOB_NOSORT, nullptr, &found);
        const bool any = rc == 0 && found.gl_pathc > 0;
        globfree(&found);
        return any;
    }

    uint32_t SetErrorMode(uint32_t mode) override { return std::exchange(mode_, mode); }

private:
    uint32_t mode_ = 0;
};

} // namespace

IFileSystem& DefaultFileSystem()
{
    static PortableFileSystem fileSystem;
    return fileSystem;
}

std::filesystem::path HostPath(const std::u16string& windowsPath)
{
    const char* drives = std::getenv("VARNOOK_DRIVES");
    std::string root = drives && *drives ? drives : "/tmp/varnook-drives";
    std::u16string rest = windowsPath;
    char drive = 'C';
    if (rest.size() >= 2 && rest[1] == u':' && rest[0] < 0x80) {
        drive = static_cast<char>(rest[0] & ~0x20);
        rest.erase(0, 2);
    }
    std::string path = root + "/" + drive;
    if (rest.empty() || rest[0] != u'\\')
        path += '/';
    for (char c : ToUtf8(rest))
        path += c == '\\' ? '/' : c;
    return path;
}

} // namespace varnook::platform
