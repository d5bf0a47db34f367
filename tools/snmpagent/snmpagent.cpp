// snmpagent: a scripted SNMP version 1 agent for tests, for what a stock
// agent in version 1 does not do on demand: read-only variables that answer
// readOnly, genErr and tooBig answers, Counter64 and other syntaxes, slow
// answers and silence.
//
//   snmpagent --address 127.0.0.42 [--port 0] [--community vuzuvuz]
//             [--unit [--integer-register] [--journal FILE]]
//
// With --unit it is a simulated DSP unit as well (tools/snmpagent/unit.h):
// the mailbox variables, the command handshake and the "unit ..." script
// commands; --journal appends each entry of the unit's journal to FILE as
// it is made.
//
// Once its UDP socket is bound it prints "port <n>". It is scripted by lines
// on standard input, each answered by one line on standard output ("ok",
// "count <n>", "value <tag> <text>" or "error <why>"); it ends at "quit" or
// when standard input closes.
//
//   var <oid> <type> [<value>]  adds or replaces a variable. Types: integer,
//       octets (the rest of the line), hex, bits, opaque, sequence (hex
//       contents), oid, ipaddress, counter32, gauge32, timeticks, counter64,
//       unsigned32, null.
//   fault <oid> <kind> [<n>]    how requests naming the variable are answered:
//       none, readonly (a set gets readOnly), generr, toobig, status <n>,
//       delay <ms> (the answer comes late), silent (no answer at all),
//       pdutype <n> (the answer goes out with PDU tag n, in decimal, in
//       place of GetResponse).
//   count [<oid>]               requests received (naming the variable).
//   show <oid>                  the variable's tag and value: numbers in
//       decimal, identifiers and addresses dotted, bytes in hex.
//
// A set of a value whose tag differs from the variable's answers badValue;
// an unknown variable answers noSuchName, as does a get-next past the last.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/snmpagent/ber.h"
#include "tools/snmpagent/unit.h"

namespace {

using namespace snmpagent;
using clock_type = std::chrono::steady_clock;

enum class fault_kind { none, readonly, generr, toobig, status, delay, silent, pdu_type };

struct variable_t {
    element_t value;
    fault_kind fault = fault_kind::none;
    long argument = 0;
};

// Variables in identifier order, for get-next.
struct oid_less {
    bool operator()(const bytes_t& a, const bytes_t& b) const { return *oid_ids(a) < *oid_ids(b); }
};

struct pending_t {
    clock_type::time_point due;
    bytes_t packet;
    sockaddr_in to{};
};

std::map<bytes_t, variable_t, oid_less> g_variables;
std::map<bytes_t, long, oid_less> g_counts;
long g_total = 0;
std::string g_community = "vuzuvuz";
std::vector<pending_t> g_pending;

std::optional<element_t> parse_value(const std::string& type, const std::string& text) {
    auto number = [&text]() -> std::optional<std::uint64_t> {
        if (text.empty())
            return std::nullopt;
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || text[0] == '-')
            return std::nullopt;
        return value;
    };
    if (type == "integer") {
        char* end = nullptr;
        errno = 0;
        const long long value = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
            return std::nullopt;
        return element_t{tag_integer, signed_content(value)};
    }
    if (type == "octets")
        return element_t{tag_octets, bytes_t(text.begin(), text.end())};
    if (type == "hex" || type == "bits" || type == "opaque" || type == "sequence") {
        const auto bytes = from_hex(text);
        if (!bytes)
            return std::nullopt;
        const std::uint8_t tag = type == "hex"      ? tag_octets
                                 : type == "bits"   ? 0x03
                                 : type == "opaque" ? 0x44
                                                    : tag_sequence;
        return element_t{tag, *bytes};
    }
    if (type == "oid") {
        const auto content = oid_content(text);
        if (!content)
            return std::nullopt;
        return element_t{tag_oid, *content};
    }
    if (type == "ipaddress") {
        in_addr address{};
        if (inet_pton(AF_INET, text.c_str(), &address) != 1)
            return std::nullopt;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address);
        return element_t{tag_ip_address, bytes_t(bytes, bytes + 4)};
    }
    if (type == "null")
        return element_t{tag_null, {}};
    const std::pair<const char*, std::uint8_t> unsigned_types[] = {
        {"counter32", tag_counter32}, {"gauge32", tag_gauge32},     {"timeticks", tag_timeticks},
        {"unsigned32", tag_unsigned32}, {"counter64", tag_counter64}};
    for (const auto& [name, tag] : unsigned_types) {
        if (type != name)
            continue;
        const auto value = number();
        if (!value || (tag != tag_counter64 && *value > 0xFFFFFFFFu))
            return std::nullopt;
        return element_t{tag, unsigned_content(*value)};
    }
    return std::nullopt;
}

