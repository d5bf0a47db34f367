// Host names of devices with the system's own name look-up, in a network
// namespace of the test's: with only its loopback there, a name server is
// out of reach, so a name outside the hosts file fails to resolve at once
// and no query leaves the machine.
#include "netns.h"

#include "tests/support/peers_required.h"
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "poller/snmp_manager.h"
#include "qo/exception.h"

namespace {

std::string error_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const qo::exception_t& e) {
        return e.what();
    }
    return "";
}

TEST(PollerHostNames, ANameThatDoesNotResolveIsAnInvalidAddress) {
    OSTREL_REQUIRE_PEER(netns::unavailable_reason().empty(),
                        "a network namespace: " << netns::unavailable_reason());
    netns::namespace_t ns("names");
    const netns::enter_t inside(ns);
    kestrin2::snmp_manager_t manager;
    for (const char* ip : {"no-such-unit.invalid", "no-such-unit.invalid/16161"}) {
        SCOPED_TRACE(ip);
        EXPECT_EQ(error_of([&] { manager.get(ip, "1.3.6.1.2.1.1.1.0"); }), "Invalid IP address");
        EXPECT_EQ(error_of([&] { manager.get_next(ip, "1.3.6.1.2.1.1.1.0"); }),
                  "Invalid IP address");
        EXPECT_EQ(error_of([&] { manager.set(ip, "1.3.6.1.2.1.1.4.0", "x"); }),
                  "Invalid IP address");
        EXPECT_EQ(error_of([&] { manager.watch(ip, "1.3.6.1.2.1.1.1.0"); }), "Invalid IP address");
    }
    EXPECT_EQ(manager.watch_size(), 0);
}

} // namespace
