#include "platform/MemoryRegistry.h"

#include "platform/Services.h"

#include <algorithm>
#include <cstring>

namespace varnook::platform {

struct MemoryRegistry::Node {
    struct Value {
        std::u16string name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    std::u16string name;
    RegHandle root = 0;
    std::vector<Value> values;
    std::vector<std::shared_ptr<Node>> children;
    bool deleted = false;

    std::shared_ptr<Node> Child(std::u16string_view childName)
    {
        for (auto& c : children)
            if (Text().EqualIgnoreCase(c->name, childName))
                return c;
        return nullptr;
    }
    Value* Find(std::u16string_view valueName)
    {
        for (auto& v : values)
            if (Text().EqualIgnoreCase(v.name, valueName))
                return &v;
        return nullptr;
    }
};

struct MemoryRegistry::OpenKeyEntry {
    std::shared_ptr<Node> node;
    uint32_t access;
};

MemoryRegistry::MemoryRegistry()
{
    for (RegHandle root : {kRootCurrentUser, kRootLocalMachine, kRootUsers}) {
        roots_[root] = std::make_unique<Node>();
        roots_[root]->root = root;
    }
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Resolve(RegHandle key, uint32_t* access)
{
    if (auto r = roots_.find(key); r != roots_.end()) {
        if (access)
            *access = kKeyAllAccess;
        return r->second.get();
    }
    auto o = open_.find(key);
    if (o == open_.end() || o->second.node->deleted)
        return nullptr;
    if (access)
        *access = o->second.access;
    return o->second.node.get();
}

long MemoryRegistry::Walk(RegHandle base, std::u16string_view path, uint32_t access, bool create, RegHandle& key)
{
    uint32_t baseAccess = 0;
    Node* node = Resolve(base, &baseAccess);
    if (!node)
        return kErrorInvalidHandle;
    bool writable = !readOnlyRoots_[node->root];
    if (!writable && (access & (kKeySetValue | 0x0004 /*create subkey*/)))
        return kErrorAccessDenied;

    std::shared_ptr<Node> current;
    Node* at = node;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        std::u16string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        auto child = at->Child(part);
        if (!child) {
            if (!create)
                return kErrorFileNotFound;
            child = std::make_shared<Node>();
            child->name = std::u16string(part);
            child->root = node->root;
            at->children.push_back(child);
        }
        current = child;
        at = child.get();
    }
    if (!current) {
        // An empty path opens another handle to the base itself.
        if (auto o = open_.find(base); o != open_.end())
            current = o->second.node;
        else {
            // A root has no shared owner; give it a handle of its own that aliases it.
            current = std::shared_ptr<Node>(std::shared_ptr<Node>(), node);
        }
    }
    key = nextHandle_++;
    open_[key] = OpenKeyEntry{current, access};
    return kErrorSuccess;
}

long MemoryRegistry::OpenKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key)
{
    return Walk(base, path, access, false, key);
}

long MemoryRegistry::CreateKey(RegHandle base, std::u16string_view path, uint32_t access, RegHandle& key)
{
    return Walk(base, path, access, true, key);
}

void MemoryRegistry::CloseKey(RegHandle key)
{
    open_.erase(key);
}

long MemoryRegistry::QueryInfo(RegHandle key, uint32_t& subKeyCount, uint32_t& valueCount)
{
    Node* node = Resolve(key, nullptr);
    if (!node)
        return kErrorInvalidHandle;
    subKeyCount = static_cast<uint32_t>(node->children.size());
    valueCount = static_cast<uint32_t>(node->values.size());
    return kErrorSuccess;
}

long MemoryRegistry::EnumValue(RegHandle key, uint32_t index, std::u16string& name)
{
    Node* node = Resolve(key, nullptr);
    if (!node)
        return kErrorInvalidHandle;
    if (index >= node->values.size())
        return kErrorNoMoreItems;
    name = node->values[index].name;
    return kErrorSuccess;
}

long MemoryRegistry::EnumValueData(RegHandle key, uint32_t index, std::u16string& name, uint32_t& type,
                                   std::vector<uint8_t>& data)
{
    uint32_t access = 0;
    Node* node = Resolve(key, &access);
    if (!node)
        return kErrorInvalidHandle;
    if (!(access & kKeyQueryValue))
        return kErrorAccessDenied;
    if (index >= node->values.size())
        return kErrorNoMoreItems;
    const auto& v = node->values[index];
    name = v.name;
    type = v.type;
    data.assign(v.data.begin(), v.data.end());
    return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegHandle key, uint32_t index, std::u16string& name)
{
    Node* node = Resolve(key, nullptr);
    if (!node)
        return kErrorInvalidHandle;
    if (index >= node->children.size())
        return kErrorNoMoreItems;
    name = node->children[index]->name;
    return kErrorSuccess;
}

long MemoryRegistry::QueryValue(RegHandle key, std::u16string_view name, uint32_t& type, uint32_t& size,
                                std::vector<uint8_t>* data)
{
    uint32_t access = 0;
    Node* node = Resolve(key, &access);
    if (!node)
        return kErrorInvalidHandle;
    if (!(access & kKeyQueryValue))
        return kErrorAccessDenied;
    auto* v = node->Find(name);
    if (!v)
        return kErrorFileNotFound;
    type = v->type;
    size = static_cast<uint32_t>(v->data.size());
    if (data)
        *data = v->data;
    return kErrorSuccess;
}

long MemoryRegistry::SetValue(RegHandle key, std::u16string_view name, uint32_t type, const void* data, uint32_t size)
{
    uint32_t access = 0;
    Node* node = Resolve(key, &access);
    if (!node)
        return kErrorInvalidHandle;
    if (!(access & kKeySetValue) || readOnlyRoots_[node->root])
        return kErrorAccessDenied;
    std::vector<uint8_t> bytes(size);
    if (size)
        std::memcpy(bytes.data(), data, size);
    if (auto* v = node->Find(name)) {
        // The store keeps the letter case of the name already there.
        v->type = type;
        v->data = std::move(bytes);
    } else {
        node->values.push_back({std::u16string(name), type, std::move(bytes)});
    }
    return kErrorSuccess;
}

long MemoryRegistry::DeleteValue(RegHandle key, std::u16string_view name)
{
    uint32_t access = 0;
    Node* node = Resolve(key, &access);
    if (!node)
        return kErrorInvalidHandle;
    if (!(access & kKeySetValue) || readOnlyRoots_[node->root])
        return kErrorAccessDenied;
    auto it = std::find_if(node->values.begin(), node->values.end(),
                           [&](const Node::Value& v) { return Text().EqualIgnoreCase(v.name, name); });
    if (it == node->values.end())
        return kErrorFileNotFound;
    node->values.erase(it);
    return kErrorSuccess;
}

long MemoryRegistry::DeleteKey(RegHandle base, std::u16string_view path, uint32_t)
{
    Node* node = Resolve(base, nullptr);
    if (!node)
        return kErrorInvalidHandle;
    if (readOnlyRoots_[node->root])
        return kErrorAccessDenied;
    size_t cut = path.find_last_of(u'\\');
    Node* parent = node;
    std::u16string_view leaf = path;
    if (cut != std::u16string_view::npos) {
        RegHandle parentKey = 0;
        if (long rc = Walk(base, path.substr(0, cut), kKeyRead, false, parentKey))
            return rc;
        parent = Resolve(parentKey, nullptr);
        CloseKey(parentKey);
        leaf = path.substr(cut + 1);
    }
    auto child = parent ? parent->Child(leaf) : nullptr;
    if (!child)
        return kErrorFileNotFound;
    if (!child->children.empty())
        return kErrorAccessDenied;
    child->deleted = true;
    parent->children.erase(std::find(parent->children.begin(), parent->children.end(), child));
    return kErrorSuccess;
}

long MemoryRegistry::LoadKey(RegHandle, std::u16string_view, std::u16string_view)
{
    return kErrorNotSupported;
}

void MemoryRegistry::SetReadOnlyRoot(RegHandle root, bool readOnly)
{
    readOnlyRoots_[root] = readOnly;
}

size_t MemoryRegistry::OpenHandleCount() const
{
    return open_.size();
}

} // namespace varnook::platform
