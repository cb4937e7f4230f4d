#include "platform/registry_text.h"

#include <cctype>
#include <cstdio>

namespace txorb::platform {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

struct RootName {
    std::string_view name;
    RegRoot root;
};
constexpr RootName kRootNames[] = {
    {"HKEY_LOCAL_MACHINE", RegRoot::kLocalMachine},
    {"HKLM", RegRoot::kLocalMachine},
    {"HKEY_CURRENT_USER", RegRoot::kCurrentUser},
    {"HKCU", RegRoot::kCurrentUser},
};

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Turns the file's bytes into 8-bit text: UTF-16LE (as regedit writes it) is narrowed, a UTF-8
// byte-order mark is dropped.
std::string Narrow(std::string_view raw) {
    if (raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF &&
        static_cast<unsigned char>(raw[1]) == 0xFE) {
        std::string out;
        out.reserve(raw.size() / 2);
        for (size_t i = 2; i + 1 < raw.size(); i += 2) {
            const unsigned hi = static_cast<unsigned char>(raw[i + 1]);
            out.push_back(hi == 0 ? raw[i] : '?');
        }
        return out;
    }
    if (raw.size() >= 3 && raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
    return std::string(raw);
}

// Splits into logical lines: a line ending in a backslash (hex continuation) joins the next.
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line = TrimSpaces(std::string_view(text).substr(pos, end - pos));
        const bool continues = !line.empty() && line.back() == '\\' && !current.empty();
        const bool startsHexContinuation =
            !line.empty() && line.back() == '\\' && line.find("=hex") != std::string_view::npos;
        if (continues || startsHexContinuation) {
            line.remove_suffix(1);
            current.append(line);
        } else {
            current.append(line);
            lines.push_back(std::move(current));
            current.clear();
        }
        pos = end + 1;
    }
    if (!current.empty()) lines.push_back(std::move(current));
    return lines;
}

bool ParseKeyLine(std::string_view line, RegRoot* root, std::string* path) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
    std::string_view inner = line.substr(1, line.size() - 2);
    if (!inner.empty() && inner.front() == '-') return false;  // deletion entries: not a key
    for (const auto& rn : kRootNames) {
        if (inner.size() >= rn.name.size() &&
            EqualsNoCase(inner.substr(0, rn.name.size()), rn.name) &&
            (inner.size() == rn.name.size() || inner[rn.name.size()] == '\\')) {
            *root = rn.root;
            *path = std::string(TrimKeyPath(inner.substr(rn.name.size())));
            return true;
        }
    }
    return false;
}

// Reads a quoted string with \\ and \" escapes starting at s[0] == '"'. Returns the position
// after the closing quote, or npos.
size_t ParseQuoted(std::string_view s, std::string* out) {
    if (s.empty() || s[0] != '"') return std::string_view::npos;
    out->clear();
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out->push_back(s[++i]);
        } else if (s[i] == '"') {
            return i + 1;
        } else {
            out->push_back(s[i]);
        }
    }
    return std::string_view::npos;
}

bool ParseHexBytes(std::string_view s, std::vector<uint8_t>* out) {
    out->clear();
    while (!s.empty()) {
        const size_t comma = s.find(',');
        std::string_view token = TrimSpaces(s.substr(0, comma));
        s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
        if (token.empty()) {
            if (s.empty()) break;  // a trailing comma
            return false;
        }
        if (token.size() > 2) return false;
        int value = 0;
        for (char c : token) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        out->push_back(static_cast<uint8_t>(value));
    }
    return true;
}

bool ParseData(std::string_view s, RegValue* v) {
    if (!s.empty() && s[0] == '"') {
        std::string text;
        const size_t end = ParseQuoted(s, &text);
        if (end == std::string_view::npos || !TrimSpaces(s.substr(end)).empty()) return false;
        v->type = kRegSz;
        v->data.assign(text.begin(), text.end());
        v->data.push_back(0);
        return true;
    }
    if (s.size() > 6 && EqualsNoCase(s.substr(0, 6), "dword:")) {
        std::string_view digits = TrimSpaces(s.substr(6));
        if (digits.empty() || digits.size() > 8) return false;
        uint32_t value = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            value = value * 16 + static_cast<uint32_t>(d);
        }
        v->type = kRegDword;
        v->data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                   static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
        return true;
    }
    if (s.size() >= 4 && EqualsNoCase(s.substr(0, 4), "hex:")) {
        v->type = kRegBinary;
        return ParseHexBytes(s.substr(4), &v->data);
    }
    if (s.size() >= 5 && EqualsNoCase(s.substr(0, 4), "hex(")) {
        const size_t close = s.find(')');
        if (close == std::string_view::npos || close + 1 >= s.size() || s[close + 1] != ':' ||
            close == 4 || close > 12) {
            return false;
        }
        uint32_t type = 0;
        for (char c : s.substr(4, close - 4)) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            type = type * 16 + static_cast<uint32_t>(d);
        }
        v->type = type;
        return ParseHexBytes(s.substr(close + 2), &v->data);
    }
    return false;
}

