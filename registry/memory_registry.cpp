#include "registry/memory_registry.h"

#include <algorithm>
#include <functional>

#include "base/text.h"
#include "base/utf.h"

namespace kavrel::registry {

namespace {
constexpr std::int32_t kErrorBadPathname = 161;
// Rights that only read: query, enumerate subkeys, notify.
constexpr std::uint32_t kReadRights = 0x0001 | 0x0008 | 0x0010;

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

bool IsText(std::int32_t kind) { return kind == 1 || kind == 2 || kind == 7; }

// The code page of this registry is UTF-8; what is not UTF-8 becomes
// U+FFFD, as a real conversion loses what the code page cannot say.
std::vector<std::uint8_t> CodePageToUtf16(const std::vector<std::uint8_t>& in) {
    const std::string_view text(reinterpret_cast<const char*>(in.data()), in.size());
    return base::Utf16LeBytes(*base::Utf8ToUtf16(text, base::Invalid::Replace));
}

// An unpaired half has no code page form: '?', as the system writes it.
std::vector<std::uint8_t> Utf16ToCodePage(const std::vector<std::uint8_t>& in) {
    const std::string text = *base::Utf16ToUtf8(base::Utf16LeUnits(in), base::Invalid::Replace, U'?');
    return std::vector<std::uint8_t>(text.begin(), text.end());
}
}  // namespace

struct MemoryRegistry::Key {
    std::string name;  // as first created
    Refusal refusal = Refusal::None;
    std::map<std::string, std::unique_ptr<Key>> children;  // by folded name
    struct Named {
        std::string name;
        Value value;  // as stored: texts in UTF-16LE
    };
    std::map<std::string, Named> values;  // by folded name
};

MemoryRegistry::MemoryRegistry(bool keysAlwaysExist) : keysAlwaysExist_(keysAlwaysExist) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::Find(std::uint32_t root, std::string_view path, bool create,
                                          Refusal* refusal) const {
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
    auto note = [&](const Key& k) {
        if (refusal && k.refusal > *refusal) *refusal = k.refusal;
    };
    note(*key);
    for (const auto& part : parts) {
        const std::string folded = base::FoldCase(part);
        auto it = key->children.find(folded);
        if (it == key->children.end()) {
            if (!create) return nullptr;
            it = key->children.emplace(folded, std::make_unique<Key>()).first;
            it->second->name = part;
        }
        key = it->second.get();
        note(*key);
    }
    return key;
}

std::int32_t MemoryRegistry::Open(Call::Op op, std::uint32_t root, std::string_view path, std::uint32_t access,
                                  KeyHandle& key) {
    Call call;
    call.op = op;
    call.root = root;
    call.path = std::string(path);
    call.access = access;
    Refusal refusal = Refusal::None;
    bool valid = true;
    SplitPath(path, valid);
    Key* found = nullptr;
    if (!valid) {
        call.status = kErrorBadPathname;
    } else {
        found = Find(root, path, keysAlwaysExist_, &refusal);
        if (!found) {
            call.status = kErrorFileNotFound;
        } else if (refusal == Refusal::All || (refusal == Refusal::Writes && (access & ~kReadRights) != 0)) {
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

std::int32_t MemoryRegistry::OpenKey(std::uint32_t root, std::string_view path, std::uint32_t access,
                                     KeyHandle& key) {
    return Open(Call::Op::Open, root, path, access, key);
}

std::int32_t MemoryRegistry::OpenKeyWide(std::uint32_t root, std::string_view path, std::uint32_t access,
                                         KeyHandle& key) {
    return Open(Call::Op::OpenWide, root, path, access, key);
}

MemoryRegistry::Key* MemoryRegistry::Usable(KeyHandle key, std::uint32_t rights, std::int32_t& status) const {
    const auto it = handles_.find(key);
    if (it == handles_.end()) {
        status = kErrorInvalidHandle;
        return nullptr;
    }
    if ((it->second.access & rights) == 0) {
        status = kErrorAccessDenied;
        return nullptr;
    }
    status = kSuccess;
    return it->second.key;
}

std::int32_t MemoryRegistry::Store(Call::Op op, KeyHandle key, std::string_view name, std::int32_t kind,
                                   const std::vector<std::uint8_t>& data, std::vector<std::uint8_t> stored) {
    Call call;
    call.op = op;
    call.key = key;
    call.name = std::string(name);
    call.kind = kind;
    call.data = data;
    if (Key* k = Usable(key, kKeySetValue, call.status)) {
        auto& slot = k->values[base::FoldCase(name)];
        if (slot.name.empty()) slot.name = std::string(name);
        slot.value = Value{kind, std::move(stored)};  // replaces whatever kind was there
    }
    calls_.push_back(std::move(call));
    return calls_.back().status;
}

std::int32_t MemoryRegistry::SetValue(KeyHandle key, std::string_view name, std::int32_t kind,
                                      const std::vector<std::uint8_t>& data) {
    return Store(Call::Op::Set, key, name, kind, data, IsText(kind) ? CodePageToUtf16(data) : data);
}

std::int32_t MemoryRegistry::SetValueWide(KeyHandle key, std::string_view name, const RawValue& value) {
    return Store(Call::Op::SetWide, key, name, static_cast<std::int32_t>(value.type), value.data, value.data);
}

std::int32_t MemoryRegistry::Remove(Call::Op op, KeyHandle key, std::string_view name) {
    Call call;
    call.op = op;
    call.key = key;
    call.name = std::string(name);
    if (Key* k = Usable(key, kKeySetValue, call.status)) {
        call.status = k->values.erase(base::FoldCase(name)) ? kSuccess : kErrorFileNotFound;
    }
    calls_.push_back(std::move(call));
    return calls_.back().status;
}

std::int32_t MemoryRegistry::DeleteValue(KeyHandle key, std::string_view name) {
    return Remove(Call::Op::Delete, key, name);
}

std::int32_t MemoryRegistry::DeleteValueWide(KeyHandle key, std::string_view name) {
    return Remove(Call::Op::DeleteWide, key, name);
}

std::int32_t MemoryRegistry::QueryValueWide(KeyHandle key, std::string_view name, RawValue& value) {
    Call call;
    call.op = Call::Op::Query;
    call.key = key;
    call.name = std::string(name);
    if (const Key* k = Usable(key, kKeyQueryValue, call.status)) {
        const auto it = k->values.find(base::FoldCase(name));
        if (it == k->values.end()) {
            call.status = kErrorFileNotFound;
        } else {
            value.type = static_cast<std::uint32_t>(it->second.value.kind);
            value.data = it->second.value.data;
        }
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
    if (Key* key = Find(root, path, true)) key->refusal = Refusal::All;
}

void MemoryRegistry::RefuseWrites(std::uint32_t root, std::string_view path) {
    if (Key* key = Find(root, path, true)) key->refusal = std::max(key->refusal, Refusal::Writes);
}

void MemoryRegistry::PutValue(std::uint32_t root, std::string_view path, std::string_view name, Value value) {
    if (Key* key = Find(root, path, true)) {
        auto& slot = key->values[base::FoldCase(name)];
        if (slot.name.empty()) slot.name = std::string(name);
        slot.value = std::move(value);
    }
}

std::optional<MemoryRegistry::Value> MemoryRegistry::GetStoredValue(std::uint32_t root, std::string_view path,
                                                                    std::string_view name) const {
    const Key* key = Find(root, path, false);
    if (!key) return std::nullopt;
    const auto it = key->values.find(base::FoldCase(name));
    if (it == key->values.end()) return std::nullopt;
    return it->second.value;
}

std::optional<MemoryRegistry::Value> MemoryRegistry::GetValue(std::uint32_t root, std::string_view path,
                                                              std::string_view name) const {
    auto value = GetStoredValue(root, path, name);
    if (value && IsText(value->kind)) value->data = Utf16ToCodePage(value->data);
    return value;
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

// Plain string appends, not a string stream: the program links this
// registry (the plan of a run is made on it), and a stream would bring the
// whole locale machinery of the C++ library into the program file.
std::string MemoryRegistry::Dump() const {
    std::string out;
    std::function<void(const Key&, const std::string&)> walk = [&](const Key& k, const std::string& path) {
        out += '[' + path + "]\n";
        for (const auto& [_, named] : k.values) {
            out += "  \"" + named.name + "\" " + KindName(named.value.kind) + ' ';
            static const char* hex = "0123456789abcdef";
            for (auto b : named.value.data) {
                out += hex[b >> 4];
                out += hex[b & 15];
            }
            out += '\n';
        }
        for (const auto& [_, child] : k.children) walk(*child, path + '\\' + child->name);
    };
    for (const auto& [_, root] : roots_) walk(*root, root->name);
    return out;
}

}  // namespace kavrel::registry
