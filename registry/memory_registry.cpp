#include "registry/memory_registry.h"

#include <functional>
#include <sstream>

namespace kavrel::registry {

namespace {
constexpr std::int32_t kErrorBadPathname = 161;
constexpr std::uint32_t kKeySetValue = 0x0002;

std::vector<std::string> SplitPath(std::string_view path, bool& valid) {
    std::vector<std::string> parts;
    valid = true;
    if (path.empty()) return parts;
    if (path.front() == '\\') {
        valid = false;  // the registry refuses a path that starts with a separator
        return parts;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part =
            path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty()) {
            if (end == std::string_view::npos) break;  // one trailing separator is accepted
            valid = false;
            return parts;
        }
        parts.emplace_back(part);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return parts;
}
}  // namespace

std::string FoldCase(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

struct MemoryRegistry::Key {
    std::string name;  // as first created
    bool refused = false;
    std::map<std::string, std::unique_ptr<Key>> children;  // by folded name
    struct Named {
        std::string name;
        Value value;
    };
    std::map<std::string, Named> values;  // by folded name
};

MemoryRegistry::MemoryRegistry(bool keysAlwaysExist) : keysAlwaysExist_(keysAlwaysExist) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::Find(std::uint32_t root, std::string_view path, bool create,
                                          bool* refused) const {
    bool valid = true;
    const auto parts = SplitPath(path, valid);
    if (!valid) return nullptr;
    // Only the non-const callers pass create = true.
    auto& roots = const_cast<std::map<std::uint32_t, std::unique_ptr<Key>>&>(roots_);
    auto rootIt = roots.find(root);
    if (rootIt == roots.end()) {
        if (!create) return nullptr;
        rootIt = roots.emplace(root, std::make_unique<Key>()).first;
        rootIt->second->name = RootName(root);
    }
    Key* key = rootIt->second.get();
    if (refused && key->refused) *refused = true;
    for (const auto& part : parts) {
        const std::string folded = FoldCase(part);
        auto it = key->children.find(folded);
        if (it == key->children.end()) {
            if (!create) return nullptr;
            it = key->children.emplace(folded, std::make_unique<Key>()).first;
            it->second->name = part;
        }
        key = it->second.get();
        if (refused && key->refused) *refused = true;
    }
    return key;
}

std::int32_t MemoryRegistry::OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                                     KeyHandle& key) {
    Call call;
    call.op = Call::Op::Open;
    call.root = root;
    call.path = std::string(path);
    call.access = access;
    bool refused = false;
    bool valid = true;
    SplitPath(path, valid);
    Key* found = nullptr;
    if (!valid) {
        call.status = kErrorBadPathname;
    } else {
        found = Find(root, path, keysAlwaysExist_, &refused);
        if (!found) {
            call.status = kErrorFileNotFound;
        } else if (refused) {
            call.status = kErrorAccessDenied;
            found = nullptr;
        }
    }
    if (found) {
        key = nextHandle_;
        nextHandle_ += 4;
        handles_[key] = Handle{found, access};
        call.status = kSuccess;
    }
    // On failure the caller's handle is left as it was.
    call.key = found ? key : 0;
    calls_.push_back(std::move(call));
    return calls_.back().status;
}

std::int32_t MemoryRegistry::SetValue(KeyHandle key, std::string_view name, std::int32_t kind,
                                      const std::vector<std::uint8_t>& data) {
    Call call;
    call.op = Call::Op::Set;
    call.key = key;
    call.name = std::string(name);
    call.kind = kind;
    call.data = data;
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        call.status = kErrorInvalidHandle;
    } else if ((it->second.access & kKeySetValue) == 0) {
        call.status = kErrorAccessDenied;
    } else {
        auto& slot = it->second.key->values[FoldCase(name)];
        if (slot.name.empty()) slot.name = std::string(name);
        slot.value = Value{kind, data};  // replaces whatever kind was there
        call.status = kSuccess;
    }
    calls_.push_back(std::move(call));
    return calls_.back().status;
}

std::int32_t MemoryRegistry::DeleteValue(KeyHandle key, std::string_view name) {
    Call call;
    call.op = Call::Op::Delete;
    call.key = key;
    call.name = std::string(name);
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        call.status = kErrorInvalidHandle;
    } else if ((it->second.access & kKeySetValue) == 0) {
        call.status = kErrorAccessDenied;
    } else {
        call.status = it->second.key->values.erase(FoldCase(name)) ? kSuccess : kErrorFileNotFound;
    }
    calls_.push_back(std::move(call));
    return calls_.back().status;
}

std::int32_t MemoryRegistry::CloseKey(KeyHandle key) {
    Call call;
    call.op = Call::Op::Close;
    call.key = key;
    call.status = handles_.erase(key) ? kSuccess : kErrorInvalidHandle;
    calls_.push_back(std::move(call));
    return calls_.back().status;
}

void MemoryRegistry::CreateKey(std::uint32_t root, std::string_view path) { Find(root, path, true); }

bool MemoryRegistry::KeyExists(std::uint32_t root, std::string_view path) const {
    return Find(root, path, false) != nullptr;
}

void MemoryRegistry::RefuseAccess(std::uint32_t root, std::string_view path) {
    if (Key* key = Find(root, path, true)) key->refused = true;
}

void MemoryRegistry::PutValue(std::uint32_t root, std::string_view path, std::string_view name, Value value) {
    if (Key* key = Find(root, path, true)) {
        auto& slot = key->values[FoldCase(name)];
        if (slot.name.empty()) slot.name = std::string(name);
        slot.value = std::move(value);
    }
}

std::optional<MemoryRegistry::Value> MemoryRegistry::GetValue(std::uint32_t root, std::string_view path,
                                                              std::string_view name) const {
    const Key* key = Find(root, path, false);
    if (!key) return std::nullopt;
    const auto it = key->values.find(FoldCase(name));
    if (it == key->values.end()) return std::nullopt;
    return it->second.value;
}

std::size_t MemoryRegistry::KeyCount() const {
    std::function<std::size_t(const Key&)> count = [&](const Key& k) {
        std::size_t n = 1;
        for (const auto& [_, child] : k.children) n += count(*child);
        return n;
    };
    std::size_t n = 0;
    for (const auto& [_, root] : roots_) n += count(*root) - 1;
    return n;
}

std::size_t MemoryRegistry::ValueCount() const {
    std::function<std::size_t(const Key&)> count = [&](const Key& k) {
        std::size_t n = k.values.size();
        for (const auto& [_, child] : k.children) n += count(*child);
        return n;
    };
    std::size_t n = 0;
    for (const auto& [_, root] : roots_) n += count(*root);
    return n;
}

std::string MemoryRegistry::Dump() const {
    std::ostringstream out;
    std::function<void(const Key&, const std::string&)> walk = [&](const Key& k, const std::string& path) {
        out << '[' << path << "]\n";
        for (const auto& [_, named] : k.values) {
            out << "  \"" << named.name << "\" " << KindName(named.value.kind) << ' ';
            static const char* hex = "0123456789abcdef";
            for (auto b : named.value.data) out << hex[b >> 4] << hex[b & 15];
            out << '\n';
        }
        for (const auto& [_, child] : k.children) walk(*child, path + '\\' + child->name);
    };
    for (const auto& [_, root] : roots_) walk(*root, root->name);
    return out.str();
}

}  // namespace kavrel::registry
