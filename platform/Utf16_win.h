// UTF-8 <-> UTF-16 and code page 932 <-> UTF-16 conversions for the Windows platform layer.
#pragma once

#include <string>

std::wstring widenUtf8(const std::string& utf8);
std::string narrowUtf8(const std::wstring& wide);
std::wstring widenCodePage(const std::string& bytes, unsigned codePage);
std::string narrowCodePage(const std::wstring& wide, unsigned codePage);
