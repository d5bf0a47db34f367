// autocall: drives registered automation servers from a shell.
//
//   autocall [-e LINE]...          run the lines given (else the script on stdin)
//   autocall --register LIB        run the library's DllRegisterServer
//   autocall --unregister LIB      run the library's DllUnregisterServer
//
// Classes registered as local servers are reached over D-Bus.
//
// Script lines:
//   NAME = create PROGID           create an object by ProgID or {CLSID}
//   NAME = OBJ.member ARG...       call a method or read a property
//   OBJ.member ARG...              the same, result dropped
//   OBJ.member = VALUE             write a property
//   print EXPR...                  print values (literals, NAME, OBJ.member)
//   release NAME                   release a value
//   sleep MS                       wait
// Arguments: "text" (with \" \\ \n \t), integers, decimal numbers, true,
// false, nothing (no object), or a NAME. '#' starts a comment line.
//
// A failed call prints "error: 0x%08X <source>: <description>" on standard
// error and ends the script with status 1, unless its line starts with
// "try ", which prints the error and goes on. A malformed script ends with
// status 2.
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/automation/driver.h"
#include "platform/automation/error_info.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pa = platform::automation;

namespace {

struct script_error {
    std::string message;
};

enum class token_kind { word, text, integer, number, equals };

struct token_t {
    token_kind kind;
    std::string text;
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<token_t> tokenize(std::string_view line)
{
    std::vector<token_t> out;
    std::size_t i = 0;
    while (i < line.size()) {
        if (is_blank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '=') {
            out.push_back({token_kind::equals, "="});
            ++i;
            continue;
        }
        if (line[i] == '"') {
            std::string text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    const char e = line[i++];
                    c = e == 'n' ? '\n' : e == 't' ? '\t' : e;
                }
                text += c;
            }
            if (!closed)
                throw script_error{"unterminated string"};
            out.push_back({token_kind::text, std::move(text)});
            continue;
        }
        const std::size_t start = i;
        while (i < line.size() && !is_blank(line[i]) && line[i] != '=' && line[i] != '"')
            ++i;
        std::string raw(line.substr(start, i - start));
        token_kind kind = token_kind::word;
        const char first = raw[0];
        if ((first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.') {
            const char* b = raw.data() + (first == '+' ? 1 : 0);
            const char* e = raw.data() + raw.size();
            long long n = 0;
            double d = 0;
            if (auto r = std::from_chars(b, e, n); r.ec == std::errc{} && r.ptr == e)
                kind = token_kind::integer;
            else if (auto r2 = std::from_chars(b, e, d); r2.ec == std::errc{} && r2.ptr == e)
                kind = token_kind::number;
            else
                throw script_error{"not a number: " + raw};
        }
        out.push_back({kind, std::move(raw)});
    }
    return out;
}

bool is_name(std::string_view s)
{
    if (s.empty() || !((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z') || s[0] == '_'))
        return false;
    for (char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

struct member_ref {
    std::string object;
    std::string member;
};

std::optional<member_ref> split_member(const token_t& t)
{
    if (t.kind != token_kind::word)
        return std::nullopt;
    const auto dot = t.text.find('.');
    if (dot == std::string::npos)
        return std::nullopt;
    member_ref r{t.text.substr(0, dot), t.text.substr(dot + 1)};
    if (!is_name(r.object) || r.member.empty())
        throw script_error{"not OBJECT.member: " + t.text};
    for (char c : r.member)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            throw script_error{"not OBJECT.member: " + t.text};
    return r;
}

class interpreter_t {
public:
    ~interpreter_t() { values_.clear(); }

    // False when a failed call ends the script.
    bool run_line(std::string_view line)
    {
        auto text = line;
        while (!text.empty() && is_blank(text.front()))
            text.remove_prefix(1);
        if (text.empty() || text.front() == '#')
            return true;
        bool try_mode = false;
        if (text.substr(0, 4) == "try " || text.substr(0, 4) == "try\t") {
            try_mode = true;
            text.remove_prefix(4);
        }
        try {
            execute(tokenize(text));
        } catch (const pa::automation_error& e) {
            char head[32];
            std::snprintf(head, sizeof head, "error: 0x%08X ", static_cast<unsigned>(e.hr()));
            std::cerr << head << e.source() << ": " << e.description() << std::endl;
            return try_mode;
        }
        return true;
    }

private:
    void execute(const std::vector<token_t>& t)
    {
        if (t.empty())
            return;
        if (t[0].kind == token_kind::word && t[0].text == "print") {
            print(t);
            return;
        }
        if (t[0].kind == token_kind::word && t[0].text == "release") {
            if (t.size() != 2 || values_.erase(t[1].text) == 0)
                throw script_error{"release NAME: no such name"};
            return;
        }
        if (t[0].kind == token_kind::word && t[0].text == "sleep") {
            if (t.size() != 2 || t[1].kind != token_kind::integer || t[1].text[0] == '-')
                throw script_error{"sleep MS"};
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoll(t[1].text)));
            return;
        }
        if (t.size() >= 3 && t[1].kind == token_kind::equals) {
            if (const auto target = split_member(t[0])) {
                if (t.size() != 3)
                    throw script_error{"OBJECT.member = VALUE takes one value"};
                object(target->object).put(target->member, argument(t[2]));
                return;
            }
            if (t[0].kind != token_kind::word || !is_name(t[0].text))
                throw script_error{"not a name: " + t[0].text};
            if (t[2].kind == token_kind::word && t[2].text == "create") {
                if (t.size() != 4 || (t[3].kind != token_kind::word && t[3].kind != token_kind::text))
                    throw script_error{"NAME = create PROGID"};
                const auto driver = pa::dispatch_driver_t::create(t[3].text);
                values_[t[0].text] = pa::variant_t(driver.get());
                return;
            }
            values_[t[0].text] = call(t, 2);
            return;
        }
        if (split_member(t[0])) {
            call(t, 0);
            return;
        }
        throw script_error{"cannot read the line"};
    }

    pa::variant_t call(const std::vector<token_t>& t, std::size_t at)
    {
        const auto ref = split_member(t[at]);
        if (!ref)
            throw script_error{"expected OBJECT.member"};
        std::vector<pa::variant_t> args;
        for (std::size_t i = at + 1; i < t.size(); ++i)
            args.push_back(argument(t[i]));
        const auto& target = object(ref->object);
        return target.invoke(target.id_of(ref->member),
                             pa::DISPATCH_METHOD | pa::DISPATCH_PROPERTYGET, args);
    }

    pa::dispatch_driver_t object(const std::string& name) const
    {
        const auto it = values_.find(name);
        if (it == values_.end())
            throw script_error{"no such name: " + name};
        if (it->second.vt != pa::VT_DISPATCH || !it->second.pdispVal)
            throw script_error{name + " is not an object"};
        return pa::dispatch_driver_t(pa::com_ptr_t<pa::IDispatch>(it->second.pdispVal));
    }

    pa::variant_t argument(const token_t& t) const
    {
        switch (t.kind) {
        case token_kind::text:
            return pa::variant_t(std::string_view(t.text));
        case token_kind::integer: {
            const long long n = std::stoll(t.text);
            if (n >= INT32_MIN && n <= INT32_MAX)
                return pa::variant_t(static_cast<std::int32_t>(n));
            return pa::variant_t(static_cast<double>(n));
        }
        case token_kind::number: {
            double d = 0;
            const char* b = t.text.data() + (t.text[0] == '+' ? 1 : 0);
            std::from_chars(b, t.text.data() + t.text.size(), d);
            return pa::variant_t(d);
        }
        case token_kind::equals:
            throw script_error{"unexpected ="};
        case token_kind::word:
            break;
        }
        if (t.text == "true")
            return pa::variant_t(true);
        if (t.text == "false")
            return pa::variant_t(false);
        if (t.text == "nothing")
            return pa::variant_t(static_cast<pa::IDispatch*>(nullptr));
        const auto it = values_.find(t.text);
        if (it == values_.end())
            throw script_error{"no such name: " + t.text};
        return it->second;
    }

    void print(const std::vector<token_t>& t)
    {
        std::string line;
        for (std::size_t i = 1; i < t.size(); ++i) {
            if (i > 1)
                line += ' ';
            if (const auto ref = split_member(t[i])) {
                const auto target = object(ref->object);
                line += text_of(target.invoke(target.id_of(ref->member),
                                              pa::DISPATCH_METHOD | pa::DISPATCH_PROPERTYGET, {}));
            } else if (t[i].kind == token_kind::text) {
                line += t[i].text;
            } else {
                line += text_of(argument(t[i]));
            }
        }
        std::cout << line << std::endl;
    }

    static std::string text_of(const pa::variant_t& v)
    {
        switch (v.vt) {
        case pa::VT_EMPTY: return {};
        case pa::VT_NULL: return "null";
        case pa::VT_BOOL: return v.boolVal != pa::VARIANT_FALSE ? "true" : "false";
        case pa::VT_DISPATCH:
        case pa::VT_UNKNOWN: return v.punkVal ? "<object>" : "nothing";
        case pa::VT_ERROR: {
            char buf[32];
            std::snprintf(buf, sizeof buf, "error 0x%08X", static_cast<unsigned>(v.scode));
            return buf;
        }
        default:
            return pa::dispatch_driver_t::to_string(v);
        }
    }

    std::map<std::string, pa::variant_t> values_;
};

int usage()
{
    std::cerr << "usage: autocall [-e LINE]... | --register LIB | --unregister LIB\n";
    return 2;
}

void print_error(pa::HRESULT hr, std::string_view fallback_source)
{
    std::string source(fallback_source);
    std::string description;
    pa::com_ptr_t<pa::IErrorInfo> info;
    if (pa::GetErrorInfo(info.put()) == pa::S_OK && info) {
        pa::BSTR s = nullptr;
        if (info->GetSource(&s) >= 0)
            source = pa::bstr_t::attach(s).str();
        pa::BSTR d = nullptr;
        if (info->GetDescription(&d) >= 0)
            description = pa::bstr_t::attach(d).str();
    }
    if (description.empty())
        description = pa::hresult_text(hr);
    char head[32];
    std::snprintf(head, sizeof head, "error: 0x%08X ", static_cast<unsigned>(hr));
    std::cerr << head << source << ": " << description << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> lines;
    bool from_args = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if ((arg == "--register" || arg == "--unregister") && i + 1 < argc) {
            if (argc != 3)
                return usage();
            const pa::HRESULT hr = arg == "--register" ? pa::register_library(argv[i + 1])
                                                   : pa::unregister_library(argv[i + 1]);
            if (hr < 0) {
                print_error(hr, argv[i + 1]);
                return 1;
            }
            return 0;
        }
        if (arg == "-e" && i + 1 < argc) {
            std::istringstream in(argv[++i]);
            for (std::string line; std::getline(in, line);)
                lines.push_back(line);
            from_args = true;
            continue;
        }
        return usage();
    }
    if (!from_args)
        for (std::string line; std::getline(std::cin, line);)
            lines.push_back(line);

    pa::use_dbus_transport();
    const pa::HRESULT hr = pa::initialize();
    if (hr < 0) {
        print_error(hr, "autocall");
        return 1;
    }
    int status = 0;
    {
        interpreter_t interpreter;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            try {
                if (!interpreter.run_line(lines[n])) {
                    status = 1;
                    break;
                }
            } catch (const script_error& e) {
                std::cerr << "error: line " << n + 1 << ": " << e.message << std::endl;
                status = 2;
                break;
            } catch (const std::exception& e) {
                std::cerr << "error: line " << n + 1 << ": " << e.what() << std::endl;
                status = 1;
                break;
            }
        }
    }
    pa::uninitialize();
    return status;
}
