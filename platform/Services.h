// The operating-system services the portable code needs, each behind a small interface.
// Windows builds get the real implementations (platform/win32); the native build gets
// substitutes (platform/portable). Tests may put a double in place of any of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnook::platform {

class IRegistryBackend;
class IElevation;
class ISaveFileDialog;
class IAccounts;
class IFileWriter;

// Character stepping and comparison as the user's locale sees them.
class ITextServices {
public:
    virtual ~ITextServices() = default;
    // Index just past the character that starts at pos, combining marks that follow it included.
    // Always greater than pos; never past text.size().
    virtual size_t NextChar(const std::u16string& text, size_t pos) const = 0;
    // Linguistic equality in the user's locale with letter case ignored.
    virtual bool EqualIgnoreCase(std::u16string_view a, std::u16string_view b) const = 0;
    // The text in capitals as the user's locale writes them; as many code units as it had.
    virtual std::u16string UpperCase(std::u16string_view text) const = 0;
    // The text in the system's ANSI code page; false when a character would not come back
    // unchanged. Without a code page to ask, only ASCII is taken as exact.
    virtual bool ToAnsi(std::u16string_view text, std::string& bytes) const
    {
        bytes.clear();
        for (char16_t c : text) {
            if (c >= 0x80)
                return false;
            bytes += static_cast<char>(c);
        }
        return true;
    }
};

// Tells running programs that a system setting changed.
class INotifier {
public:
    virtual ~INotifier() = default;
    // Sends WM_SETTINGCHANGE with the given area text to every top-level window; blocks for
    // at most timeoutMs per window that does not answer. The outcome is not reported.
    virtual void BroadcastSettingChange(std::u16string_view area, unsigned timeoutMs) = 0;
};

// What GetFileAttributesW says about a path.
enum class TPathProbe {
    Directory,
    NotDirectory,
    // Certainly nothing there: the name, or a folder on the way to it, is not found.
    Missing,
    // No answer: access denied, a file in use, a name the call refuses, no medium, ...
    Unknown,
};

// One entry of a folder listing.
struct TDirEntry {
    std::u16string name;    // as the file system stores it
    bool directory = false;
};

// How much one folder listing may take before it stops early.
struct TListLimits {
    size_t maxEntries = 0;
    unsigned maxMilliseconds = 0;
};

// The file-system probes of path validation.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // GetFileAttributesW succeeds and reports a directory.
    virtual bool DirectoryExists(const std::u16string& path) = 0;
    // GetFileAttributesW with the reason of a failure. Doubles that know no reasons answer
    // Directory or Unknown, which costs a search but never changes a verdict.
    virtual TPathProbe ProbePath(const std::u16string& path)
    {
        return DirectoryExists(path) ? TPathProbe::Directory : TPathProbe::Unknown;
    }
    // FindFirstFileW finds at least one entry (wildcards allowed).
    virtual bool SearchFinds(const std::u16string& pattern) = 0;
    // SetErrorMode: sets the mode and gives the previous one.
    virtual uint32_t SetErrorMode(uint32_t mode) = 0;
    // GetShortPathNameW: the short (8.3) form of an existing path; empty when the system gives
    // none.
    virtual std::u16string ShortPathName(const std::u16string& path)
    {
        (void)path;
        return {};
    }
    // FindFirstFileW: the name of the first entry matching pattern (wildcards allowed), as the
    // file system stores it. False when nothing is found or the search fails.
    virtual bool FindFirstName(const std::u16string& pattern, std::u16string& name)
    {
        (void)pattern;
        (void)name;
        return false;
    }
    // FindFirstFileW/FindNextFileW: the entries matching pattern (wildcards allowed) in the
    // order the file system gives them, hidden ones included, those with the system attribute
    // left out. Stops once limits are reached and then gives false. Never shows a
    // critical-error dialog.
    virtual bool ListEntries(const std::u16string& pattern, const TListLimits& limits, std::vector<TDirEntry>& entries)
    {
        (void)pattern;
        (void)limits;
        (void)entries;
        return true;
    }
    // The path (relative ones against the current folder) lies on a network share or a drive
    // letter mapped to one, where a listing may wait for a server. Asks no server.
    virtual bool IsOnNetwork(const std::u16string& path)
    {
        return path.size() >= 2 && (path[0] == u'\\' || path[0] == u'/') && (path[1] == u'\\' || path[1] == u'/');
    }
};

