// archive-dump: prints an object stream as an indented tree of arrays,
// objects (index, class, schema, class index) and base-class references, with
// the offset of each tag; --fields adds every field the class layouts name.
//
//   archive-dump [--layout FILE]... [--fields] [--code-page gbk|utf8]
//                [--raw [--offset N] [--every-cut] | --zo | --dsp | --amu] STREAM
//
// Without --layout the layouts of the program's own sheet classes, built in,
// are used; a STREAM named *.zo is read as with --zo, one named *.dsp or
// *.dmu as with --dsp, one named *.amu as with --amu.
//
// --raw reads object arrays from the offset to the end of the file;
// --every-cut reads instead every stream cut shorter from the offset on, each
// after a line "== cut N" and with its error line on standard output. --zo reads
// a device sheet (.zo): the header (version; for version 1 or 2 the sheet
// size, the three colours and the grid flag, always printed), then the device
// array and the link array, which must end the file. --dsp reads a DSP
// sheet or sheet template (.dsp, .dmu) alike: the header (version; for
// version 1 or 2 the fields listed at read_dsp_header, always printed), then
// the module array and the link array, which must end the file. --amu
// reads a parameter template (.amu): the header (the tag "AriModule", which
// it must be, the template name, the version, 1 or 2, the module type,
// which must be one with a class, and the variant; always printed), then
// the module's class part without a class tag, which must end the file: a
// line "module <class> schema <version>", its fields under it. Exit
// status 0 when the whole stream was read, 1 on a bad stream (the tree up to
// the fault, then "error at offset N: ..." on standard error), 2 on bad usage.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "layout.h"
#include "platform/archive/file.h"
#include "platform/text/ascii.h"
#include "platform/text/format.h"

namespace {

namespace pa = platform::archive;
using platform::text::format;

class tree_printer_t final : public pa::trace_sink_t, public archive_dump::field_sink_t {
public:
    void on_trace(const pa::trace_event_t& e) override {
        using kind = pa::trace_event_t::kind_t;
        switch (e.kind) {
        case kind::array_begin:
            line(e.offset, format("array %u", e.count));
            ++depth_;
            break;
        case kind::array_end:
        case kind::object_end:
            --depth_;
            break;
        case kind::null_object:
            line(e.offset, "null");
            break;
        case kind::object_reference:
            line(e.offset, format("ref #%u %s", e.index, e.cls->name));
            break;
        case kind::object_begin:
            line(e.offset, format("object #%u %s schema %u class #%u%s", e.index, e.cls->name,
                                  e.schema, e.class_index, e.new_class ? " new" : ""));
            ++depth_;
            break;
        case kind::base_class:
            line(e.offset, format("base %s schema %u class #%u%s", e.cls->name, e.schema,
                                  e.class_index, e.new_class ? " new" : ""));
            break;
        }
    }
    void field(std::uint64_t offset, const std::string& text) override { line(offset, text); }
    // Lines after this go one level deeper, or back.
    void indent() { ++depth_; }
    void outdent() { --depth_; }

    const std::string& text() const { return out_; }

private:
    void line(std::uint64_t offset, const std::string& text) {
        out_ += format("%06llx ", static_cast<unsigned long long>(offset));
        out_.append(2 * static_cast<std::size_t>(depth_), ' ');
        out_ += text;
        out_ += '\n';
    }

