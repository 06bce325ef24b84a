// Reads VS_FIXEDFILEINFO straight from the RT_VERSION resource, so the version has one source (the project
// version in CMakeLists.txt, which reaches Pelorane.rc through the generated ui/Version.h) and no version
// library is needed.
#include "ui/ProgramVersion.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;
constexpr WORD kVersionResourceId = 1;  // VS_VERSION_INFO

// The fixed part sits after the block header and its UTF-16 key, on a 32-bit boundary; finding it by
// its signature avoids spelling out the padding rules.
const VS_FIXEDFILEINFO* findFixedInfo(const unsigned char* data, size_t size) {
    for (size_t offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= size; offset += sizeof(DWORD)) {
        DWORD signature = 0;
        std::memcpy(&signature, data + offset, sizeof(signature));
        if (signature == kFixedInfoSignature) return reinterpret_cast<const VS_FIXEDFILEINFO*>(data + offset);
    }
    return nullptr;
}

}  // namespace

std::string programVersionText() {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kVersionResourceId), RT_VERSION);
    if (resource == nullptr) return std::string();
    const HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
    if (data == nullptr) return std::string();
    const VS_FIXEDFILEINFO* info =
        findFixedInfo(static_cast<const unsigned char*>(data), SizeofResource(module, resource));
    if (info == nullptr) return std::string();
    char text[64];
    std::snprintf(text, sizeof(text), "v%u.%u.%u.%u", static_cast<unsigned>(HIWORD(info->dwFileVersionMS)),
                  static_cast<unsigned>(LOWORD(info->dwFileVersionMS)),
                  static_cast<unsigned>(HIWORD(info->dwFileVersionLS)),
                  static_cast<unsigned>(LOWORD(info->dwFileVersionLS)));
    return text;
}
