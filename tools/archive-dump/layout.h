#pragma once
// Class layouts: a small text description of each class's archive form, so
// that archive-dump can walk streams of classes it is not linked with. The
// independent test reader (tests/tools/archive_reader.py) reads the same
// files.
//
//   # comment
//   class CAriDelay 2 : CBaseAriModule     name, schema, optional base class
//     if schema 1 2                        own fields only for these schemas
//       i32 bypass                         u8 i16 u16 i32 u32 f32 f64 str rect point size
//       f64 max_delay
//     else                                 optional
//     end
//     repeat count max 16                  a literal, a field, or field*field;
//       i32 input                          a field count needs "max"
//     end
//     array channels CBaseChnl             object array of that family
//     base                                 class reference of the base, then its part
//   end
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/archive/archive.h"

namespace archive_dump {

struct statement_t {
    enum class kind_t { field, array, base, if_schema, repeat };
    kind_t kind = kind_t::field;
    std::string type; // field
    std::string name; // field, array
    std::string cls;  // array: element family
    std::vector<std::uint32_t> schemas;
    std::vector<statement_t> body, else_body;
    std::int64_t literal = -1;                                  // repeat
    std::string count_a, count_b;                               // repeat by field (or product)
    std::int64_t max = -1;                                      // repeat
    const platform::archive::runtime_class_t* family = nullptr; // array, resolved
};

struct class_layout_t {
    std::string name;
    std::uint16_t schema = 0;
    std::string base_name;
    std::vector<statement_t> body;
    const class_layout_t* base = nullptr;
    platform::archive::runtime_class_t record{};
};

// Receives the field lines of --fields.
class field_sink_t {
public:
    virtual ~field_sink_t() = default;
    virtual void field(std::uint64_t offset, const std::string& text) = 0;
};

class layout_set_t {
public:
    // Parses one layout file; std::runtime_error naming file and line.
    void load(const std::filesystem::path& path);
    void load_text(const std::string& text, const std::string& origin);
    // Resolves base classes and array families, builds the class records.
    void finish();

    const platform::archive::class_registry_t& registry() const { return registry_; }
    const class_layout_t* find(const platform::archive::runtime_class_t* record) const;

    // Field lines go here when set (--fields).
    void set_field_sink(field_sink_t* sink) { fields_ = sink; }

    // Reads one class part (and its bases) as the layout says.
    void read_part(platform::archive::archive_t& ar, const class_layout_t& layout) const;

private:
    void run(platform::archive::archive_t& ar, const class_layout_t& layout,
             const std::vector<statement_t>& body, std::uint32_t schema,
             std::map<std::string, std::int64_t>& values) const;

    std::vector<std::unique_ptr<class_layout_t>> classes_;
    std::map<const platform::archive::runtime_class_t*, const class_layout_t*> by_record_;
    platform::archive::class_registry_t registry_;
    field_sink_t* fields_ = nullptr;
};

// The printed form of a string: UTF-8 as it is, with quotes, backslashes and
// control characters escaped, and bytes that did not decode as \xNN.
std::string quote(const std::string& s);

// The layouts of the program's own sheet classes, built into the tool.
struct builtin_layout_t {
    const char* name;
    const char* text;
};
const std::vector<builtin_layout_t>& builtin_layouts();

} // namespace archive_dump