bool ParseValueLine(std::string_view line, RegValue* v) {
    size_t after;
    if (!line.empty() && line[0] == '@') {
        v->name.clear();
        after = 1;
    } else {
        after = ParseQuoted(line, &v->name);
        if (after == std::string_view::npos) return false;
    }
    std::string_view rest = TrimSpaces(line.substr(after));
    if (rest.empty() || rest[0] != '=') return false;
    return ParseData(TrimSpaces(rest.substr(1)), v);
}

void AppendQuoted(std::string* out, std::string_view s) {
    out->push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out->push_back('\\');
        out->push_back(c);
    }
    out->push_back('"');
}

void AppendHex(std::string* out, const std::vector<uint8_t>& data) {
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", data[i]);
        if (i > 0) out->push_back(',');
        out->append(buf);
    }
}

bool IsPlainString(const std::vector<uint8_t>& data) {
    if (data.empty() || data.back() != 0) return false;
    for (size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 0 || data[i] == '\n' || data[i] == '\r') return false;
    }
    return true;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

std::string_view TrimKeyPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

RegKey* RegDocument::FindKey(RegRoot root, std::string_view path) {
    path = TrimKeyPath(path);
    for (auto& k : keys) {
        if (k.root == root && EqualsNoCase(k.path, path)) return &k;
    }
    return nullptr;
}

const RegKey* RegDocument::FindKey(RegRoot root, std::string_view path) const {
    return const_cast<RegDocument*>(this)->FindKey(root, path);
}

bool RegDocument::KeyExists(RegRoot root, std::string_view path) const {
    path = TrimKeyPath(path);
    if (path.empty()) return true;
    for (const auto& k : keys) {
        if (k.root != root || k.path.size() < path.size()) continue;
        if (EqualsNoCase(std::string_view(k.path).substr(0, path.size()), path) &&
            (k.path.size() == path.size() || k.path[path.size()] == '\\')) {
            return true;
        }
    }
    return false;
}

bool RegDocument::HasSubkeys(RegRoot root, std::string_view path) const {
    path = TrimKeyPath(path);
    for (const auto& k : keys) {
        if (k.root != root || k.path.size() <= path.size()) continue;
        if ((path.empty() || (EqualsNoCase(std::string_view(k.path).substr(0, path.size()), path) &&
                              k.path[path.size()] == '\\'))) {
            return true;
        }
    }
    return false;
}

RegKey& RegDocument::CreateKey(RegRoot root, std::string_view path) {
    if (RegKey* k = FindKey(root, path)) return *k;
    keys.push_back(RegKey{root, std::string(TrimKeyPath(path)), {}});
    return keys.back();
}

RegDocument ParseRegistryText(std::string_view raw) {
    RegDocument doc;
    const std::string text = Narrow(raw);
    RegKey* current = nullptr;
    for (const std::string& line : LogicalLines(text)) {
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            RegRoot root;
            std::string path;
            current = ParseKeyLine(line, &root, &path) ? &doc.CreateKey(root, path) : nullptr;
            continue;
        }
        if (current == nullptr) continue;
        RegValue v;
        if (!ParseValueLine(line, &v)) continue;
        bool replaced = false;
        for (auto& existing : current->values) {
            if (EqualsNoCase(existing.name, v.name)) {
                existing = std::move(v);
                replaced = true;
                break;
            }
        }
        if (!replaced) current->values.push_back(std::move(v));
    }
    return doc;
}

std::string SerializeRegistry(const RegDocument& doc) {
    std::string out(kHeader5);
    out.append("\n");
    for (const auto& k : doc.keys) {
        out.append("\n[");
        out.append(k.root == RegRoot::kLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER");
        if (!k.path.empty()) out.append("\\").append(k.path);
        out.append("]\n");
        for (const auto& v : k.values) {
            if (v.name.empty()) {
                out.push_back('@');
            } else {
                AppendQuoted(&out, v.name);
            }
            out.push_back('=');
            if (v.type == kRegSz && IsPlainString(v.data)) {
                AppendQuoted(&out, std::string_view(reinterpret_cast<const char*>(v.data.data()),
                                                    v.data.size() - 1));
            } else if (v.type == kRegDword && v.data.size() == 4) {
                char buf[16];
                const uint32_t d = static_cast<uint32_t>(v.data[0]) | (v.data[1] << 8) |
                                   (v.data[2] << 16) | (static_cast<uint32_t>(v.data[3]) << 24);
                std::snprintf(buf, sizeof buf, "dword:%08x", d);
                out.append(buf);
            } else if (v.type == kRegBinary) {
                out.append("hex:");
                AppendHex(&out, v.data);
            } else {
                char buf[24];
                std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                out.append(buf);
                AppendHex(&out, v.data);
            }
            out.push_back('\n');
        }
    }
    return out;
}

}  // namespace txorb::platform
