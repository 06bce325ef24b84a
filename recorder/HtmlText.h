// Decoding of text runs read from HTML pages: white-space collapsing and a few named entities.
#pragma once

#include <cstddef>
#include <string>

// Which entities a decoder replaces: Basic is "&lt;" "&gt;" "&nbsp;" "&amp;" "&quot;",
// Extended adds "&copy;" (written as "(c)") and "&#39;".
enum class HtmlEntities { Basic, Extended };

// Appends the decoded form of the raw bytes to out. With collapsing, bytes 0x00..0x20 are
// dropped at both ends and each inner run becomes one blank; other bytes and unknown "&" pass unchanged.
void appendHtmlText(const char* raw, size_t size, HtmlEntities entities, bool collapseWhiteSpace,
                    std::string& out);
