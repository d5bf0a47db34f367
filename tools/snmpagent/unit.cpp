#include "tools/snmpagent/unit.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace snmpagent::unit {

namespace {

using clock_type = std::chrono::steady_clock;

enum class malformed_t { none, nostar, nohash, empty };

struct state_t {
    bool on = false;
    lookup_t lookup;
    bytes_t sp_oid, contact_oid;

    std::chrono::milliseconds latency{20};
    int busy_per_post = 0;   // reads answered "127" after each post
    int busy_left = 0;
    int no_reply = 0;        // posts left unanswered
    int ask_again = 0;       // posts answered with "247"
    malformed_t malformed = malformed_t::none;
    int malformed_left = 0;
    bool getnm_star = false;
    std::map<std::string, std::string> replies; // command prefix -> reply
    std::map<std::string, std::string> gets;    // "o c[ ch]" -> value
    std::map<int, std::pair<std::string, std::string>> names; // slot -> names
    std::string getpo = "0000";
    std::string getav0 = "0000 0000 0000 0000 0000 0000 0000 0000";

    int fail_reads = 0;                  // reads of SysContact
    int fail_replies = 0;                // reads of SysContact while "90" says a reply waits
    int fail_sp_reads = 0;               // reads of SerialPriority
    std::map<std::string, int> fail_sp;  // value written to SerialPriority -> count
    int fail_commands = 0;               // writes of a command

    std::optional<clock_type::time_point> due;
    std::string pending_command;
    std::vector<std::string> journal;
};

state_t g;
// The live journal (--journal), a line appended as each entry is made.
std::ofstream g_live;

void note(const std::string& line)
{
    g.journal.push_back(line);
    if (g_live.is_open())
        g_live << line << std::endl;
}

std::string text_of(const element_t& value)
{
    if (value.tag == tag_integer)
        return std::to_string(read_signed(value.content).value_or(0));
    return std::string(value.content.begin(), value.content.end());
}

// `text` in the variable's own type (an INTEGER register stays one).
element_t like(const element_t& variable, const std::string& text)
{
    if (variable.tag == tag_integer)
        return {tag_integer, signed_content(std::stoll(text))};
    return {tag_octets, bytes_t(text.begin(), text.end())};
}

void write_var(const bytes_t& oid, const std::string& text)
{
    if (element_t* v = g.lookup(oid))
        *v = like(*v, text);
}

std::string read_var(const bytes_t& oid)
{
    const element_t* v = g.lookup(oid);
    return v ? text_of(*v) : std::string();
}

std::string pad12(std::string s)
{
    s.resize(12, ' ');
    return s;
}

std::string reply_to(const std::string& command)
{
    for (auto it = g.replies.rbegin(); it != g.replies.rend(); ++it)
        if (command.compare(0, it->first.size(), it->first) == 0)
            return it->second;
    if (command.rfind("*NyGET ", 0) == 0 && command.size() > 8 && command.back() == '#') {
        const std::string key = command.substr(7, command.size() - 8);
        const auto found = g.gets.find(key);
        return "*" + (found == g.gets.end() ? std::string("0") : found->second) + "#";
    }
    if (command.rfind("*GETNM", 0) == 0) {
        const std::string digits = command.substr(6, 2);
        const int slot = std::atoi(digits.c_str());
        const auto found = g.names.find(slot);
        const auto names = found != g.names.end()
                               ? found->second
                               : std::make_pair("STRUCT" + digits, "PARAM" + digits);
        return std::string(g.getnm_star ? "*" : "") + "GETNM" + digits + pad12(names.first) +
               pad12(names.second) + "#";
    }
    if (command.rfind("*NyGETPO", 0) == 0 || command.rfind("*GETPO", 0) == 0)
        return "*GETPO=" + g.getpo + "#";
    if (command.rfind("*NyGETAV0", 0) == 0 || command.rfind("*GETAV0", 0) == 0)
        return "*GETAV0 " + g.getav0 + "#";
    return command;
}

std::string malform(std::string reply)
{
    if (g.malformed_left <= 0)
        return reply;
    --g.malformed_left;
    switch (g.malformed) {
    case malformed_t::nostar:
        return reply.empty() || reply[0] != '*' ? reply : reply.substr(1);
    case malformed_t::nohash:
        return reply.empty() || reply.back() != '#' ? reply : reply.substr(0, reply.size() - 1);
    case malformed_t::empty:
        return {};
    case malformed_t::none:
        break;
    }
    return reply;
}

void take_command()
{
    g.pending_command = read_var(g.contact_oid);
    g.busy_left = g.busy_per_post;
    if (g.no_reply > 0) {
        --g.no_reply;
        note("command " + g.pending_command + " -> (no reply)");
        g.due.reset();
        return;
    }
    g.due = clock_type::now() + g.latency;
}

void answer_command()
{
    g.due.reset();
    if (g.ask_again > 0) {
        --g.ask_again;
        note("command " + g.pending_command + " -> (ask again)");
        write_var(g.sp_oid, "247");
        return;
    }
    const std::string reply = malform(reply_to(g.pending_command));
    note("command " + g.pending_command + " -> " + reply);
    write_var(g.contact_oid, reply);
    write_var(g.sp_oid, "90");
}

bool is(const bytes_t& oid, const bytes_t& which)
{
    return oid == which;
}

// The journal's name of an amplifier variable, or null.
const char* amplifier_name(const bytes_t& oid)
{
    for (const named_oid_t& v : amplifier_variables)
        if (oid == *oid_content(v.oid))
            return v.name;
    return nullptr;
}

int count_arg(std::istringstream& in)
{
    int n = 1;
    in >> n;
    return n;
}

} // namespace

