// mellick: the discovery server program. "-RegServer" or "/UnregServer"
// (any letter case) registers or removes its classes; otherwise it serves
// until no client has held an object for a while.
#include "discovery/server/server_process.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return mellick::run_server(
        mellick::parse_command_line(std::vector<std::string>(argv + 1, argv + argc)));
}
