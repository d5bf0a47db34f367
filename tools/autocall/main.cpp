// autocall: drives registered automation servers from a shell, as a script
// host (lines from -e or standard input) or interactively on a terminal.
// The language and the options are described by usage_text below, which is
// also what `autocall --help` prints.
#include "platform/automation/activation.h"
#include "platform/automation/dbus_transport.h"
#include "platform/automation/driver.h"
#include "platform/automation/error_info.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <unistd.h>

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

constexpr const char* usage_text =
    R"(usage: autocall [-i] [-e LINE]...
       autocall --register LIB | --unregister LIB
       autocall --help

Drives the automation servers registered in the class registry
($OSTREL_AUTOMATION_REGISTRY, else ~/.local/share/ostrel/automation-classes.ini):
in-process servers (libkestrin2.so, libgorlith.so) are loaded by ProgID, local
servers (mellick) are reached over the D-Bus session bus.

It runs the lines given with -e, else the lines of standard input as they
come. On a terminal (or with -i) it prompts, and a failing line prints its
error and the session goes on. A script ends at its first failing line:
status 1 for a failed call, 2 for a line it cannot read.

  -e LINE             a script line (newlines in LINE separate lines)
  -i, --interactive   prompt and go on after errors, whatever standard input is
  --register LIB      run the server library's DllRegisterServer
  --unregister LIB    run the server library's DllUnregisterServer
  -h, --help          this text

Lines:
  NAME = create PROGID        create an object by ProgID (any letter case) or {CLSID}
  NAME = OBJ.member ARG...    call a method or read a property, keep the result
  OBJ.member ARG...           the same, result dropped
  OBJ.member = VALUE          set a property
  print EXPR...               print values on one line, separated by blanks:
                              "text", numbers, NAMEs, OBJ.member (a property or
                              a method without arguments)
  release NAME                forget a value (releasing an object)
  sleep MS                    wait MS milliseconds
  try LINE                    a failed call in LINE prints its error; the script goes on
  help                        this text
  quit                        end (as does the end of input, Ctrl-D on a terminal)
  # comment                   skipped, as are blank lines
Arguments: "text" (with \" \\ \n \t), integers, decimal numbers, true, false,
nothing (no object), or a NAME that holds a value. Member names and ProgIDs
ignore letter case. Objects print as <object>, no object as nothing.

A failed call prints on standard error
  error: 0xHRESULT SOURCE: DESCRIPTION
SOURCE being the server's ProgID (or the OBJ.member of the line). An unknown
member lists the members the object has; a wrong number of arguments says how
many the member takes.

Example (an SNMP agent answering on 127.0.0.1, UDP port 16161):
  m = create Kestrin2.com_manager.1
  m.user = "public"
  v = m.get "127.0.0.1/16161" "1.3.6.1.2.1.1.5.0"
  print v.valid v.value
)";

enum class line_result { ok, failed, quit };

class interpreter_t {
public:
    ~interpreter_t() { values_.clear(); }

    // Runs one line. A failed call prints its error and gives `failed`,
    // unless the line starts with "try "; a line that cannot be read raises
    // script_error.
    line_result run_line(std::string_view line)
    {
        auto text = line;
        while (!text.empty() && is_blank(text.front()))
            text.remove_prefix(1);
        if (text.empty() || text.front() == '#')
            return line_result::ok;
        bool try_mode = false;
        if (text.substr(0, 4) == "try " || text.substr(0, 4) == "try\t") {
            try_mode = true;
            text.remove_prefix(4);
        }
        context_.clear();
        try {
            return execute(tokenize(text));
        } catch (const pa::automation_error& e) {
            char head[32];
            std::snprintf(head, sizeof head, "error: 0x%08X ", static_cast<unsigned>(e.hr()));
            std::cerr << head << (e.source().empty() ? context_ : e.source()) << ": "
                      << e.description() << std::endl;
            return try_mode ? line_result::ok : line_result::failed;
        }
    }

private:
    line_result execute(const std::vector<token_t>& t)
    {
        if (t.empty())
            return line_result::ok;
        const bool single = t.size() == 1 && t[0].kind == token_kind::word;
        if (single && (t[0].text == "quit" || t[0].text == "exit"))
            return line_result::quit;
        if (single && t[0].text == "help") {
            std::cout << usage_text << std::flush;
            return line_result::ok;
        }
        if (t[0].kind == token_kind::word && t[0].text == "print") {
            print(t);
            return line_result::ok;
        }
        if (t[0].kind == token_kind::word && t[0].text == "release") {
            if (t.size() != 2)
                throw script_error{"release NAME takes one name"};
            if (values_.erase(t[1].text) == 0)
                throw script_error{"release: no such name: " + t[1].text};
            return line_result::ok;
        }
        if (t[0].kind == token_kind::word && t[0].text == "sleep") {
            if (t.size() != 2 || t[1].kind != token_kind::integer || t[1].text[0] == '-'
                || std::stoll(t[1].text) > INT32_MAX)
                throw script_error{"sleep MS: MS is a whole number of milliseconds"};
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoll(t[1].text)));
            return line_result::ok;
        }
        if (t.size() >= 3 && t[1].kind == token_kind::equals) {
            if (const auto target = split_member(t[0])) {
                if (t.size() != 3)
                    throw script_error{"OBJECT.member = VALUE takes one value"};
                context_ = t[0].text;
                object(target->object).put(target->member, argument(t[2]));
                return line_result::ok;
            }
            if (t[0].kind != token_kind::word || !is_name(t[0].text))
                throw script_error{"not a name: " + t[0].text};
            if (t[2].kind == token_kind::word && t[2].text == "create") {
                if (t.size() != 4 || (t[3].kind != token_kind::word && t[3].kind != token_kind::text))
                    throw script_error{"NAME = create PROGID takes one ProgID or {CLSID}"};
                context_ = t[3].text;
                const auto driver = pa::dispatch_driver_t::create(t[3].text);
                values_[t[0].text] = pa::variant_t(driver.get());
                return line_result::ok;
            }
            if (!split_member(t[2]))
                throw script_error{"after " + t[0].text
                                   + " = comes create PROGID or OBJECT.member, not " + t[2].text};
            values_[t[0].text] = call(t, 2);
            return line_result::ok;
        }
        if (split_member(t[0])) {
            call(t, 0);
            return line_result::ok;
        }
        throw script_error{"not a command: " + t[0].text
                           + " (a line is NAME = ..., OBJECT.member ..., print, release, sleep"
                             ", try, help or quit)"};
    }

    pa::variant_t call(const std::vector<token_t>& t, std::size_t at)
    {
        const auto ref = split_member(t[at]);
        std::vector<pa::variant_t> args;
        for (std::size_t i = at + 1; i < t.size(); ++i)
            args.push_back(argument(t[i]));
        const auto& target = object(ref->object);
        context_ = t[at].text;
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
        if (split_member(t))
            throw script_error{"an argument is a value, not a call: " + t.text
                               + " (keep its result in a NAME first)"};
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
                context_ = t[i].text;
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
    // What the line's call was made on: the source of a failure that names none.
    std::string context_;
};