void start(const lookup_t& lookup, bool integer_register)
{
    g = state_t{};
    g.on = true;
    g.lookup = lookup;
    g.sp_oid = *oid_content(serial_priority);
    g.contact_oid = *oid_content(sys_contact);
    if (element_t* sp = lookup(g.sp_oid))
        *sp = integer_register ? element_t{tag_integer, signed_content(0)}
                               : element_t{tag_octets, bytes_t{'0'}};
    if (element_t* contact = lookup(g.contact_oid))
        *contact = element_t{tag_octets, {}};
    for (const named_oid_t& v : amplifier_variables)
        if (element_t* variable = lookup(*oid_content(v.oid)))
            *variable = element_t{tag_integer, signed_content(0)};
}

bool active()
{
    return g.on;
}

std::optional<long> fault_for(const message_t& request)
{
    constexpr long gen_err = 5;
    if (!g.on)
        return std::nullopt;
    for (const auto& [oid, value] : request.bindings) {
        if (request.pdu_type == pdu_get && is(oid, g.contact_oid) && g.fail_reads > 0) {
            --g.fail_reads;
            return gen_err;
        }
        // Only while a reply waits there: the poller also reads SysContact
        // to learn its type before it writes a command.
        if (request.pdu_type == pdu_get && is(oid, g.contact_oid) && g.fail_replies > 0 &&
            read_var(g.sp_oid) == "90") {
            --g.fail_replies;
            return gen_err;
        }
        if (request.pdu_type == pdu_get && is(oid, g.sp_oid) && g.fail_sp_reads > 0) {
            --g.fail_sp_reads;
            return gen_err;
        }
        if (request.pdu_type != pdu_set)
            continue;
        if (is(oid, g.contact_oid) && g.fail_commands > 0) {
            --g.fail_commands;
            return gen_err;
        }
        if (is(oid, g.sp_oid)) {
            const auto found = g.fail_sp.find(text_of(value));
            if (found != g.fail_sp.end() && found->second > 0) {
                --found->second;
                return gen_err;
            }
        }
    }
    return std::nullopt;
}

void after_set(const bytes_t& oid, const element_t& value)
{
    if (!g.on)
        return;
    const std::string text = text_of(value);
    if (is(oid, g.contact_oid))
        note("set SysContact " + text);
    else if (is(oid, g.sp_oid)) {
        note("set SerialPriority " + text);
        if (text == "165")
            take_command();
    } else if (const char* name = amplifier_name(oid)) {
        note(std::string("set ") + name + " " + text);
    }
}

void after_get(const bytes_t& oid)
{
    if (!g.on)
        return;
    if (const char* name = amplifier_name(oid))
        note(std::string("get ") + name);
}

std::optional<element_t> read_override(const bytes_t& oid)
{
    if (!g.on || !is(oid, g.sp_oid) || g.busy_left <= 0)
        return std::nullopt;
    --g.busy_left;
    const element_t* v = g.lookup(oid);
    return like(v ? *v : element_t{tag_octets, {}}, "127");
}

int next_due_ms()
{
    if (!g.on || !g.due)
        return -1;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(*g.due - clock_type::now()).count();
    return ms < 0 ? 0 : static_cast<int>(ms) + 1;
}

void run_due()
{
    if (g.on && g.due && *g.due <= clock_type::now())
        answer_command();
}

