// namsim: a simulated network audio module for the firmware updater's
// tests and benchmarks. See usage() and server.h.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "families.h"
#include "server.h"

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: namsim --family %s --state DIR [options]\n"
                 "  --address IP       address to serve on (default 127.0.0.1)\n"
                 "  --port N           server port (default 69; 0 picks a free one)\n"
                 "  --state DIR        folder of the bank files and requests.log\n"
                 "  --log FILE         request log (default DIR/requests.log)\n"
                 "  --mac HEX          MAC in the configuration record (12 hex digits)\n"
                 "  --bank NAME:SIZE   serve a further bank, or resize one\n"
                 "  --timeout MS       retransmission time-out (default 1000)\n"
                 "  --retries N        retransmissions before giving up (default 5)\n"
                 "  --fault SPEC       arm a fault for the first transfer\n"
                 "Prints \"ready ADDRESS PORT\" once it serves, then reads control lines\n"
                 "from standard input until it ends: fault SPEC, clear, mac HEX, sync, quit.\n"
                 "Faults: drop-out N, drop-in N, dup N, stray N [ADDRESS], short N,\n"
                 "error N CODE TEXT, error-raw N CODE TEXT, silent [N], corrupt N.\n",
                 namsim::family_names().c_str());
}

[[noreturn]] void bad(const std::string& text) {
    std::fprintf(stderr, "namsim: %s\n", text.c_str());
    usage(stderr);
    std::exit(2);
}

long number(const std::string& option, const char* text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 0);
    if (errno != 0 || *end != '\0' || end == text || value < low || value > high)
        bad(option + " needs a number from " + std::to_string(low) + " to " + std::to_string(high));
    return value;
}

} // namespace

int main(int argc, char** argv) {
    namsim::options_t options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            usage(stdout);
            return 0;
        }
        if (i + 1 >= argc)
            bad("missing value for " + option);
        const char* value = argv[++i];
        if (option == "--family") {
            options.family = namsim::find_family(value);
            if (!options.family)
                bad(std::string("unknown family '") + value + "'");
        } else if (option == "--address") {
            options.address = value;
        } else if (option == "--port") {
            options.port = static_cast<std::uint16_t>(number(option, value, 0, 65535));
        } else if (option == "--state") {
            options.state_dir = value;
        } else if (option == "--log") {
            options.log_path = value;
        } else if (option == "--mac") {
            options.mac = value;
        } else if (option == "--bank") {
            const std::string spec = value;
            const auto colon = spec.find(':');
            if (colon == std::string::npos || colon == 0)
                bad("--bank needs NAME:SIZE");
            options.extra_banks.push_back(
                {spec.substr(0, colon),
                 static_cast<std::size_t>(number(option, spec.c_str() + colon + 1, 0, 32 << 20))});
        } else if (option == "--timeout") {
            options.timeout_ms = static_cast<int>(number(option, value, 1, 600000));
        } else if (option == "--retries") {
            options.retries = static_cast<int>(number(option, value, 0, 1000));
        } else if (option == "--fault") {
            namsim::fault_t fault;
            std::string error;
            if (!namsim::parse_fault(value, fault, error))
                bad(error);
            options.faults.push_back(fault);
        } else {
            bad("unknown option " + option);
        }
    }
    if (!options.family)
        bad("--family is required");
    if (options.state_dir.empty())
        bad("--state is required");

    // A client that has gone must not end the unit.
    ::signal(SIGPIPE, SIG_IGN);
    try {
        namsim::server_t server(options);
        server.open();
        std::printf("ready %s %u\n", server.address().c_str(), static_cast<unsigned>(server.port()));
        std::fflush(stdout);
        server.run(STDIN_FILENO, STDOUT_FILENO);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "namsim: %s\n", e.what());
        return 1;
    }
    return 0;
}
