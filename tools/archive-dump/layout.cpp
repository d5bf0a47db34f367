#include "layout.h"

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "platform/text/format.h"

namespace archive_dump {
namespace pa = platform::archive;

namespace {

const std::set<std::string> field_types = {"u8",  "i16", "u16",  "i32",   "u32", "f32",
                                           "f64", "str", "rect", "point", "size"};

// The one layout set of the program, for the class records' factory.
const layout_set_t* the_set = nullptr;

class layout_object_t : public pa::serializable_t {
public:
    explicit layout_object_t(const class_layout_t* layout) : layout_(layout) {}
    const pa::runtime_class_t& GetRuntimeClass() const override { return layout_->record; }
    void Serialize(pa::archive_t& ar) override { the_set->read_part(ar, *layout_); }

private:
    const class_layout_t* layout_;
};

std::unique_ptr<pa::serializable_t> create_layout_object(const pa::runtime_class_t& self) {
    return std::make_unique<layout_object_t>(the_set->find(&self));
}

bool is_number(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

struct parser_t {
    std::vector<std::vector<std::string>> lines;
    std::vector<int> line_numbers;
    std::string origin;
    std::size_t at = 0;

    [[noreturn]] void fail(const std::string& what) const {
        const int line = at < line_numbers.size() ? line_numbers[at] : line_numbers.back();
        throw std::runtime_error(origin + ":" + std::to_string(line) + ": " + what);
    }

    // Statements up to "end" (or "else" when allowed); the terminator is consumed.
    std::vector<statement_t> block(bool allow_else, bool* saw_else) {
        std::vector<statement_t> out;
        while (at < lines.size()) {
            const auto& w = lines[at];
            if (w[0] == "end") {
                ++at;
                return out;
            }
            if (w[0] == "else") {
                if (!allow_else)
                    fail("\"else\" outside \"if\"");
                ++at;
                *saw_else = true;
                return out;
            }
            out.push_back(statement());
        }
        fail("missing \"end\"");
    }

    statement_t statement() {
        const auto w = lines[at];
        statement_t s;
        if (field_types.count(w[0])) {
            if (w.size() != 2)
                fail("expected \"<type> <name>\"");
            s.kind = statement_t::kind_t::field;
            s.type = w[0];
            s.name = w[1];
            ++at;
        } else if (w[0] == "array") {
            if (w.size() != 3)
                fail("expected \"array <name> <class>\"");
            s.kind = statement_t::kind_t::array;
            s.name = w[1];
            s.cls = w[2];
            ++at;
        } else if (w[0] == "base") {
            if (w.size() != 1)
                fail("expected \"base\" alone");
            s.kind = statement_t::kind_t::base;
            ++at;
        } else if (w[0] == "if") {
            if (w.size() < 3 || w[1] != "schema")
                fail("expected \"if schema <n>...\"");
            s.kind = statement_t::kind_t::if_schema;
            for (std::size_t i = 2; i < w.size(); ++i) {
                if (!is_number(w[i]))
                    fail("bad schema number " + w[i]);
                s.schemas.push_back(static_cast<std::uint32_t>(std::stoul(w[i])));
            }
            ++at;
            bool saw_else = false;
            s.body = block(true, &saw_else);
            if (saw_else)
                s.else_body = block(false, nullptr);
        } else if (w[0] == "repeat") {
            s.kind = statement_t::kind_t::repeat;
            if (w.size() != 2 && !(w.size() == 4 && w[2] == "max" && is_number(w[3])))
                fail("expected \"repeat <count> [max <n>]\"");
            if (w.size() == 4)
                s.max = std::stoll(w[3]);
            if (is_number(w[1])) {
                s.literal = std::stoll(w[1]);
            } else {
                const auto star = w[1].find('*');
                s.count_a = w[1].substr(0, star);
                if (star != std::string::npos)
                    s.count_b = w[1].substr(star + 1);
                if (s.max < 0)
                    fail("a repeat by field needs \"max\"");
            }
            ++at;
            s.body = block(false, nullptr);
        } else {
            fail("unknown statement \"" + w[0] + "\"");
        }
        return s;
    }
};

void resolve(std::vector<statement_t>& body, const pa::class_registry_t& registry,
             const std::string& owner) {
    for (statement_t& s : body) {
        if (s.kind == statement_t::kind_t::array) {
            s.family = registry.find(s.cls);
            if (s.family == nullptr)
                throw std::runtime_error("layout of " + owner + ": unknown class " + s.cls);
        }
        resolve(s.body, registry, owner);
        resolve(s.else_body, registry, owner);
    }
}

std::string real(double v) {
    if (std::isnan(v))
        return "nan";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

} // namespace

// The printed form of a string: UTF-8 as it is, with quotes, backslashes and
// control characters escaped, and bytes that did not decode (kept as
// U+DC80..U+DCFF, see platform/text/codepage.h) shown as the byte.
std::string quote(const std::string& s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b == 0xED && i + 2 < s.size() &&
            (static_cast<unsigned char>(s[i + 1]) & 0xFE) == 0xB2) {
            const unsigned cp = 0xD000 | ((static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) |
                                (static_cast<unsigned char>(s[i + 2]) & 0x3F);
            out += platform::text::format("\\x%02x", cp - 0xDC00);
            i += 2;
        } else if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b < 0x20 || b == 0x7F) {
            out += platform::text::format("\\x%02x", b);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out + "\"";
}

void layout_set_t::load(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read layout file " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    load_text(text.str(), path.string());
}

void layout_set_t::load_text(const std::string& text, const std::string& origin) {
    parser_t p;
    p.origin = origin;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line.substr(0, line.find('#')));
        std::vector<std::string> w;
        std::string word;
        while (words >> word)
            w.push_back(word);
        if (!w.empty()) {
            p.lines.push_back(std::move(w));
            p.line_numbers.push_back(number);
        }
    }
    while (p.at < p.lines.size()) {
        const auto w = p.lines[p.at];
        if (w[0] != "class" || !(w.size() == 3 || (w.size() == 5 && w[3] == ":")) ||
            !is_number(w[2]))
            p.fail("expected \"class <name> <schema> [: <base>]\"");
        auto layout = std::make_unique<class_layout_t>();
        layout->name = w[1];
        layout->schema = static_cast<std::uint16_t>(std::stoul(w[2]));
        if (w.size() == 5)
            layout->base_name = w[4];
        ++p.at;
        layout->body = p.block(false, nullptr);
        for (const auto& c : classes_)
            if (c->name == layout->name)
                p.fail("class " + layout->name + " described twice");
        classes_.push_back(std::move(layout));
    }
}

void layout_set_t::finish() {
    the_set = this;
    for (auto& c : classes_) {
        c->record = {c->name.c_str(), c->schema, sizeof(layout_object_t),
                     &pa::serializable_t::class_record, &create_layout_object};
        registry_.add(c->record);
        by_record_[&c->record] = c.get();
    }
    for (auto& c : classes_) {
        if (c->base_name.empty())
            continue;
        const pa::runtime_class_t* base = registry_.find(c->base_name);
        if (base == nullptr)
            throw std::runtime_error("layout of " + c->name + ": unknown base " + c->base_name);
        c->record.base = base;
        c->base = by_record_.at(base);
    }
    for (auto& c : classes_) {
        std::size_t steps = 0;
        for (const class_layout_t* b = c.get(); b != nullptr; b = b->base)
            if (++steps > classes_.size())
                throw std::runtime_error("layout of " + c->name + ": base classes form a loop");
        resolve(c->body, registry_, c->name);
    }
}

const class_layout_t* layout_set_t::find(const pa::runtime_class_t* record) const {
    const auto it = by_record_.find(record);
    return it == by_record_.end() ? nullptr : it->second;
}

void layout_set_t::read_part(pa::archive_t& ar, const class_layout_t& layout) const {
    std::map<std::string, std::int64_t> values;
    run(ar, layout, layout.body, ar.GetObjectSchema(), values);
}

void layout_set_t::run(pa::archive_t& ar, const class_layout_t& layout,
                       const std::vector<statement_t>& body, std::uint32_t schema,
                       std::map<std::string, std::int64_t>& values) const {
    using kind = statement_t::kind_t;
    for (const statement_t& s : body) {
        switch (s.kind) {
        case kind::field: {
            const std::uint64_t at = ar.Tell();
            std::string shown;
            if (s.type == "u8") {
                std::uint8_t v;
                ar >> v;
                values[s.name] = v;
                shown = std::to_string(v);
            } else if (s.type == "i16") {
                std::int16_t v;
                ar >> v;
                values[s.name] = v;
                shown = std::to_string(v);
            } else if (s.type == "u16") {
                std::uint16_t v;
                ar >> v;
                values[s.name] = v;
                shown = std::to_string(v);
            } else if (s.type == "i32") {
                std::int32_t v;
                ar >> v;
                values[s.name] = v;
                shown = std::to_string(v);
            } else if (s.type == "u32") {
                std::uint32_t v;
                ar >> v;
                values[s.name] = v;
                shown = std::to_string(v);
            } else if (s.type == "f32") {
                float v;
                ar >> v;
                shown = real(v);
            } else if (s.type == "f64") {
                double v;
                ar >> v;
                shown = real(v);
            } else if (s.type == "str") {
                shown = quote(ar.ReadString());
            } else if (s.type == "rect") {
                pa::raw_rect r;
                ar >> r;
                shown =
                    platform::text::format("(%d, %d, %d, %d)", r.left, r.top, r.right, r.bottom);
            } else if (s.type == "point") {
                pa::raw_point p;
                ar >> p;
                shown = platform::text::format("(%d, %d)", p.x, p.y);
            } else {
                pa::raw_size z;
                ar >> z;
                shown = platform::text::format("(%d, %d)", z.cx, z.cy);
            }
            if (fields_ != nullptr)
                fields_->field(at, s.type + " " + s.name + " = " + shown);
            break;
        }
        case kind::array: {
            const std::uint32_t count = ar.ReadArrayBegin();
            for (std::uint32_t i = 0; i < count; ++i)
                ar.ReadObjectOrReference(s.family);
            ar.ReadArrayEnd();
            break;
        }
        case kind::base:
            if (layout.base == nullptr)
                throw std::runtime_error("layout of " + layout.name + ": \"base\" without a base");
            ar.SerializeClass(layout.base->record);
            read_part(ar, *layout.base);
            break;
        case kind::if_schema: {
            bool match = false;
            for (const std::uint32_t n : s.schemas)
                match = match || n == schema;
            run(ar, layout, match ? s.body : s.else_body, schema, values);
            break;
        }
        case kind::repeat: {
            std::int64_t count = s.literal;
            if (count < 0) {
                const auto value = [&](const std::string& name) -> std::int64_t {
                    const auto it = values.find(name);
                    if (it == values.end())
                        throw std::runtime_error("layout of " + layout.name +
                                                 ": repeat by unread field " + name);
                    return it->second;
                };
                count = value(s.count_a);
                if (!s.count_b.empty())
                    count *= value(s.count_b);
            }
            if (count < 0 || (s.max >= 0 && count > s.max))
                throw pa::archive_error(ar.Tell(),
                                        platform::text::format("a repeat count from 0 to %lld, "
                                                               "found %lld",
                                                               static_cast<long long>(s.max),
                                                               static_cast<long long>(count)));
            for (std::int64_t i = 0; i < count; ++i)
                run(ar, layout, s.body, schema, values);
            break;
        }
        }
    }
}

} // namespace archive_dump
