#include "platform/automation/registry.h"

#include "platform/text/ascii.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace platform::automation {

namespace {

using platform::text::equals_no_case;

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

struct section_t {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;

    const std::string* get(std::string_view key) const
    {
        for (const auto& [k, v] : values)
            if (equals_no_case(k, key))
                return &v;
        return nullptr;
    }
};

// The file's contents; lines that are neither a section header nor a
// "key=value" line (comments, garbage) are dropped when the file is rewritten.
struct document_t {
    std::vector<section_t> sections;

    section_t* find(std::string_view name)
    {
        for (auto& s : sections)
            if (equals_no_case(s.name, name))
                return &s;
        return nullptr;
    }
    const section_t* find(std::string_view name) const
    {
        return const_cast<document_t*>(this)->find(name);
    }
    void erase(std::string_view name)
    {
        std::erase_if(sections, [&](const section_t& s) { return equals_no_case(s.name, name); });
    }
    void replace(section_t section)
    {
        if (auto* old = find(section.name))
            *old = std::move(section);
        else
            sections.push_back(std::move(section));
    }
};

document_t parse(std::istream& in)
{
    document_t doc;
    std::string line;
    section_t* current = nullptr;
    while (std::getline(in, line)) {
        const auto text = trim(line);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[') {
            const auto close = text.find(']');
            if (close == std::string_view::npos) {
                current = nullptr;
                continue;
            }
            const auto name = trim(text.substr(1, close - 1));
            current = doc.find(name);
            if (!current) {
                doc.sections.push_back(section_t{std::string(name), {}});
                current = &doc.sections.back();
            }
            continue;
        }
        const auto eq = text.find('=');
        if (!current || eq == std::string_view::npos)
            continue;
        const auto key = trim(text.substr(0, eq));
        const auto value = trim(text.substr(eq + 1));
        if (key.empty())
            continue;
        bool replaced = false;
        for (auto& [k, v] : current->values) {
            if (equals_no_case(k, key)) {
                v = std::string(value);
                replaced = true;
            }
        }
        if (!replaced)
            current->values.emplace_back(std::string(key), std::string(value));
    }
    return doc;
}

document_t load(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    return parse(in);
}

std::string render(const document_t& doc)
{
    std::ostringstream out;
    bool first = true;
    for (const auto& s : doc.sections) {
        if (!first)
            out << '\n';
        first = false;
        out << '[' << s.name << "]\n";
        for (const auto& [k, v] : s.values)
            out << k << '=' << v << '\n';
    }
    return out.str();
}

// Values and names are written one per line: a line break inside one would
// split it into lines of a different meaning.
bool is_single_line(std::string_view s)
{
    return s.find('\n') == std::string_view::npos && s.find('\r') == std::string_view::npos;
}

bool write_file(const std::filesystem::path& file, const std::string& text)
{
    std::error_code ec;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ec);
    auto temp = file;
    temp += ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << text;
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

// Serialises read-modify-write cycles of every process on the same file.
class file_lock_t {
public:
    explicit file_lock_t(const std::filesystem::path& file)
    {
        std::error_code ec;
        if (file.has_parent_path())
            std::filesystem::create_directories(file.parent_path(), ec);
        auto lock_path = file;
        lock_path += ".lock";
        fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~file_lock_t()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    file_lock_t(const file_lock_t&) = delete;
    file_lock_t& operator=(const file_lock_t&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

template <class Change>
bool modify(const std::filesystem::path& file, Change change)
{
    if (file.empty())
        return false;
    file_lock_t lock(file);
    if (!lock.held())
        return false;
    document_t doc = load(file);
    if (!change(doc))
        return false;
    return write_file(file, render(doc));
}

std::string clsid_section(const GUID& g) { return "CLSID " + to_string(g); }
std::string progid_section(std::string_view progid) { return "ProgID " + std::string(progid); }
std::string typelib_section(const GUID& g) { return "TypeLib " + to_string(g); }
std::string appid_section(std::string_view key) { return "AppID " + std::string(key); }

std::optional<GUID> guid_value(const section_t& s, std::string_view key)
{
    const auto* v = s.get(key);
    return v ? parse_guid(*v) : std::nullopt;
}

std::string text_value(const section_t& s, std::string_view key)
{
    const auto* v = s.get(key);
    return v ? *v : std::string();
}

std::optional<class_record_t> class_from(const section_t& s, const GUID& clsid)
{
    class_record_t r;
    r.clsid = clsid;
    r.description = text_value(s, "Description");
    r.progid = text_value(s, "ProgID");
    r.version_independent_progid = text_value(s, "VersionIndependentProgID");
    const auto server = text_value(s, "Server");
    if (equals_no_case(server, "inproc"))
        r.kind = server_kind::inproc;
    else if (equals_no_case(server, "local"))
        r.kind = server_kind::local;
    else
        return std::nullopt;
    r.path = text_value(s, "Path");
    r.threading_model = text_value(s, "ThreadingModel");
    r.typelib = guid_value(s, "TypeLib");
    r.appid = guid_value(s, "AppID");
    r.programmable = text_value(s, "Programmable") == "1";
    return r;
}

std::optional<CLSID> resolve_progid(const document_t& doc, std::string_view progid)
{
    // A version-independent ProgID leads to its current version; a few steps
    // at most, so that a CurVer loop in a damaged file cannot hang a caller.
    std::string name(progid);
    for (int step = 0; step < 4; ++step) {
        const auto* s = doc.find(progid_section(name));
        if (!s)
            return std::nullopt;
        const auto* curver = s->get("CurVer");
        if (curver && !curver->empty() && !equals_no_case(*curver, name) &&
            doc.find(progid_section(*curver))) {
            name = *curver;
            continue;
        }
        return guid_value(*s, "CLSID");
    }
    return std::nullopt;
}

bool starts_with_no_case(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equals_no_case(s.substr(0, prefix.size()), prefix);
}

} // namespace

class_registry_t::class_registry_t(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path class_registry_t::default_path()
{
    if (const char* env = std::getenv("OSTREL_AUTOMATION_REGISTRY"); env && *env)
        return env;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::filesystem::path(data) / "ostrel" / "automation-classes.ini";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "ostrel" / "automation-classes.ini";
    return {};
}

std::optional<class_record_t> class_registry_t::find_class(const CLSID& clsid) const
{
    const auto doc = load(file_);
    const auto* s = doc.find(clsid_section(clsid));
    if (!s)
        return std::nullopt;
    return class_from(*s, clsid);
}

std::optional<CLSID> class_registry_t::clsid_from_progid(std::string_view progid) const
{
    if (!progid.empty() && progid.front() == '{')
        return parse_guid(progid);
    return resolve_progid(load(file_), progid);
}

std::optional<std::string> class_registry_t::progid_from_clsid(const CLSID& clsid) const
{
    const auto record = find_class(clsid);
    if (!record || record->progid.empty())
        return std::nullopt;
    return record->progid;
}

std::vector<class_record_t> class_registry_t::classes() const
{
    std::vector<class_record_t> out;
    const auto doc = load(file_);
    for (const auto& s : doc.sections) {
        if (!starts_with_no_case(s.name, "CLSID "))
            continue;
        const auto clsid = parse_guid(trim(std::string_view(s.name).substr(6)));
        if (!clsid)
            continue;
        if (auto r = class_from(s, *clsid))
            out.push_back(std::move(*r));
    }
    return out;
}

std::optional<typelib_record_t> class_registry_t::find_typelib(const GUID& libid) const
{
    const auto doc = load(file_);
    const auto* s = doc.find(typelib_section(libid));
    if (!s)
        return std::nullopt;
    return typelib_record_t{libid, text_value(*s, "Name"), text_value(*s, "Version"),
                            text_value(*s, "Path")};
}

std::optional<appid_record_t> class_registry_t::find_appid(const GUID& appid) const
{
    const auto doc = load(file_);
    const auto* s = doc.find(appid_section(to_string(appid)));
    if (!s)
        return std::nullopt;
    appid_record_t r{appid, text_value(*s, "Name"), {}};
    for (const auto& other : doc.sections) {
        if (!starts_with_no_case(other.name, "AppID ") || &other == s)
            continue;
        const auto target = guid_value(other, "AppID");
        if (target && *target == appid) {
            r.executable = std::string(trim(std::string_view(other.name).substr(6)));
            break;
        }
    }
    return r;
}

bool class_registry_t::add_class(const class_record_t& r)
{
    for (const auto* text : {&r.description, &r.progid, &r.version_independent_progid, &r.path,
                             &r.threading_model})
        if (!is_single_line(*text))
            return false;
    if (r.progid.empty() || r.progid.find(']') != std::string::npos
        || r.version_independent_progid.find(']') != std::string::npos)
        return false;
    return modify(file_, [&](document_t& doc) {
        section_t cls{clsid_section(r.clsid), {}};
        cls.values = {
            {"Description", r.description},
            {"ProgID", r.progid},
            {"VersionIndependentProgID", r.version_independent_progid},
            {"Server", r.kind == server_kind::inproc ? "inproc" : "local"},
            {"Path", r.path},
            {"ThreadingModel", r.threading_model},
        };
        if (r.typelib)
            cls.values.emplace_back("TypeLib", to_string(*r.typelib));
        if (r.appid)
            cls.values.emplace_back("AppID", to_string(*r.appid));
        if (r.programmable)
            cls.values.emplace_back("Programmable", "1");
        doc.replace(std::move(cls));

        doc.replace(section_t{progid_section(r.progid),
                              {{"Description", r.description}, {"CLSID", to_string(r.clsid)}}});
        if (!r.version_independent_progid.empty())
            doc.replace(section_t{progid_section(r.version_independent_progid),
                                  {{"Description", r.description},
                                   {"CLSID", to_string(r.clsid)},
                                   {"CurVer", r.progid}}});
        return true;
    });
}

bool class_registry_t::remove_class(const CLSID& clsid)
{
    return modify(file_, [&](document_t& doc) {
        doc.erase(clsid_section(clsid));
        std::erase_if(doc.sections, [&](const section_t& s) {
            if (!starts_with_no_case(s.name, "ProgID "))
                return false;
            const auto target = guid_value(s, "CLSID");
            return target && *target == clsid;
        });
        return true;
    });
}

bool class_registry_t::add_typelib(const typelib_record_t& r)
{
    for (const auto* text : {&r.name, &r.version, &r.path})
        if (!is_single_line(*text))
            return false;
    return modify(file_, [&](document_t& doc) {
        doc.replace(section_t{typelib_section(r.libid),
                              {{"Name", r.name}, {"Version", r.version}, {"Path", r.path}}});
        return true;
    });
}

bool class_registry_t::remove_typelib(const GUID& libid)
{
    return modify(file_, [&](document_t& doc) {
        doc.erase(typelib_section(libid));
        return true;
    });
}

bool class_registry_t::add_appid(const appid_record_t& r)
{
    if (!is_single_line(r.name) || !is_single_line(r.executable)
        || r.executable.find(']') != std::string::npos)
        return false;
    return modify(file_, [&](document_t& doc) {
        doc.replace(section_t{appid_section(to_string(r.appid)), {{"Name", r.name}}});
        if (!r.executable.empty())
            doc.replace(section_t{appid_section(r.executable), {{"AppID", to_string(r.appid)}}});
        return true;
    });
}

bool class_registry_t::remove_appid(const GUID& appid)
{
    return modify(file_, [&](document_t& doc) {
        doc.erase(appid_section(to_string(appid)));
        std::erase_if(doc.sections, [&](const section_t& s) {
            if (!starts_with_no_case(s.name, "AppID "))
                return false;
            const auto target = guid_value(s, "AppID");
            return target && *target == appid;
        });
        return true;
    });
}

} // namespace platform::automation
