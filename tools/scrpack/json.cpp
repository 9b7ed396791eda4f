#include "json.h"

#include <cstdio>

namespace scrpack {

std::string JsonWriter::escape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (char c : utf8) {
        unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", u);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::newline() {
    out_ << '\n';
    for (std::size_t i = 0; i < stack_.size(); ++i) out_ << "  ";
}

void JsonWriter::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!stack_.empty()) {
        if (!stack_.back().empty) out_ << ',';
        stack_.back().empty = false;
        newline();
    }
}

void JsonWriter::key(std::string_view name) {
    before_value();
    out_ << escape(name) << ": ";
    after_key_ = true;
}

void JsonWriter::begin_object() {
    before_value();
    out_ << '{';
    stack_.push_back({true});
}

void JsonWriter::end_object() {
    bool empty = stack_.back().empty;
    stack_.pop_back();
    if (!empty) newline();
    out_ << '}';
    if (stack_.empty()) out_ << '\n';
}

void JsonWriter::begin_array() {
    before_value();
    out_ << '[';
    stack_.push_back({false});
}

void JsonWriter::end_array() {
    bool empty = stack_.back().empty;
    stack_.pop_back();
    if (!empty) newline();
    out_ << ']';
}

void JsonWriter::string(std::string_view utf8) {
    before_value();
    out_ << escape(utf8);
}

void JsonWriter::number(int64_t value) {
    before_value();
    out_ << value;
}

void JsonWriter::boolean(bool value) {
    before_value();
    out_ << (value ? "true" : "false");
}

void JsonWriter::null() {
    before_value();
    out_ << "null";
}

}  // namespace scrpack