// The program's own process: its environment (where the special read-only variables come from)
// and how it runs.
class IProcessEnvironment {
public:
    virtual ~IProcessEnvironment() = default;
    // The value of the named variable; the empty text when it is not set.
    virtual std::u16string GetVariable(std::u16string_view name) const = 0;
    // IsWow64Process: a 32-bit process on 64-bit Windows, which must ask for the 64-bit registry
    // view to write the real environment keys. False where there is no such thing.
    virtual bool IsWow64() const { return false; }
};

// What the options need of the files beside the program.
struct FileState {
    bool exists = false;   // a file (not a folder) is there
    bool readOnly = false; // it carries the read-only attribute
};

class IProgramFiles {
public:
    virtual ~IProgramFiles() = default;
    // The full path of the running program's executable file.
    virtual std::u16string ExecutablePath() = 0;
    virtual FileState GetFileState(const std::u16string& path) = 0;
    // Puts source, made durable, in the place of target in one step; target may be missing.
    // False leaves target as it was.
    virtual bool MoveReplacing(const std::u16string& source, const std::u16string& target) = 0;
    virtual bool RemoveFile(const std::u16string& path) = 0;
    // Copies source over target (which may be missing). False leaves target as it was or
    // missing; services that cannot copy answer false.
    virtual bool CopyReplacing(const std::u16string& source, const std::u16string& target)
    {
        (void)source;
        (void)target;
        return false;
    }
};

// INI files as the profile functions of Windows read and write them: sections and keys found
// without regard to letter case, the first of two equal names winning, values trimmed.
class IIniFiles {
public:
    virtual ~IIniFiles() = default;
    // The text of a key; false when the file, the section or the key is missing.
    virtual bool ReadString(const std::u16string& file, std::u16string_view section, std::u16string_view key,
                            std::u16string& value) = 0;
    // The key names of a section in file order, equal names included; empty when it is missing.
    virtual std::vector<std::u16string> ReadKeyNames(const std::u16string& file, std::u16string_view section) = 0;
    // Each gives false when the file could not be written.
    virtual bool WriteString(const std::u16string& file, std::u16string_view section, std::u16string_view key,
                             std::u16string_view value) = 0;
    virtual bool EraseSection(const std::u16string& file, std::u16string_view section) = 0;
    // Writes copy afresh with what file holds (nothing when file is missing), in an encoding in
    // which later writes keep every character.
    virtual bool CreateWorkingCopy(const std::u16string& file, const std::u16string& copy) = 0;
    // False when the text of file cannot be read without a loss or a guess (its encoding is
    // not certain, or some bytes are no characters in it), so that rewriting it could lose what
    // it holds. A missing file reads in full.
    virtual bool IsReadInFull(const std::u16string& file)
    {
        (void)file;
        return true;
    }
};

ITextServices& Text();
IRegistryBackend& Registry();
INotifier& Notifier();
IFileSystem& FileSystem();
IProcessEnvironment& ProcessEnvironment();
IProgramFiles& ProgramFiles();
IIniFiles& IniFiles();

// The implementations a build starts with.
ITextServices& DefaultText();
IRegistryBackend& DefaultRegistry();
INotifier& DefaultNotifier();
IFileSystem& DefaultFileSystem();
IProcessEnvironment& DefaultProcessEnvironment();
IProgramFiles& DefaultProgramFiles();
IIniFiles& DefaultIniFiles();

// Where a Windows path lives for this build's C++ library: the path itself on Windows; in the
// native build drive X: is the folder $VARNOOK_DRIVES/X (default /tmp/varnook-drives/X).
std::filesystem::path HostPath(const std::u16string& windowsPath);

// Puts a test double in place of a service for the life of the guard.
template <class Service>
class ScopedOverride {
public:
    ScopedOverride(Service& replacement);
    ~ScopedOverride();
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    Service* previous_;
};

extern template class ScopedOverride<ITextServices>;
extern template class ScopedOverride<IRegistryBackend>;
extern template class ScopedOverride<INotifier>;
extern template class ScopedOverride<IFileSystem>;
extern template class ScopedOverride<IProcessEnvironment>;
extern template class ScopedOverride<IProgramFiles>;
extern template class ScopedOverride<IIniFiles>;
extern template class ScopedOverride<IElevation>;
extern template class ScopedOverride<ISaveFileDialog>;
extern template class ScopedOverride<IAccounts>;
extern template class ScopedOverride<IFileWriter>;

} // namespace varnook::platform
