// The version resource of the library's own file, read through the version library at every
// call, as a program that inspects the file would see it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/module_instance.h"
#include "platform/module_version.h"

namespace txorb::platform {
namespace {

bool OwnFileName(std::string* name) {
    const auto module = static_cast<HMODULE>(ModuleInstance());
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return false;
        if (n < path.size()) {
            name->assign(path.data(), n);
            return true;
        }
        if (path.size() >= 32768) return false;
        path.resize(path.size() * 2);
    }
}

bool ReadVersionBlock(const std::string& file, std::vector<unsigned char>* block) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return false;
    block->assign(size, 0);
    return GetFileVersionInfoA(file.c_str(), 0, size, block->data()) != 0;
}

// The first language and code page of the translation table name the string block to read.
bool FirstTranslation(std::vector<unsigned char>& block, char* subBlock, size_t size) {
    void* table = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &table, &length) ||
        length < 2 * sizeof(WORD)) {
        return false;
    }
    const auto* words = static_cast<const WORD*>(table);
    std::snprintf(subBlock, size, "\\StringFileInfo\\%04x%04x\\FileVersion",
                  static_cast<unsigned>(words[0]), static_cast<unsigned>(words[1]));
    return true;
}

}  // namespace

bool ReadModuleFileVersion(std::string* text) {
    try {
        std::string file;
        std::vector<unsigned char> block;
        char subBlock[64];
        if (!OwnFileName(&file) || !ReadVersionBlock(file, &block) ||
            !FirstTranslation(block, subBlock, sizeof subBlock)) {
            return false;
        }
        void* value = nullptr;
        UINT length = 0;
        if (VerQueryValueA(block.data(), subBlock, &value, &length) && length > 0) {
            text->assign(static_cast<const char*>(value));
        } else {
            text->clear();
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace txorb::platform
