#pragma once
// A test that needs a peer program this machine lacks (snmpd, snmpset, a
// network namespace): under the test command, which sets
// OSTREL_REQUIRE_PEERS=1, it fails and names what is missing, so the
// command cannot pass without having run its integration tests; run on its
// own, it is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace ostrel_test {

inline bool peers_required() {
    const char* value = std::getenv("OSTREL_REQUIRE_PEERS");
    return value && std::string(value) == "1";
}

} // namespace ostrel_test

// Returns from the test (or SetUp) when `available` is false; `what` names
// the missing peer.
#define OSTREL_REQUIRE_PEER(available, what)                                                       \
    do {                                                                                           \
        if (!(available)) {                                                                        \
            if (ostrel_test::peers_required())                                                     \
                FAIL() << "missing peer: " << what                                                 \
                       << " (OSTREL_REQUIRE_PEERS=1: every peer must be present)";                 \
            else                                                                                   \
                GTEST_SKIP() << "missing peer: " << what;                                          \
        }                                                                                          \
    } while (false)