std::string script(const std::string& arguments)
{
    if (!g.on)
        return "error not a unit (start with --unit)";
    std::istringstream in(arguments);
    std::string knob;
    in >> knob;
    std::string rest;
    auto tail = [&in] {
        std::string t;
        std::getline(in >> std::ws, t);
        return t;
    };
    if (knob == "latency") {
        long ms = -1;
        if (!(in >> ms) || ms < 0)
            return "error bad latency";
        g.latency = std::chrono::milliseconds(ms);
    } else if (knob == "busy") {
        g.busy_per_post = count_arg(in);
    } else if (knob == "noreply") {
        g.no_reply = count_arg(in);
    } else if (knob == "askagain") {
        g.ask_again = count_arg(in);
    } else if (knob == "malformed") {
        std::string kind;
        in >> kind;
        g.malformed = kind == "nostar"  ? malformed_t::nostar
                      : kind == "nohash" ? malformed_t::nohash
                      : kind == "empty"  ? malformed_t::empty
                                         : malformed_t::none;
        if (g.malformed == malformed_t::none)
            return "error bad kind";
        g.malformed_left = count_arg(in);
    } else if (knob == "reply") {
        std::string prefix;
        in >> prefix;
        if (prefix.empty())
            return "error bad reply";
        g.replies[prefix] = tail();
    } else if (knob == "get") {
        // get <order> <code> [<channel>] = <value>
        const std::string line = tail();
        const auto eq = line.find(" = ");
        if (eq == std::string::npos)
            return "error bad get";
        g.gets[line.substr(0, eq)] = line.substr(eq + 3);
    } else if (knob == "names") {
        int slot = 0;
        std::string structure, parameter;
        if (!(in >> slot >> structure >> parameter))
            return "error bad names";
        g.names[slot] = {structure, parameter};
    } else if (knob == "getnm") {
        std::string form;
        in >> form;
        g.getnm_star = form == "star";
    } else if (knob == "getpo") {
        in >> g.getpo;
    } else if (knob == "getav0") {
        std::vector<std::string> samples;
        for (std::string s; in >> s;)
            samples.push_back(s);
        if (samples.size() != 8 ||
            std::any_of(samples.begin(), samples.end(), [](const std::string& s) { return s.size() != 4; }))
            return "error getav0 takes eight samples of four characters";
        std::string joined;
        for (const auto& s : samples)
            joined += (joined.empty() ? "" : " ") + s;
        g.getav0 = joined;
    } else if (knob == "fail") {
        std::string what;
        in >> what;
        if (what == "read") {
            g.fail_reads = count_arg(in);
        } else if (what == "reply") {
            g.fail_replies = count_arg(in);
        } else if (what == "readsp") {
            g.fail_sp_reads = count_arg(in);
        } else if (what == "command") {
            g.fail_commands = count_arg(in);
        } else if (what == "write") {
            std::string value;
            in >> value;
            if (value.empty())
                return "error bad fault";
            g.fail_sp[value] = count_arg(in);
        } else {
            return "error bad fault";
        }
    } else if (knob == "journal") {
        std::string path;
        in >> path;
        if (!path.empty()) {
            std::ofstream out(path);
            for (const auto& line : g.journal)
                out << line << '\n';
            if (!out)
                return "error cannot write " + path;
        }
        return "count " + std::to_string(g.journal.size());
    } else {
        return "error unknown unit command";
    }
    return "ok";
}

bool journal_to(const std::string& path)
{
    g_live.open(path, std::ios::app);
    return g_live.is_open();
}

const char* usage()
{
    return "Unit mode (--unit, with --integer-register for an INTEGER SerialPriority):\n"
           "  SerialPriority " "1.3.6.1.4.1.2680.1.1.10.1.5.0" " and SysContact 1.3.6.1.2.1.1.4.0 are\n"
           "  the mailbox; a write of \"165\" takes SysContact as the command and, after\n"
           "  the latency, writes the reply there and \"90\" into SerialPriority.\n"
           "  unit latency <ms>                 delay before the reply (20 ms)\n"
           "  unit busy <n>                     after each post, n reads of SerialPriority answer \"127\"\n"
           "  unit noreply [<n>]                the next n commands get no reply (\"165\" stays)\n"
           "  unit askagain [<n>]               the next n commands are answered with \"247\"\n"
           "  unit malformed nostar|nohash|empty [<n>]   the next n replies malformed\n"
           "  unit reply <prefix> <text>        the reply to commands beginning with prefix\n"
           "  unit get <order> <code> [<channel>] = <value>   \"*NyGET ...#\" answers \"*<value>#\"\n"
           "  unit names <slot> <structure> <parameter>       names of a stored template\n"
           "  unit getnm plain|star             \"GETNM...\" replies without or with a leading \"*\"\n"
           "  unit getpo <dddd>                 \"*GETPO=dddd#\"\n"
           "  unit getav0 <s1> ... <s8>         the 48-character \"*GETAV0 ...#\" reply\n"
           "  unit fail read [<n>]              the next n reads of SysContact fail (genErr)\n"
           "  unit fail reply [<n>]             the same only while \"90\" says a reply waits\n"
           "  unit fail readsp [<n>]            the next n reads of SerialPriority fail\n"
           "  unit fail write <value> [<n>]     the next n writes of value to SerialPriority fail\n"
           "  unit fail command [<n>]           the next n writes of a command fail\n"
           "  unit journal [<file>]             \"count <n>\" of the journal; writes it to file:\n"
           "                                    every set of either variable, every command taken\n"
           "                                    with its reply, every get and set of an amplifier\n"
           "                                    variable (\"get LeftVolume\", \"set LeftGain <n>\")\n"
           "  A model-21 amplifier's INTEGER variables (0 at the start; \"var\" sets them):\n"
           "    LeftGain  1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.4.1.2.12\n"
           "    RightGain 1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.4.1.2.16\n"
           "    LeftVolume  1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.2.1.2.12\n"
           "    RightVolume 1.3.6.1.4.1.2680.1.4.2.37.11.30.29.47.4.2.1.2.13\n";
}

} // namespace snmpagent::unit