std::string show(const element_t& value) {
    switch (value.tag) {
    case tag_integer:
        return std::to_string(read_signed(value.content).value_or(0));
    case tag_counter32:
    case tag_gauge32:
    case tag_timeticks:
    case tag_unsigned32:
    case tag_counter64:
        return std::to_string(read_unsigned(value.content).value_or(0));
    case tag_oid:
        return read_oid(value.content).value_or("?");
    case tag_ip_address:
        if (value.content.size() == 4)
            return std::to_string(value.content[0]) + "." + std::to_string(value.content[1]) +
                   "." + std::to_string(value.content[2]) + "." + std::to_string(value.content[3]);
        return hex(value.content);
    default:
        return hex(value.content);
    }
}

std::string script(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "var") {
        std::string name, type;
        in >> name >> type;
        std::string text;
        std::getline(in, text);
        if (!text.empty() && text[0] == ' ')
            text.erase(0, 1);
        const auto id = oid_content(name);
        const auto value = parse_value(type, text);
        if (!id || !value)
            return "error bad variable";
        g_variables[*id].value = *value;
        return "ok";
    }
    if (command == "fault") {
        std::string name, kind;
        long argument = 0;
        in >> name >> kind;
        const auto id = oid_content(name);
        if (!id || !g_variables.count(*id))
            return "error unknown variable";
        variable_t& variable = g_variables[*id];
        if (kind == "none")
            variable.fault = fault_kind::none;
        else if (kind == "readonly")
            variable.fault = fault_kind::readonly;
        else if (kind == "generr")
            variable.fault = fault_kind::generr;
        else if (kind == "toobig")
            variable.fault = fault_kind::toobig;
        else if (kind == "silent")
            variable.fault = fault_kind::silent;
        else if ((kind == "status" || kind == "delay") && (in >> argument))
            variable.fault = kind == "status" ? fault_kind::status : fault_kind::delay;
        else if (kind == "pdutype" && (in >> argument) && argument >= 0 && argument <= 0xFF)
            variable.fault = fault_kind::pdu_type;
        else
            return "error bad fault";
        variable.argument = argument;
        return "ok";
    }
    if (command == "count") {
        std::string name;
        if (!(in >> name))
            return "count " + std::to_string(g_total);
        const auto id = oid_content(name);
        if (!id)
            return "error bad identifier";
        const auto found = g_counts.find(*id);
        return "count " + std::to_string(found == g_counts.end() ? 0 : found->second);
    }
    if (command == "show") {
        std::string name;
        in >> name;
        const auto id = oid_content(name);
        if (!id || !g_variables.count(*id))
            return "error unknown variable";
        const element_t& value = g_variables[*id].value;
        return "value " + std::to_string(value.tag) + " " + show(value);
    }
    if (command == "unit") {
        std::string rest;
        std::getline(in, rest);
        return unit::script(rest);
    }
    return "error unknown command";
}

// The answer to one request; nullopt for silence. `delay` receives how late
// it is to go.
std::optional<message_t> answer(const message_t& request, long& delay) {
    message_t response = request;
    response.pdu_type = pdu_response;
    response.error_status = 0;
    response.error_index = 0;
    delay = 0;
    auto fail = [&response, &request](long status, std::size_t index) {
        response = request;
        response.pdu_type = pdu_response;
        response.error_status = status;
        response.error_index = static_cast<long>(index + 1);
        return response;
    };
    if (const auto status = unit::fault_for(request))
        return fail(*status, 0);
    std::vector<std::map<bytes_t, variable_t, oid_less>::iterator> targets;
    std::optional<std::uint8_t> pdu_type;
    for (std::size_t i = 0; i < request.bindings.size(); ++i) {
        const bytes_t& name = request.bindings[i].first;
        auto found = request.pdu_type == pdu_get_next ? g_variables.upper_bound(name)
                                                      : g_variables.find(name);
        if (found == g_variables.end())
            return fail(2, i);
        const variable_t& variable = found->second;
        switch (variable.fault) {
        case fault_kind::silent:
            return std::nullopt;
        case fault_kind::generr:
            return fail(5, i);
        case fault_kind::toobig: {
            message_t big = fail(1, i);
            big.error_index = 0;
            return big;
        }
        case fault_kind::status:
            return fail(variable.argument, i);
        case fault_kind::readonly:
            if (request.pdu_type == pdu_set)
                return fail(4, i);
            break;
        case fault_kind::delay:
            delay = std::max(delay, variable.argument);
            break;
        case fault_kind::pdu_type:
            pdu_type = static_cast<std::uint8_t>(variable.argument);
            break;
        case fault_kind::none:
            break;
        }
        if (request.pdu_type == pdu_set && request.bindings[i].second.tag != variable.value.tag)
            return fail(3, i);
        targets.push_back(found);
    }
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (request.pdu_type == pdu_set) {
            targets[i]->second.value = request.bindings[i].second;
            unit::after_set(targets[i]->first, targets[i]->second.value);
        }
        const auto unit_says =
            request.pdu_type == pdu_get ? unit::read_override(targets[i]->first) : std::nullopt;
        if (request.pdu_type == pdu_get)
            unit::after_get(targets[i]->first);
        response.bindings[i] = {targets[i]->first, unit_says ? *unit_says : targets[i]->second.value};
    }
    if (pdu_type)
        response.pdu_type = *pdu_type;
    return response;
}

