#include "core/Registry.h"

#include "core/Translate.h"
#include "platform/Services.h"

#include <cstring>

namespace varnook {

using namespace platform;

TRegDataType DataTypeFromRegType(uint32_t regType)
{
    switch (regType) {
    case kRegSz: return rdString;
    case kRegExpandSz: return rdExpandString;
    case kRegDword: return rdInteger;
    case kRegBinary: return rdBinary;
    default: return rdUnknown;
    }
}

namespace {
[[noreturn]] void Raise(std::u16string_view message, std::u16string_view name)
{
    throw ERegistryException(FormatMessage1(gettext(message), name));
}
constexpr char16_t kFailedToGet[] = N_(u"Failed to get data for '%s'");
constexpr char16_t kInvalidType[] = N_(u"Invalid data type for '%s'");
constexpr char16_t kFailedToSet[] = N_(u"Failed to set data for '%s'");

// Data of odd length or without a terminating NUL is taken as far as it goes.
std::u16string TextFromData(const std::vector<uint8_t>& data)
{
    std::u16string text(data.size() / 2, u'\0');
    if (!text.empty())
        std::memcpy(text.data(), data.data(), text.size() * 2);
    if (size_t nul = text.find(u'\0'); nul != std::u16string::npos)
        text.resize(nul);
    return text;
}
} // namespace

RegistryAccess::RegistryAccess(RegHandle root, uint32_t access) : root_(root), access_(access) {}

RegistryAccess::~RegistryAccess()
{
    CloseKey();
}

void RegistryAccess::SetRootKey(RegHandle root)
{
    CloseKey();
    root_ = root;
}

RegHandle RegistryAccess::BaseFor(std::u16string_view& path) const
{
    if (!path.empty() && path.front() == u'\\') {
        path.remove_prefix(1);
        return root_;
    }
    return current_ ? current_ : root_;
}

bool RegistryAccess::OpenKey(std::u16string_view path, bool canCreate)
{
    const bool relative = (path.empty() || path.front() != u'\\') && current_ != 0;
    RegHandle base = BaseFor(path);
    RegHandle key = 0;
    auto& registry = Registry();
    long rc = canCreate && !path.empty() ? registry.CreateKey(base, path, access_, key)
                                         : registry.OpenKey(base, path, access_, key);
    if (rc != kErrorSuccess)
        return false;
    std::u16string newPath(path);
    if (relative && !currentPath_.empty())
        newPath = path.empty() ? currentPath_ : currentPath_ + u"\\" + newPath;
    CloseKey();
    current_ = key;
    currentPath_ = std::move(newPath);
    return true;
}

bool RegistryAccess::OpenKeyReadOnly(std::u16string_view path)
{
    const uint32_t view = access_ & kKeyViewBits;
    const uint32_t saved = access_;
    for (uint32_t rights : {kKeyRead, kKeyReadNarrow, kKeyQueryValue}) {
        access_ = rights | view;
        if (OpenKey(path, false))
            return true;
    }
    access_ = saved;
    return false;
}

void RegistryAccess::CloseKey()
{
    if (current_) {
        Registry().CloseKey(current_);
        current_ = 0;
        currentPath_.clear();
    }
}

void RegistryAccess::ListNames(bool subKeys, std::vector<std::u16string>& names)
{
    names.clear();
    uint32_t keyCount = 0, valueCount = 0;
    auto& registry = Registry();
    if (!current_ || registry.QueryInfo(current_, keyCount, valueCount) != kErrorSuccess)
        return;
    std::u16string name;
    const uint32_t count = subKeys ? keyCount : valueCount;
    for (uint32_t i = 0; i < count; ++i) {
        const long rc = subKeys ? registry.EnumKey(current_, i, name) : registry.EnumValue(current_, i, name);
        if (rc == kErrorSuccess)
            names.push_back(name);
    }
}

void RegistryAccess::GetValueNames(std::vector<std::u16string>& names)
{
    ListNames(false, names);
}

void RegistryAccess::GetKeyNames(std::vector<std::u16string>& names)
{
    ListNames(true, names);
}

void RegistryAccess::GetStringValues(std::vector<TRegStringValue>& values)
{
    values.clear();
    uint32_t keyCount = 0, valueCount = 0;
    auto& registry = Registry();
    if (!current_ || registry.QueryInfo(current_, keyCount, valueCount) != kErrorSuccess)
        return;
    std::u16string name;
    std::vector<uint8_t> data;
    for (uint32_t i = 0; i < valueCount; ++i) {
        uint32_t type = 0;
        const long rc = registry.EnumValueData(current_, i, name, type, data);
        if (rc == kErrorNoMoreItems)
            break; // values were removed since the count was taken
        if (rc != kErrorSuccess || (type != kRegSz && type != kRegExpandSz))
            continue;
        values.push_back({name, DataTypeFromRegType(type), TextFromData(data)});
    }
}

bool RegistryAccess::GetDataInfo(std::u16string_view name, TRegDataInfo& info)
{
    info = {};
    uint32_t type = 0, size = 0;
    if (!current_ || Registry().QueryValue(current_, name, type, size, nullptr) != kErrorSuccess)
        return false;
    info.RegData = DataTypeFromRegType(type);
    info.DataSize = size;
    return true;
}

TRegDataType RegistryAccess::GetDataType(std::u16string_view name)
{
    TRegDataInfo info;
    GetDataInfo(name, info);
    return info.RegData;
}

bool RegistryAccess::ValueExists(std::u16string_view name)
{
    TRegDataInfo info;
    return GetDataInfo(name, info);
}

std::u16string RegistryAccess::ReadString(std::u16string_view name)
{
    TRegDataInfo info;
    if (!GetDataInfo(name, info))
        return {};
    if (info.RegData != rdString && info.RegData != rdExpandString)
        Raise(kInvalidType, name);
    if (info.DataSize == 0)
        return {};
    uint32_t type = 0, size = 0;
    std::vector<uint8_t> data;
    if (Registry().QueryValue(current_, name, type, size, &data) != kErrorSuccess)
        Raise(kFailedToGet, name);
    // The value may have changed kind between the two queries.
    if (type != kRegSz && type != kRegExpandSz)
        Raise(kInvalidType, name);
    return TextFromData(data);
}

void RegistryAccess::WriteText(std::u16string_view name, std::u16string_view text, uint32_t regType)
{
    if (!current_)
        Raise(kFailedToSet, name);
    std::u16string data(text);
    const auto bytes = static_cast<uint32_t>((data.size() + 1) * sizeof(char16_t));
    if (Registry().SetValue(current_, name, regType, data.c_str(), bytes) != kErrorSuccess)
        Raise(kFailedToSet, name);
}

void RegistryAccess::WriteString(std::u16string_view name, std::u16string_view text)
{
    WriteText(name, text, kRegSz);
}

void RegistryAccess::WriteExpandString(std::u16string_view name, std::u16string_view text)
{
    WriteText(name, text, kRegExpandSz);
}

int32_t RegistryAccess::ReadInteger(std::u16string_view name)
{
    uint32_t type = 0, size = 0;
    std::vector<uint8_t> data;
    if (!current_ || Registry().QueryValue(current_, name, type, size, &data) != kErrorSuccess)
        Raise(kFailedToGet, name);
    if (type != kRegDword || data.size() != 4)
        Raise(kInvalidType, name);
    int32_t value = 0;
    std::memcpy(&value, data.data(), 4);
    return value;
}

void RegistryAccess::WriteInteger(std::u16string_view name, int32_t value)
{
    if (!current_ || Registry().SetValue(current_, name, kRegDword, &value, 4) != kErrorSuccess)
        Raise(kFailedToSet, name);
}

bool RegistryAccess::ReadBool(std::u16string_view name)
{
    return ReadInteger(name) != 0;
}

void RegistryAccess::WriteBool(std::u16string_view name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

bool RegistryAccess::DeleteValue(std::u16string_view name)
{
    return current_ && Registry().DeleteValue(current_, name) == kErrorSuccess;
}

bool RegistryAccess::DeleteKeyTree(RegHandle base, std::u16string_view path)
{
    auto& registry = Registry();
    RegHandle key = 0;
    if (registry.OpenKey(base, path, access_, key) != kErrorSuccess)
        return false;
    uint32_t subKeys = 0, values = 0;
    if (registry.QueryInfo(key, subKeys, values) == kErrorSuccess) {
        // From the last index down, so that deleting does not shift the ones still to come.
        for (uint32_t i = subKeys; i-- > 0;) {
            std::u16string child;
            if (registry.EnumKey(key, i, child) == kErrorSuccess)
                DeleteKeyTree(key, child);
        }
    }
    registry.CloseKey(key);
    return registry.DeleteKey(base, path, access_ & kKeyViewBits) == kErrorSuccess;
}

bool RegistryAccess::DeleteKey(std::u16string_view path)
{
    RegHandle base = BaseFor(path);
    if (path.empty())
        return false; // never the root or the open key itself
    return DeleteKeyTree(base, path);
}

bool RegistryAccess::LoadKey(std::u16string_view path, std::u16string_view file)
{
    if (!path.empty() && path.front() == u'\\')
        path.remove_prefix(1);
    return Registry().LoadKey(root_, path, file) == kErrorSuccess;
}

bool RegistryAccess::UnLoadKey(std::u16string_view path)
{
    if (!path.empty() && path.front() == u'\\')
        path.remove_prefix(1);
    return Registry().UnLoadKey(root_, path) == kErrorSuccess;
}

namespace {
struct WriteAccessProbe {
    bool computed = false;
    bool result = false;
} gProbe;
} // namespace

bool CanWriteSystemScope()
{
    if (gProbe.computed)
        return gProbe.result;
    bool result = true;
    {
        RegistryAccess reg(kRootLocalMachine, kKeyAllAccess);
        try {
            reg.OpenKey(u"\\SYSTEM\\CurrentControlSet\\Control\\Session Manager", true);
            reg.WriteBool(u"check_for_admin_access", true);
            reg.DeleteValue(u"check_for_admin_access");
        } catch (const ERegistryException&) {
            result = false;
        }
        reg.CloseKey();
    }
    gProbe = {true, result};
    return result;
}

void ResetWriteAccessProbe()
{
    gProbe = {};
}

void BroadcastEnvironmentChange(unsigned timeoutMs)
{
    Notifier().BroadcastSettingChange(u"Environment", timeoutMs);
}

} // namespace varnook
