// A registry kept in memory: the store of the native build and the base of test doubles that
// need conditions a real registry will not produce (no write access, a write failing part-way).
// Names are found without regard to letter case; enumeration follows creation order.
#pragma once

#include "platform/RegistryBackend.h"

#include <map>
#include <memory>

namespace varnook::platform {

class MemoryRegistry : public IRegistryBackend {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    long OpenKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) override;
    long CreateKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key) override;
    void CloseKey(RegHandle key) override;
    long QueryInfo(RegHandle key, uint32_t& subKeyCount, uint32_t& valueCount) override;
    long EnumValue(RegHandle key, uint32_t index, std::u16string& name) override;
    long EnumValueData(RegHandle key, uint32_t index, std::u16string& name, uint32_t& type,
                       std::vector<uint8_t>& data) override;
    long EnumKey(RegHandle key, uint32_t index, std::u16string& name) override;
    long QueryValue(RegHandle key, std::u16string_view name, uint32_t& type, uint32_t& size,
                    std::vector<uint8_t>* data) override;
    long SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data,
                  uint32_t size) override;
    long DeleteValue(RegHandle key, std::u16string_view name) override;
    long DeleteKey(RegHandle base, std::u16string_view path, uint32_t viewBits) override;
    long LoadKey(RegHandle root, std::u16string_view path, std::u16string_view file) override;

    // Keys below this root open for reading only: writes there fail with access denied,
    // as they do for a user without administrator rights under HKEY_LOCAL_MACHINE.
    void SetReadOnlyRoot(RegHandle root, bool readOnly);
    // Number of keys currently open through this backend (handle leaks show here).
    size_t OpenHandleCount() const;

private:
    struct Node;
    struct OpenKeyEntry;
    Node* Resolve(RegHandle key, uint32_t* access);
    long Walk(RegHandle base, std::u16string_view path, uint32_t access, bool create, RegHandle& key);

    std::map<RegHandle, std::unique_ptr<Node>> roots_;
    std::map<RegHandle, OpenKeyEntry> open_;
    std::map<RegHandle, bool> readOnlyRoots_;
    RegHandle nextHandle_ = 0x1000;
};

} // namespace varnook::platform
