// A small JSON writer: objects, arrays, strings (UTF-8 in, escaped out), numbers, Booleans
// and null, with commas placed automatically. Pretty-printed with two-space indents.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace scrpack {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    // The key of the next value inside an object.
    void key(std::string_view name);

    void string(std::string_view utf8);
    void number(int64_t value);
    void boolean(bool value);
    void null();

    // key + value in one call.
    void field(std::string_view name, std::string_view utf8) { key(name); string(utf8); }
    void field(std::string_view name, const char* utf8) { key(name); string(utf8); }
    void field(std::string_view name, int64_t value) { key(name); number(value); }
    void field(std::string_view name, bool value) { key(name); boolean(value); }

    static std::string escape(std::string_view utf8);

private:
    void before_value();
    void newline();

    struct Level {
        bool object;
        bool empty = true;
    };
    std::ostream& out_;
    std::vector<Level> stack_;
    bool after_key_ = false;
};

}  // namespace scrpack