    std::string out_;
    int depth_ = 0;
};

// The header of a device sheet: version (uint32); for version 1 or 2 the
// sheet size (two int32 in one 8-byte block), the physical-link, network-link
// and background colours (uint32 each) and the grid flag (int32).
void read_zo_header(pa::archive_t& ar, tree_printer_t& printer) {
    std::uint64_t at = ar.Tell();
    std::uint32_t version = 0;
    ar >> version;
    printer.field(at, format("u32 version = %u", version));
    if (version != 1 && version != 2)
        return;
    at = ar.Tell();
    pa::raw_size size;
    ar >> size;
    printer.field(at, format("size sheet_size = (%d, %d)", size.cx, size.cy));
    for (const char* name : {"physical_link_colour", "network_link_colour", "background_colour"}) {
        at = ar.Tell();
        std::uint32_t colour = 0;
        ar >> colour;
        printer.field(at, format("u32 %s = %u", name, colour));
    }
    at = ar.Tell();
    std::int32_t grid = 0;
    ar >> grid;
    printer.field(at, format("i32 grid = %d", grid));
}

// The header of a DSP sheet: version (int32); for version 1 or 2 the device
// model index, zoom level, sheet size (two int32 in one 8-byte block), the
// ten name counters, module and link id counters, space and time totals,
// sheet colour, unit MAC and saved title (strings), hidden-modules flag,
// device template slot, template structure and parameter names (strings).
void read_dsp_header(pa::archive_t& ar, tree_printer_t& printer) {
    const auto i32 = [&](const char* name) {
        const std::uint64_t at = ar.Tell();
        std::int32_t v = 0;
        ar >> v;
        printer.field(at, format("i32 %s = %d", name, v));
        return v;
    };
    const auto str = [&](const char* name) {
        const std::uint64_t at = ar.Tell();
        printer.field(at, format("str %s = %s", name, archive_dump::quote(ar.ReadString())));
    };
    const std::int32_t version = i32("version");
    if (version != 1 && version != 2)
        return;
    i32("device_model");
    i32("zoom");
    const std::uint64_t at = ar.Tell();
    pa::raw_size size;
    ar >> size;
    printer.field(at, format("size sheet_size = (%d, %d)", size.cx, size.cy));
    for (const char* name :
         {"delay_counter", "router_counter", "mixer_counter", "dynamic_counter",
          "generator_counter", "equalizer_counter", "filter_counter", "crossover_counter",
          "text_counter", "meter_counter", "module_id_counter", "link_id_counter", "space_total",
          "time_total", "sheet_colour"})
        i32(name);
    str("unit_mac");
    str("saved_title");
    i32("hidden_modules");
    i32("template_slot");
    str("template_structure_name");
    str("template_parameter_name");
}

// The class of each DSP module type code; null where a type has none.
const char* amu_module_class(std::int32_t type) {
    static constexpr const char* classes[] = {
        nullptr,      "CAriInput",     "CAriOutput",  "CAriDelay",     "CAriRouter",
        "CAriMixer",  nullptr,         "CAriDynamic", "CAriGenerator", "CAriEqualizer",
        "CAriFilter", "CAriCrossover", "CAriText",    "CAriMeter"};
    return type >= 0 && type < static_cast<std::int32_t>(std::size(classes)) ? classes[type]
                                                                             : nullptr;
}

// A parameter template: the tag "AriModule" and the template name
// (strings), the version, module type and variant (int32 each), then the
// module's class part as its Serialize stores it, with no class tag: the
// type names the class, the version is the part's schema.
void read_amu(pa::archive_t& ar, tree_printer_t& printer, const archive_dump::layout_set_t& set) {
    const auto i32 = [&](const char* name, std::uint64_t& at) {
        at = ar.Tell();
        std::int32_t v = 0;
        ar >> v;
        printer.field(at, format("i32 %s = %d", name, v));
        return v;
    };
    std::uint64_t at = ar.Tell();
    const std::string tag = ar.ReadString();
    printer.field(at, format("str tag = %s", archive_dump::quote(tag)));
    if (tag != "AriModule")
        throw pa::archive_error(at, "the tag \"AriModule\", found " + archive_dump::quote(tag));
    at = ar.Tell();
    printer.field(at, format("str name = %s", archive_dump::quote(ar.ReadString())));
    const std::int32_t version = i32("version", at);
    if (version != 1 && version != 2)
        throw pa::archive_error(at, format("version 1 or 2, found %d", version));
    const std::int32_t type = i32("type", at);
    const char* cls = amu_module_class(type);
    if (cls == nullptr)
        throw pa::archive_error(at, format("a module type with a class, found %d", type));
    i32("variant", at);
    const pa::runtime_class_t* record = set.registry().find(cls);
    const archive_dump::class_layout_t* layout = record ? set.find(record) : nullptr;
    if (layout == nullptr)
        throw std::runtime_error(format("no layout of class %s", cls));
    printer.field(ar.Tell(), format("module %s schema %d", cls, version));
    printer.indent();
    ar.SetObjectSchema(static_cast<std::uint32_t>(version));
    set.read_part(ar, *layout);
    printer.outdent();
}

enum class file_kind_t { raw, zo, dsp, amu };

const char* const usage_text =
    "usage: archive-dump [--layout FILE]... [--fields] [--code-page gbk|utf8]\n"
    "                    [--raw [--offset N] [--every-cut] | --zo | --dsp | --amu] STREAM\n"
    "Prints an object stream as a tree: arrays, objects (index, class, schema),\n"
    "base-class references and the offset of each tag.\n"
    "  --zo            a device sheet file (the default for a STREAM named *.zo)\n"
    "  --dsp           a DSP sheet or sheet template file (the default for a\n"
    "                  STREAM named *.dsp or *.dmu)\n"
    "  --amu           a parameter template file (the default for a STREAM\n"
    "                  named *.amu)\n"
    "  --raw           object arrays from --offset N (default 0) to the end\n"
    "  --every-cut     with --raw: every shorter cut of the stream, one after another\n"
    "  --fields        every field the class layouts name\n"
    "  --layout FILE   class layouts to use instead of the built-in ones of the\n"
    "                  program's sheet classes (may be given more than once)\n"
    "  --code-page     how strings are decoded: gbk (default) or utf8\n"
    "Exit status: 0 read whole, 1 bad stream (error on standard error), 2 bad usage.\n";

int usage(const char* why) {
    std::fprintf(stderr, "archive-dump: %s\n%s", why, usage_text);
    return 2;
}

bool parse_offset(const std::string& text, std::size_t& out) {
    try {
        std::size_t used = 0;
        out = std::stoull(text, &used, 0);
        return used == text.size();
    } catch (const std::exception&) {
        return false;
    }
}

// Prints the tree of one stream to `out` and its fault to `err`; the exit
// status of the program for it.
int dump(const std::vector<std::uint8_t>& bytes, std::size_t offset, file_kind_t kind, bool fields,
         const pa::code_page_t& code_page, archive_dump::layout_set_t& set, std::FILE* out,
         std::FILE* err) {
    tree_printer_t printer;
    try {
        pa::archive_t ar(bytes, set.registry(), offset);
        ar.SetCodePage(code_page);
        ar.SetTraceSink(&printer);
        set.set_field_sink(fields ? &printer : nullptr);
        const auto read_array = [&] {
            const std::uint32_t count = ar.ReadArrayBegin();
            for (std::uint32_t i = 0; i < count; ++i)
                ar.ReadObjectOrReference(nullptr);
            ar.ReadArrayEnd();
        };
        if (kind == file_kind_t::amu) {
            read_amu(ar, printer, set);
            if (!ar.AtEnd())
                throw pa::archive_error(ar.Tell(), format("the end of the file after the module, "
                                                          "%u bytes left",
                                                          static_cast<unsigned>(ar.Remaining())));
        } else if (kind != file_kind_t::raw) {
            if (kind == file_kind_t::zo)
                read_zo_header(ar, printer);
            else
                read_dsp_header(ar, printer);
            read_array(); // devices or modules
            read_array(); // links
            if (!ar.AtEnd())
                throw pa::archive_error(ar.Tell(), format("the end of the file after the link "
                                                          "array, %u bytes left",
                                                          static_cast<unsigned>(ar.Remaining())));
        } else {
            while (!ar.AtEnd())
                read_array();
        }
    } catch (const pa::archive_error& e) {
        std::fwrite(printer.text().data(), 1, printer.text().size(), out);
        std::fflush(out);
        std::fprintf(err, "archive-dump: error at offset %llu: expected %s\n",
                     static_cast<unsigned long long>(e.offset()), e.expected().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fwrite(printer.text().data(), 1, printer.text().size(), out);
        std::fflush(out);
        std::fprintf(err, "archive-dump: %s\n", e.what());
        return 2;
    }
    std::fwrite(printer.text().data(), 1, printer.text().size(), out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> layouts;
    bool fields = false, raw = false, zo = false, dsp = false, amu = false, every_cut = false;
    std::size_t offset = 0;
    std::string path;
    pa::code_page_t code_page = pa::code_page_t::gbk();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage_text, stdout);
            return 0;
        } else if (arg == "--layout" && has_value) {
            layouts.push_back(argv[++i]);
        } else if (arg == "--fields") {
            fields = true;
        } else if (arg == "--raw") {
            raw = true;
        } else if (arg == "--every-cut") {
            every_cut = true;
        } else if (arg == "--zo") {
            zo = true;
        } else if (arg == "--dsp") {
            dsp = true;
        } else if (arg == "--amu") {
            amu = true;
        } else if (arg == "--offset" && has_value) {
            if (!parse_offset(argv[++i], offset))
                return usage("bad offset");
        } else if (arg == "--code-page" && has_value) {
            const std::string name = argv[++i];
            if (name == "gbk")
                code_page = pa::code_page_t::gbk();
            else if (name == "utf8")
                code_page = pa::code_page_t::utf8();
            else
                return usage("unknown code page");
        } else if (!arg.starts_with("--") && path.empty()) {
            path = arg;
        } else {
            return usage(("unexpected argument " + arg).c_str());
        }
    }
    if (path.empty())
        return usage("no stream given");
    const auto named = [&](std::string_view extension) {
        return path.size() > extension.size() &&
               platform::text::equals_no_case(
                   std::string_view(path).substr(path.size() - extension.size()), extension);
    };
    if (!raw && !zo && !dsp && !amu) {
        zo = named(".zo");
        dsp = named(".dsp") || named(".dmu");
        amu = named(".amu");
    }
    if (int(raw) + int(zo) + int(dsp) + int(amu) != 1)
        return usage("give either --raw or --zo or --dsp or --amu");
    if (!raw && offset != 0)
        return usage("--offset goes with --raw");
    if (!raw && every_cut)
        return usage("--every-cut goes with --raw");
    const file_kind_t kind = zo    ? file_kind_t::zo
                             : dsp ? file_kind_t::dsp
                             : amu ? file_kind_t::amu
                                   : file_kind_t::raw;

    archive_dump::layout_set_t set;
    std::vector<std::uint8_t> bytes;
    try {
        for (const auto& l : layouts)
            set.load(l);
        if (layouts.empty())
            for (const auto& builtin : archive_dump::builtin_layouts())
                set.load_text(builtin.text, builtin.name);
        set.finish();
        bytes = pa::read_file(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "archive-dump: %s\n", e.what());
        return 2;
    }

    if (!every_cut)
        return dump(bytes, offset, kind, fields, code_page, set, stdout, stderr);
    // Every shorter stream, one after the other, each after a "== cut N" line
    // and with its error line on the same output: a cross-check of the
    // reader on every cut then costs one process instead of one per cut.
    for (std::size_t cut = offset; cut < bytes.size(); ++cut) {
        std::printf("== cut %zu\n", cut);
        const std::vector<std::uint8_t> part(bytes.begin(),
                                             bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        if (dump(part, offset, kind, fields, code_page, set, stdout, stdout) == 2)
            return 2;
    }
    return 0;
}