int usage()
{
    std::cerr << "usage: autocall [-i] [-e LINE]... | --register LIB | --unregister LIB | --help\n";
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
    if (source.empty())
        source = fallback_source;
    if (description.empty())
        description = pa::hresult_text(hr);
    char head[32];
    std::snprintf(head, sizeof head, "error: 0x%08X ", static_cast<unsigned>(hr));
    std::cerr << head << source << ": " << description << std::endl;
}

// Where the lines come from: the -e arguments, else standard input, read a
// line at a time so that each runs as soon as it is complete.
class line_source_t {
public:
    explicit line_source_t(std::vector<std::string> lines, bool from_args)
        : lines_(std::move(lines)), from_args_(from_args)
    {
    }

    bool next(std::string& line)
    {
        if (from_args_) {
            if (at_ == lines_.size())
                return false;
            line = lines_[at_++];
            return true;
        }
        return static_cast<bool>(std::getline(std::cin, line));
    }

private:
    std::vector<std::string> lines_;
    bool from_args_;
    std::size_t at_ = 0;
};

int run(line_source_t& source, bool interactive)
{
    if (interactive)
        std::cerr << "autocall: one command per line; \"help\" describes them, Ctrl-D ends."
                  << std::endl;
    int status = 0;
    interpreter_t interpreter;
    std::string line;
    for (std::size_t n = 1;; ++n) {
        if (interactive)
            std::cerr << "autocall> " << std::flush;
        if (!source.next(line)) {
            if (interactive)
                std::cerr << std::endl;
            break;
        }
        // A script names the line at fault; a person just typed it.
        const std::string where = interactive ? "" : "line " + std::to_string(n) + ": ";
        try {
            const auto result = interpreter.run_line(line);
            if (result == line_result::quit)
                break;
            if (result == line_result::failed && !interactive) {
                status = 1;
                break;
            }
        } catch (const script_error& e) {
            std::cerr << "error: " << where << e.message << std::endl;
            if (!interactive) {
                status = 2;
                break;
            }
        } catch (const std::bad_alloc&) {
            std::cerr << "error: " << where << "out of memory" << std::endl;
            if (!interactive) {
                status = 1;
                break;
            }
        } catch (const std::exception& e) {
            std::cerr << "error: " << where << e.what() << std::endl;
            if (!interactive) {
                status = 1;
                break;
            }
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> lines;
    bool from_args = false;
    bool force_interactive = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::cout << usage_text;
            return 0;
        }
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
        if (arg == "-i" || arg == "--interactive") {
            force_interactive = true;
            continue;
        }
        return usage();
    }
    const bool interactive = force_interactive || (!from_args && ::isatty(STDIN_FILENO) == 1);

    pa::use_dbus_transport();
    const pa::HRESULT hr = pa::initialize();
    if (hr < 0) {
        print_error(hr, "autocall");
        return 1;
    }
    line_source_t source(std::move(lines), from_args);
    const int status = run(source, interactive);
    pa::uninitialize();
    return status;
}
