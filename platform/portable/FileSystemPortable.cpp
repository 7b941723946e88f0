// Drives of the native build: drive X: is the folder $VARNOOK_DRIVES/X, a path from the root
// (\x) lies on drive C:. The search takes * and ? as wildcards in the last component only and
// everything else literally, as FindFirstFileW does.
#include "core/Strings.h"
#include "platform/Services.h"

#include <fnmatch.h>
#include <glob.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>
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
        // glob(3) would match wildcards in every component and take brackets as classes.
        const std::string host = HostPath(pattern).string();
        const size_t leaf = host.find_last_of('/') + 1;
        std::string escaped;
        for (size_t i = 0; i < host.size(); ++i) {
            const char c = host[i];
            if (c == '[' || c == ']' || c == '\\' || ((c == '*' || c == '?') && i < leaf))
                escaped += '\\';
            escaped += c;
        }
        glob_t found{};
        const int rc = glob(escaped.c_str(), GLOB_NOSORT, nullptr, &found);
        const bool any = rc == 0 && found.gl_pathc > 0;
        globfree(&found);
        return any;
    }

    uint32_t SetErrorMode(uint32_t mode) override { return std::exchange(mode_, mode); }

    // No 8.3 names here: ShortPathName keeps the default (none), so paths stay as typed.

    // The folder is listed and the leaf matched without regard to ASCII letter case, as the
    // drives of Windows do; an exact match wins, then the first name in sorted order.
    bool FindFirstName(const std::u16string& pattern, std::u16string& name) override
    {
        const size_t cut = pattern.find_last_of(u"\\:");
        const std::u16string folder = cut == std::u16string::npos ? u"" : pattern.substr(0, cut + 1);
        const std::string leaf = ToUtf8(pattern.substr(cut == std::u16string::npos ? 0 : cut + 1));
        if (leaf.empty())
            return false;
        std::error_code error;
        std::vector<std::string> matches;
        for (const auto& entry : std::filesystem::directory_iterator(HostPath(folder), error)) {
            const std::string candidate = entry.path().filename().string();
            if (candidate == leaf) {
                name = FromUtf8(candidate);
                return true;
            }
            if (fnmatch(leaf.c_str(), candidate.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0)
                matches.push_back(candidate);
        }
        if (error || matches.empty())
            return false;
        name = FromUtf8(*std::min_element(matches.begin(), matches.end()));
        return true;
    }

    // As FindFirstFileW does for a pattern ending in *: "." and ".." come first; letter case is
    // ignored. No system attribute here, so nothing is left out for it.
    bool ListEntries(const std::u16string& pattern, const TListLimits& limits, std::vector<TDirEntry>& entries) override
    {
        const size_t cut = pattern.find_last_of(u"\\:");
        const std::u16string folder = cut == std::u16string::npos ? u"" : pattern.substr(0, cut + 1);
        const std::string leaf = ToUtf8(pattern.substr(cut == std::u16string::npos ? 0 : cut + 1));
        const auto start = std::chrono::steady_clock::now();
        auto add = [&](const std::string& name, bool directory) {
            if (fnmatch(leaf.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) != 0)
                return true;
            if (entries.size() >= limits.maxEntries ||
                std::chrono::steady_clock::now() - start > std::chrono::milliseconds(limits.maxMilliseconds))
                return false;
            entries.push_back({FromUtf8(name), directory});
            return true;
        };
        std::error_code error;
        std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::current_path(error) : HostPath(folder),
                                               error);
        if (error)
            return true;
        if (!add(".", true) || !add("..", true))
            return false;
        for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
            if (error)
                return true;
            if (!add(it->path().filename().string(), it->is_directory(error)))
                return false;
        }
        return true;
    }

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
