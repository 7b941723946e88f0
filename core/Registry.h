// The one registry access layer. Probing operations return a Boolean and never raise;
// reads and writes of data raise ERegistryException with the text the user is shown.
#pragma once

#include "core/Errors.h"
#include "platform/RegistryBackend.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnook {

using platform::RegHandle;

enum TRegDataType { rdUnknown = 0, rdString = 1, rdExpandString = 2, rdInteger = 3, rdBinary = 4 };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    uint32_t DataSize = 0;
};

TRegDataType DataTypeFromRegType(uint32_t regType);

// A value of a string kind with its text.
struct TRegStringValue {
    std::u16string name;
    TRegDataType kind = rdString;
    std::u16string text;
};

inline constexpr char16_t kSystemEnvironmentKey[] = u"\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
inline constexpr char16_t kUserEnvironmentKey[] = u"\\Environment";

class RegistryAccess {
public:
    explicit RegistryAccess(RegHandle root = platform::kRootCurrentUser, uint32_t access = platform::kKeyAllAccess);
    ~RegistryAccess();
    RegistryAccess(const RegistryAccess&) = delete;
    RegistryAccess& operator=(const RegistryAccess&) = delete;

    RegHandle RootKey() const { return root_; }
    uint32_t Access() const { return access_; }
    void SetAccess(uint32_t access) { access_ = access; }
    const std::u16string& CurrentPath() const { return currentPath_; }
    bool HasCurrentKey() const { return current_ != 0; }

    // Closes the current key; later paths are taken from this root.
    void SetRootKey(RegHandle root);
    // A leading backslash starts the path at the root; otherwise it is taken from the open key.
    bool OpenKey(std::u16string_view path, bool canCreate);
    // Tries ever narrower read rights; the first that works becomes the object's access.
    bool OpenKeyReadOnly(std::u16string_view path);
    void CloseKey();

    void GetValueNames(std::vector<std::u16string>& names);
    void GetKeyNames(std::vector<std::u16string>& names);
    // The values of kind rdString and rdExpandString of the open key with their texts, in index
    // order, each listed and read in one question to the store.
    void GetStringValues(std::vector<TRegStringValue>& values);
    bool GetDataInfo(std::u16string_view name, TRegDataInfo& info);
    TRegDataType GetDataType(std::u16string_view name);
    bool ValueExists(std::u16string_view name);

    std::u16string ReadString(std::u16string_view name);
    void WriteString(std::u16string_view name, std::u16string_view text);
    void WriteExpandString(std::u16string_view name, std::u16string_view text);
    int32_t ReadInteger(std::u16string_view name);
    void WriteInteger(std::u16string_view name, int32_t value);
    bool ReadBool(std::u16string_view name);
    void WriteBool(std::u16string_view name, bool value);

    bool DeleteValue(std::u16string_view name);
    bool DeleteKey(std::u16string_view path);
    bool LoadKey(std::u16string_view path, std::u16string_view file);
    bool UnLoadKey(std::u16string_view path);

private:
    // The base handle and the path below it, by the leading-backslash rule.
    RegHandle BaseFor(std::u16string_view& path) const;
    void WriteText(std::u16string_view name, std::u16string_view text, uint32_t regType);
    // The names of the open key's subkeys or values, in index order.
    void ListNames(bool subKeys, std::vector<std::u16string>& names);
    bool DeleteKeyTree(RegHandle base, std::u16string_view path);

    RegHandle root_;
    uint32_t access_;
    RegHandle current_ = 0;
    std::u16string currentPath_;
};

// Whether this process may write the system scope. Asked of the store once per process.
bool CanWriteSystemScope();
// Forgets the remembered answer, so that a test can ask again.
void ResetWriteAccessProbe();

// Tells running programs that the environment changed (WM_SETTINGCHANGE "Environment").
void BroadcastEnvironmentChange(unsigned timeoutMs);

} // namespace varnook
