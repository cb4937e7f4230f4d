// The registry as one text file. Every read parses the file as it is at that moment, so a
// configuration edited while the program runs is seen at the next call; every write replaces
// the file through a temporary file and a rename, so a reader never sees half of one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/registry_store.h"
#include "platform/registry_text.h"

namespace txorb::platform {
namespace {

constexpr const char* kDefaultPath = "/etc/txorb/registry.reg";
constexpr size_t kMaxFileBytes = 64u << 20;  // a registry export is never near this

std::mutex g_writeMutex;  // writers inside this process take turns

bool ReadWholeFile(const char* path, std::string* out) {
    out->clear();
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR;  // missing: an empty registry
    struct stat st {};
    // Refuse an oversized store before reading it: every lookup reads the whole file.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        return false;
    }
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        if (out->size() + static_cast<size_t>(n) > kMaxFileBytes) {
            ::close(fd);
            return false;
        }
        out->append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool LoadDocument(RegDocument* doc) {
    std::string text;
    if (!ReadWholeFile(RegistryFilePath(), &text)) return false;
    *doc = ParseRegistryText(text);
    return true;
}

bool SaveDocument(const RegDocument& doc) {
    const std::string path = RegistryFilePath();
    const std::string text = SerializeRegistry(doc);
    static std::atomic<unsigned> counter{0};
    const std::string tmp =
        path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const char* p = text.data();
    size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

const char* Safe(const char* s) { return s != nullptr ? s : ""; }

// A file store has no access control: every key is open to whoever may read the file.
bool FileKeyExists(RegRoot root, const char* subkey, RegAccess) {
    RegDocument doc;
    return LoadDocument(&doc) && doc.KeyExists(root, Safe(subkey));
}

RegStatus FileQueryValue(RegRoot root, const char* subkey, const char* name, RegAccess,
                         uint32_t* type, uint8_t* data, uint32_t* size) {
    RegDocument doc;
    if (!LoadDocument(&doc)) return RegStatus::kFailed;
    if (!doc.KeyExists(root, Safe(subkey))) return RegStatus::kNoKey;
    const RegKey* key = doc.FindKey(root, Safe(subkey));
    if (key == nullptr) return RegStatus::kNoValue;
    for (const auto& v : key->values) {
        if (!EqualsNoCase(v.name, Safe(name))) continue;
        if (type != nullptr) *type = v.type;
        const uint32_t capacity = size != nullptr ? *size : 0;
        const uint32_t needed = static_cast<uint32_t>(v.data.size());
        if (size != nullptr) *size = needed;
        if (data == nullptr) return RegStatus::kOk;
        if (needed > capacity) return RegStatus::kMoreData;
        if (needed > 0) std::memcpy(data, v.data.data(), needed);
        return RegStatus::kOk;
    }
    return RegStatus::kNoValue;
}

RegStatus FileSetValue(RegRoot root, const char* subkey, const char* name, uint32_t type,
                       const uint8_t* data, uint32_t size) {
    std::lock_guard<std::mutex> hold(g_writeMutex);
    RegDocument doc;
    if (!LoadDocument(&doc)) return RegStatus::kFailed;
    RegKey& key = doc.CreateKey(root, Safe(subkey));
    RegValue value{Safe(name), type, {}};
    if (data != nullptr && size > 0) value.data.assign(data, data + size);
    bool replaced = false;
    for (auto& v : key.values) {
        if (EqualsNoCase(v.name, value.name)) {
            v = value;
            replaced = true;
        }
    }
    if (!replaced) key.values.push_back(std::move(value));
    return SaveDocument(doc) ? RegStatus::kOk : RegStatus::kFailed;
}

RegStatus FileDeleteValue(RegRoot root, const char* subkey, const char* name) {
    std::lock_guard<std::mutex> hold(g_writeMutex);
    RegDocument doc;
    if (!LoadDocument(&doc)) return RegStatus::kFailed;
    if (!doc.KeyExists(root, Safe(subkey))) return RegStatus::kNoKey;
    RegKey* key = doc.FindKey(root, Safe(subkey));
    if (key == nullptr) return RegStatus::kNoValue;
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
        if (EqualsNoCase(it->name, Safe(name))) {
            key->values.erase(it);
            return SaveDocument(doc) ? RegStatus::kOk : RegStatus::kFailed;
        }
    }
    return RegStatus::kNoValue;
}

RegStatus FileDeleteKey(RegRoot root, const char* subkey) {
    std::lock_guard<std::mutex> hold(g_writeMutex);
    RegDocument doc;
    if (!LoadDocument(&doc)) return RegStatus::kFailed;
    const std::string_view path = TrimKeyPath(Safe(subkey));
    if (path.empty() || !doc.KeyExists(root, path)) return RegStatus::kNoKey;
    if (doc.HasSubkeys(root, path)) return RegStatus::kFailed;
    for (auto it = doc.keys.begin(); it != doc.keys.end(); ++it) {
        if (it->root == root && EqualsNoCase(it->path, path)) {
            doc.keys.erase(it);
            break;
        }
    }
    return SaveDocument(doc) ? RegStatus::kOk : RegStatus::kFailed;
}

const RegistryMethods kFileRegistry = {FileKeyExists, FileQueryValue, FileSetValue, FileDeleteValue,
                                       FileDeleteKey};
std::atomic<const RegistryMethods*> g_registry{&kFileRegistry};

}  // namespace

const char* RegistryFilePath() {
    const char* env = std::getenv("TXORB_REGISTRY");
    return (env != nullptr && *env != '\0') ? env : kDefaultPath;
}

const RegistryMethods& Registry() { return *g_registry.load(std::memory_order_acquire); }
void SetRegistryMethods(const RegistryMethods* methods) {
    g_registry.store(methods != nullptr ? methods : &kFileRegistry, std::memory_order_release);
}

}  // namespace txorb::platform
