#include "package/commatext.h"

#include "base/os.h"

namespace scr {

namespace {

bool IsBlank(char c) { return uint8_t(c) >= 1 && uint8_t(c) <= 32; }

// Length of the character at i: 2 for a double-byte character whose trail byte is present.
std::size_t CharLen(std::string_view s, std::size_t i) {
    return sys::IsDBCSLeadByte(uint8_t(s[i])) && i + 1 < s.size() ? 2 : 1;
}

}  // namespace

StringList ParseCommaText(std::string_view text) {
    // The text ends at its first NUL, as a C string would.
    if (auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
    StringList list;
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto skip_blanks = [&] {
        while (i < n && IsBlank(text[i])) ++i;
    };
    skip_blanks();
    while (i < n) {
        std::string item;
        if (text[i] == '"') {
            // Runs to the next quote that is not doubled; an unclosed item runs to the end.
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                const std::size_t len = CharLen(text, i);
                item.append(text.substr(i, len));
                i += len;
            }
        } else {
            const std::size_t start = i;
            while (i < n && text[i] != ',' && !IsBlank(text[i])) i += CharLen(text, i);
            item.assign(text.substr(start, i - start));
        }
        list.push_back(std::move(item));
        skip_blanks();
        if (i < n && text[i] == ',') {
            if (i == n - 1) list.emplace_back();
            ++i;
            skip_blanks();
        }
    }
    return list;
}

std::string FormatCommaText(const StringList& items) {
    if (items.size() == 1 && items[0].empty()) return "\"\"";
    std::string out;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k) out += ',';
        const std::string& item = items[k];
        bool quote = false;
        for (std::size_t i = 0; i < item.size() && !quote; i += CharLen(item, i)) {
            const char c = item[i];
            quote = IsBlank(c) || c == '"' || c == ',';
        }
        if (!quote) {
            out += item;
            continue;
        }
        out += '"';
        for (char c : item) {
            if (c == '"') out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

}  // namespace scr
