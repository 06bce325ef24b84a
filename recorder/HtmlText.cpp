// Decoding of text runs read from HTML pages.
#include "recorder/HtmlText.h"

#include <cstring>
#include <iterator>

namespace {

struct Entity {
    const char* name;  // from "&" to ";"
    size_t length;
    const char* replacement;
};

// Tried in this order; the last two only for HtmlEntities::Extended.
constexpr Entity kEntities[] = {
    {"&lt;", 4, "<"},     {"&gt;", 4, ">"},   {"&nbsp;", 6, " "},  {"&amp;", 5, "&"},
    {"&quot;", 6, "\""},  {"&copy;", 6, "(c)"}, {"&#39;", 5, "'"},
};
constexpr size_t kBasicEntityCount = 5;

bool isWhiteSpace(unsigned char c) { return c <= 0x20; }

// True for bytes that neither collapse nor start an entity, so they can be copied in runs.
bool isPlain(unsigned char c, bool collapseWhiteSpace) {
    return c != '&' && !(collapseWhiteSpace && isWhiteSpace(c));
}

}  // namespace

void appendHtmlText(const char* raw, size_t size, HtmlEntities entities, bool collapseWhiteSpace,
                    std::string& out) {
    const size_t start = out.size();
    const size_t entityCount = entities == HtmlEntities::Extended ? std::size(kEntities) : kBasicEntityCount;
    bool pendingSpace = false;
    size_t i = 0;
    while (i < size) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (collapseWhiteSpace && isWhiteSpace(c)) {
            // Only white space after produced output can become a blank; leading white space vanishes.
            if (out.size() > start) pendingSpace = true;
            ++i;
            continue;
        }
        if (pendingSpace) {
            out.push_back(' ');
            pendingSpace = false;
        }
        if (c != '&') {
            size_t runEnd = i + 1;
            while (runEnd < size && isPlain(static_cast<unsigned char>(raw[runEnd]), collapseWhiteSpace)) ++runEnd;
            out.append(raw + i, runEnd - i);
            i = runEnd;
            continue;
        }
        const Entity* found = nullptr;
        for (size_t e = 0; e < entityCount && found == nullptr; ++e) {
            const Entity& entity = kEntities[e];
            if (size - i >= entity.length && std::memcmp(raw + i, entity.name, entity.length) == 0) found = &entity;
        }
        if (found != nullptr) {
            out.append(found->replacement);
            i += found->length;
        } else {
            out.push_back('&');
            ++i;
        }
    }
}