void serve_packet(int sock) {
    std::uint8_t buffer[65536];
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const ssize_t length =
        ::recvfrom(sock, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (length <= 0)
        return;
    const auto request = read_message(buffer, static_cast<std::size_t>(length));
    if (!request || request->community != g_community ||
        (request->pdu_type != pdu_get && request->pdu_type != pdu_get_next &&
         request->pdu_type != pdu_set))
        return;
    ++g_total;
    for (const auto& binding : request->bindings)
        ++g_counts[binding.first];
    long delay = 0;
    const auto response = answer(*request, delay);
    if (!response)
        return;
    const bytes_t packet = write_message(*response);
    if (delay > 0) {
        g_pending.push_back({clock_type::now() + std::chrono::milliseconds(delay), packet, from});
        return;
    }
    ::sendto(sock, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&from),
             sizeof from);
}

void send_due(int sock) {
    const auto now = clock_type::now();
    for (auto it = g_pending.begin(); it != g_pending.end();) {
        if (it->due <= now) {
            ::sendto(sock, it->packet.data(), it->packet.size(), 0,
                     reinterpret_cast<const sockaddr*>(&it->to), sizeof it->to);
            it = g_pending.erase(it);
        } else {
            ++it;
        }
    }
}

int next_due_ms() {
    const int unit_due = unit::next_due_ms();
    if (g_pending.empty())
        return unit_due;
    auto due = g_pending.front().due;
    for (const pending_t& p : g_pending)
        due = std::min(due, p.due);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(due - clock_type::now()).count();
    const int answer_due = ms < 0 ? 0 : static_cast<int>(ms) + 1;
    return unit_due < 0 ? answer_due : std::min(answer_due, unit_due);
}

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: snmpagent [--address A] [--port N] [--community C] [--unit "
                 "[--integer-register] [--journal FILE]]\n"
                 "A scripted SNMP version 1 agent for tests. Prints \"port <n>\" once bound, then\n"
                 "answers each script line on standard input with one line (\"ok\", \"count <n>\",\n"
                 "\"value <tag> <text>\" or \"error <why>\"); ends at \"quit\" or end of input.\n"
                 "  var <oid> <type> [<value>]   types: integer, octets, hex, bits, opaque,\n"
                 "                               sequence, oid, ipaddress, counter32, gauge32,\n"
                 "                               timeticks, counter64, unsigned32, null\n"
                 "  fault <oid> none|readonly|generr|toobig|status <n>|delay <ms>|silent|\n"
                 "              pdutype <n>      the answer's PDU tag (decimal)\n"
                 "  count [<oid>]                requests received (naming the variable)\n"
                 "  show <oid>                   the variable's tag and value\n"
                 "%s",
                 unit::usage());
}

} // namespace

int main(int argc, char** argv) {
    std::string address = "127.0.0.42";
    int port = 0;
    bool as_unit = false;
    bool integer_register = false;
    std::string journal;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool has_value = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            usage(stdout);
            return 0;
        } else if (option == "--unit") {
            as_unit = true;
        } else if (option == "--integer-register") {
            integer_register = true;
        } else if (option == "--journal" && has_value) {
            journal = argv[++i];
        } else if (option == "--address" && has_value) {
            address = argv[++i];
        } else if (option == "--port" && has_value) {
            port = std::atoi(argv[++i]);
        } else if (option == "--community" && has_value) {
            g_community = argv[++i];
        } else {
            std::fprintf(stderr, "snmpagent: unknown option or missing value: %s\n", option.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (as_unit) {
        for (const char* name : {unit::serial_priority, unit::sys_contact})
            g_variables[*oid_content(name)].value = element_t{tag_octets, {}};
        for (const unit::named_oid_t& v : unit::amplifier_variables)
            g_variables[*oid_content(v.oid)].value = element_t{tag_integer, signed_content(0)};
        unit::start(
            [](const bytes_t& oid) -> element_t* {
                const auto found = g_variables.find(oid);
                return found == g_variables.end() ? nullptr : &found->second.value;
            },
            integer_register);
        if (!journal.empty() && !unit::journal_to(journal)) {
            std::fprintf(stderr, "snmpagent: cannot write the journal %s\n", journal.c_str());
            return 2;
        }
    }
    const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (sock < 0 || inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
        ::bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::fprintf(stderr, "snmpagent: cannot bind %s:%d: %s\n", address.c_str(), port,
                     std::strerror(errno));
        return 1;
    }
    socklen_t size = sizeof local;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&local), &size);
    std::cout << "port " << ntohs(local.sin_port) << std::endl;

    std::string input;
    for (;;) {
        pollfd polled[2] = {{sock, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(polled, 2, next_due_ms()) < 0 && errno != EINTR)
            return 1;
        send_due(sock);
        unit::run_due();
        if (polled[0].revents & POLLIN)
            serve_packet(sock);
        if (polled[1].revents) {
            char chunk[4096];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0)
                return 0;
            input.append(chunk, static_cast<std::size_t>(got));
            for (std::size_t end; (end = input.find('\n')) != std::string::npos;) {
                const std::string line = input.substr(0, end);
                input.erase(0, end + 1);
                if (line == "quit")
                    return 0;
                std::cout << script(line) << std::endl;
            }
        }
    }
}
