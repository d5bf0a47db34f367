// libkestrin2.so end to end: created by ProgID and driven through the
// dispatch driver and through tools/autocall, against snmpd and the scripted
// agent on loopback, with the settings the operator program imposes.
#include "tests/support/peers_required.h"
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kestrin2_fixture.h"
#include "tools/snmpagent/peers.h"

namespace {

using namespace k2test;
using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;
namespace id = kestrin2::manager_dispid;
namespace vid = kestrin2::variable_dispid;
namespace vec = kestrin2::vector_dispid;

const char* const snmpd_address = "127.0.0.61";
const char* const agent_address = "127.0.0.62";
const char* const read_only_oid = "1.3.6.1.4.1.2680.1.1.10.1.6.0";
const char* const silent_oid = "1.3.6.1.4.1.2680.1.1.10.1.7.0";
const char* const last_oid = "1.3.6.1.4.1.2680.9.9.0";

std::string host_name() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

// One variable object's members.
struct variable_view_t {
    std::string ip;
    std::string name;
    std::string value;
    int valid = -1;
    int type = -1;
};

variable_view_t view(const pa::dispatch_driver_t& v) {
    return {v.to_string(v.get(vid::ip)), v.to_string(v.get(vid::name)),
            v.to_string(v.get(vid::value)), v.to_int(v.get(vid::valid)),
            v.to_int(v.get(vid::type))};
}

std::vector<variable_view_t> elements(const pa::dispatch_driver_t& vector) {
    std::vector<variable_view_t> out;
    const int length = vector.to_int(vector.get(vec::length));
    for (std::int32_t i = 0; i < length; ++i)
        out.push_back(view(vector.to_object(vector.call(vec::at, {i}))));
    return out;
}

class Kestrin2Peers : public Kestrin2Test {
protected:
    void SetUp() override {
        Kestrin2Test::SetUp();
        OSTREL_REQUIRE_PEER(snmp_peers::snmpd_t::available(), "snmpd");
        snmpd_ = std::make_unique<snmp_peers::snmpd_t>(snmpd_address);
        agent_ = std::make_unique<snmp_peers::scripted_agent_t>(agent_address);
        agent_->var(serial_priority, "integer", "0");
        agent_->var(sys_contact, "octets", "");
        agent_->var(read_only_oid, "integer", "3");
        agent_->fault(read_only_oid, "readonly");
        agent_->var(silent_oid, "integer", "4");
        agent_->fault(silent_oid, "silent");
        agent_->var(last_oid, "integer", "5");
    }

    // Created and set up as the operator program does it.
    static pa::dispatch_driver_t operator_manager() {
        auto m = create_manager();
        m.put(id::num_threads, std::int32_t{30});
        m.put(id::poll_period, std::int32_t{100});
        m.put(id::retry_count, std::int32_t{1});
        m.put(id::timeout, std::int32_t{100});
        m.call(id::start);
        return m;
    }

    // Collects get_changes until a change of (ip, name) shows up.
    static std::optional<variable_view_t> wait_for_change(const pa::dispatch_driver_t& m,
                                                          const std::string& ip,
                                                          const std::string& name,
                                                          std::chrono::milliseconds limit) {
        const auto until = clock_type::now() + limit;
        do {
            for (const auto& change : elements(m.to_object(m.call(id::get_changes))))
                if (change.ip == ip && change.name == name)
                    return change;
            std::this_thread::sleep_for(2ms);
        } while (clock_type::now() < until);
        return std::nullopt;
    }

    static bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        const auto until = clock_type::now() + limit;
        while (!done()) {
            if (clock_type::now() >= until)
                return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    // Waits until the agent was asked for `oid` `polls` more times: the
    // anchor of a check that something did not happen in those poll periods.
    bool polled_again(const std::string& oid, long polls) const {
        const long from = agent_->count(oid);
        return wait_until([&] { return agent_->count(oid) >= from + polls; }, 5s);
    }

    // A second manager with the operator's settings, polling an own variable
    // of the agent: the periods that pass while the test's manager polls
    // nothing, counted by the agent.
    pa::dispatch_driver_t period_witness() const {
        auto witness = operator_manager();
        witness.call(id::watch, {agent_->target(), last_oid});
        EXPECT_TRUE(wait_until([&] { return agent_->count(last_oid) >= 1; }, 3s));
        return witness;
    }

    std::unique_ptr<snmp_peers::snmpd_t> snmpd_;
    std::unique_ptr<snmp_peers::scripted_agent_t> agent_;
};

// ------------------------------------------------------------ dispatch driver

using Kestrin2Driver = Kestrin2Peers;

TEST_F(Kestrin2Driver, OneShotGetSetAndGetNextWithTheOperatorsSettings) {
    auto m = operator_manager();
    EXPECT_EQ(m.to_int(m.get(id::num_threads)), 30);
    EXPECT_EQ(m.to_int(m.get(id::poll_period)), 100);
    EXPECT_EQ(m.to_int(m.get(id::retry_count)), 1);
    EXPECT_EQ(m.to_int(m.get(id::timeout)), 100);
    const std::string a = snmpd_->target();

    const auto name = view(m.to_object(m.call(id::get, {a, sys_name})));
    EXPECT_EQ(name.valid, 1);
    EXPECT_EQ(name.value, host_name());
    EXPECT_EQ(name.ip, a);
    EXPECT_EQ(name.name, sys_name);

    const auto descr = view(m.to_object(m.call(id::get, {a, sys_descr})));
    EXPECT_EQ(descr.valid, 1);
    EXPECT_EQ(descr.value, snmp_peers::snmpd_t::sys_descr);
    EXPECT_EQ(descr.type, 4);

    const auto written = view(m.to_object(m.call(id::set, {a, sys_contact, "*NyFIRMW#"})));
    EXPECT_EQ(written.valid, 1);
    EXPECT_EQ(written.value, "*NyFIRMW#");
    EXPECT_EQ(view(m.to_object(m.call(id::get, {a, sys_contact}))).value, "*NyFIRMW#");

    const auto next = view(m.to_object(m.call(id::get_next, {a, sys_descr})));
    EXPECT_EQ(next.valid, 1);
    EXPECT_EQ(next.name, sys_object_id) << "the identifier the device returned";
    EXPECT_EQ(next.type, 6);

    // A set is converted by the syntax the device reports.
    const auto number =
        view(m.to_object(m.call(id::set, {agent_->target(), serial_priority, "247"})));
    EXPECT_EQ(number.valid, 1);
    EXPECT_EQ(number.type, 2);
    EXPECT_EQ(agent_->show(serial_priority), "2 247");

    // One-shot requests leave nothing on the watch list.
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 0);
}

TEST_F(Kestrin2Driver, FailedRequestsComeBackAsInvalidVariables) {
    auto m = operator_manager();
    const std::string a = snmpd_->target();
    const std::string u = agent_->target();
    const std::string nobody =
        std::string(agent_address) + "/" + std::to_string(snmp_peers::free_udp_port(agent_address));
    struct row_t {
        const char* fault;
        pa::DISPID member;
        std::string ip;
        const char* name;
        const char* value;
        const char* text;
    };
    const row_t rows[] = {
        {"unknown variable taken as valid", id::get, a, "1.3.6.1.2.1.1.99.0", nullptr,
         "Unknown variable"},
        {"silent device not timed out", id::get, u, silent_oid, nullptr, "Request timeout"},
        {"nobody on the port not timed out", id::get, nobody, sys_descr, nullptr,
         "Request timeout"},
        {"read-only variable written", id::set, u, read_only_oid, "9", "Write protect"},
        {"malformed identifier sent", id::get, a, "1.3.x.6", nullptr,
         "SnmpMgrStrToOid () fails, error in snmp_nt_t::vb_fill ()"},
        {"get-next past the last variable", id::get_next, u, last_oid, nullptr, "Unknown variable"},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        std::vector<pa::variant_t> args{row.ip, row.name};
        if (row.value)
            args.emplace_back(row.value);
        const auto r = invoke(m.get(), row.member, pa::DISPATCH_METHOD, args);
        ASSERT_EQ(r.hr, pa::S_OK) << "a failed request is no failed call: " << r.description;
        const auto v = view(m.to_object(r.value));
        EXPECT_EQ(v.valid, 0);
        EXPECT_EQ(v.value, row.text);
        EXPECT_EQ(v.type, 0);
        EXPECT_EQ(v.ip, row.ip);
        EXPECT_EQ(v.name, row.name);
    }
    EXPECT_EQ(agent_->show(read_only_oid), "2 3");
}

TEST_F(Kestrin2Driver, ADeviceNamedByHostNameIsReadSetAndWatched) {
    // localhost resolves from the hosts file: no name server is asked.
    snmp_peers::scripted_agent_t local("127.0.0.1");
    local.var(serial_priority, "integer", "7");
    local.var(sys_contact, "sequence", "020105");
    const std::string named = "localhost/" + std::to_string(local.port());
    auto m = operator_manager();

    const auto got = view(m.to_object(m.call(id::get, {named, serial_priority})));
    EXPECT_EQ(got.valid, 1);
    EXPECT_EQ(got.value, "7");
    EXPECT_EQ(got.ip, named) << "the variable keeps the name it was asked by";
    const auto sequence = view(m.to_object(m.call(id::get, {named, sys_contact})));
    EXPECT_EQ(sequence.valid, 1);
    EXPECT_EQ(sequence.type, 48);
    EXPECT_EQ(sequence.value, "02 01 05");

    const auto written = view(m.to_object(m.call(id::set, {named, serial_priority, "165"})));
    EXPECT_EQ(written.valid, 1);
    EXPECT_EQ(local.show(serial_priority), "2 165");

    local.var(serial_priority, "integer", "90");
    m.call(id::watch, {named, serial_priority});
    const auto change = wait_for_change(m, named, serial_priority, 5s);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->value, "90");
    m.call(id::end_device_watch, {named});
    EXPECT_TRUE(wait_until([&] { return m.to_int(m.get(id::watch_size)) == 0; }, 5s));
}

TEST_F(Kestrin2Driver, WatchedChangesOfTwoAgentsArriveWithinTwoPollPeriods) {
    OSTREL_REQUIRE_PEER(snmpset_available(), "snmpset");
    auto m = operator_manager();
    const std::string a = snmpd_->target();
    const std::string u = agent_->target();
    ASSERT_EQ(view(m.to_object(m.call(id::set, {a, sys_contact, "before"}))).valid, 1);

    m.call(id::watch, {a, sys_contact});
    m.call(id::watch, {u, serial_priority});
    m.call(id::watch, {a, sys_contact}); // once only
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 2);
    ASSERT_TRUE(wait_until(
        [&] {
            const auto all = elements(m.to_object(m.call(id::get_all)));
            return all.size() == 2 && all[0].valid == 1 && all[1].valid == 1;
        },
        3s));
    m.call(id::get_changes);

    const auto bound = std::chrono::milliseconds(2 * 100 * slowness());
    snmpset(snmpd_address, snmpd_->port(), sys_contact, 's', "after snmpset");
    auto began = clock_type::now();
    const auto contact = wait_for_change(m, a, sys_contact, 3s);
    ASSERT_TRUE(contact);
    EXPECT_LE(clock_type::now() - began, bound);
    EXPECT_EQ(contact->value, "after snmpset");
    EXPECT_EQ(contact->valid, 1);
    EXPECT_EQ(contact->type, 4);

    snmpset(agent_address, agent_->port(), serial_priority, 'i', "90");
    began = clock_type::now();
    const auto serial = wait_for_change(m, u, serial_priority, 3s);
    ASSERT_TRUE(serial);
    EXPECT_LE(clock_type::now() - began, bound);
    EXPECT_EQ(serial->value, "90");
    EXPECT_EQ(serial->type, 2);

    // Each change is reported once: three more polls of the unit pass
    // without one (the window in which a repeated report would show).
    ASSERT_TRUE(polled_again(serial_priority, 3));
    EXPECT_EQ(m.to_int(m.to_object(m.call(id::get_changes)).get(vec::length)), 0);
    // One device's changes leave the other's.
    snmpset(snmpd_address, snmpd_->port(), sys_contact, 's', "third");
    snmpset(agent_address, agent_->port(), serial_priority, 'i', "127");
    std::vector<variable_view_t> of_a;
    ASSERT_TRUE(wait_until(
        [&] {
            of_a = elements(m.to_object(m.call(id::get_device_changes, {a})));
            return !of_a.empty();
        },
        3s));
    ASSERT_EQ(of_a.size(), 1u);
    EXPECT_EQ(of_a[0].value, "third");
    std::vector<variable_view_t> rest;
    ASSERT_TRUE(wait_until(
        [&] {
            rest = elements(m.to_object(m.call(id::get_changes)));
            return !rest.empty();
        },
        3s));
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].ip, u);
    EXPECT_EQ(rest[0].value, "127");
}

TEST_F(Kestrin2Driver, EndedAndClearedVariablesAreNoLongerPolled) {
    const char* const first = "1.3.6.1.4.1.2680.1.1.10.1.1.0";
    const char* const second = "1.3.6.1.4.1.2680.1.1.10.1.2.0";
    agent_->var(first, "integer", "1");
    agent_->var(second, "integer", "2");
    const auto witness = period_witness();
    auto m = operator_manager();
    const std::string u = agent_->target();
    m.call(id::watch, {u, first});
    m.call(id::watch, {u, second});
    m.call(id::watch, {snmpd_->target(), sys_name});
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 3);
    ASSERT_TRUE(wait_until([&] { return agent_->count(first) >= 2; }, 3s));

    m.call(id::end_watch, {u, first});
    m.call(id::end_watch, {u, "1.3.6.1.4.1.2680.77.0"}); // not watched: nothing happens
    ASSERT_TRUE(wait_until([&] { return m.to_int(m.get(id::watch_size)) == 2; }, 2s));
    const long after_end = agent_->count(first);
    // Four polls of the other one, in which an ended variable would have
    // been asked.
    ASSERT_TRUE(polled_again(second, 4));
    EXPECT_EQ(agent_->count(first), after_end) << "an ended variable is still polled";
    EXPECT_GT(agent_->count(second), 2) << "the other one is";

    m.call(id::end_device_watch, {snmpd_->target()});
    ASSERT_TRUE(wait_until([&] { return m.to_int(m.get(id::watch_size)) == 1; }, 2s));
    m.call(id::clear_watch);
    ASSERT_TRUE(wait_until([&] { return m.to_int(m.get(id::watch_size)) == 0; }, 2s));
    const long after_clear = agent_->count(second);
    // As above: four poll periods, counted by the witness, in which a
    // cleared variable would have been asked.
    ASSERT_TRUE(polled_again(last_oid, 4));
    EXPECT_EQ(agent_->count(second), after_clear);
    EXPECT_EQ(m.to_int(m.to_object(m.call(id::get_all)).get(vec::length)), 0);
}

TEST_F(Kestrin2Driver, StopEndsPollingButWorkersStillServeOneShotRequests) {
    auto m = operator_manager();
    const std::string u = agent_->target();
    m.call(id::watch, {u, serial_priority});
    ASSERT_TRUE(wait_until([&] { return agent_->count(serial_priority) >= 2; }, 3s));

    m.call(id::stop);
    const long stopped = agent_->count(serial_priority);
    // A window in which a running scheduler would have asked again. (A
    // second manager counting the periods, as above, made LeakSanitizer's
    // tracer crash at the end of the sanitizer build's whole run.)
    std::this_thread::sleep_for(400ms);
    EXPECT_LE(agent_->count(serial_priority) - stopped, 1) << "one request may have been in flight";
    EXPECT_EQ(view(m.to_object(m.call(id::get, {u, serial_priority}))).valid, 1);
    m.call(id::stop); // stopping a stopped poller is harmless

    m.call(id::start);
    m.call(id::start); // a second start leaves running threads alone
    const long restarted = agent_->count(serial_priority);
    EXPECT_TRUE(wait_until([&] { return agent_->count(serial_priority) >= restarted + 2; }, 3s));
}

TEST_F(Kestrin2Driver, CallersOnSeveralThreadsShareOneManager) {
    auto m = operator_manager();
    const std::string a = snmpd_->target();
    const std::string u = agent_->target();
    agent_->var(serial_priority, "integer", "165");
    m.call(id::watch, {u, serial_priority});
    m.call(id::watch, {a, sys_descr});
    std::atomic<int> good{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            pa::initializer_t init(pa::concurrency_model::multithreaded);
            const pa::dispatch_driver_t shared(m.object());
            for (int i = 0; i < 15; ++i) {
                const bool snmpd = (i + t) % 2 == 0;
                const auto v = view(shared.to_object(
                    shared.call(id::get, {snmpd ? a : u, snmpd ? sys_descr : serial_priority})));
                if (v.valid == 1 &&
                    v.value == (snmpd ? std::string(snmp_peers::snmpd_t::sys_descr) : "165"))
                    ++good;
            }
        });
    }
    for (auto& c : callers)
        c.join();
    EXPECT_EQ(good.load(), 60);
    EXPECT_EQ(m.to_int(m.get(id::watch_size)), 2) << "one-shot tasks are gone again";
}

// ------------------------------------------------------------------- autocall

using Kestrin2Autocall = Kestrin2Peers;

// The output lines that start with `tag`, without it.
std::vector<std::string> tagged(const std::string& out, const std::string& tag) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(tag + " ", 0) == 0)
            lines.push_back(line.substr(tag.size() + 1));
    return lines;
}

std::string operator_script_head() {
    return "m = create \"kestrin2.com_manager.1\"\n"
           "m.num_threads = 30\n"
           "m.poll_period = 100\n"
           "m.retry_count = 1\n"
           "m.timeout = 100\n"
           "m.start\n";
}

TEST_F(Kestrin2Autocall, TheOperatorsSequenceEndToEnd) {
    OSTREL_REQUIRE_PEER(snmpset_available(), "snmpset");
    const std::string a = snmpd_->target();
    const std::string u = agent_->target();
    std::ostringstream s;
    s << operator_script_head()
      << "print \"settings\" m.num_threads m.poll_period m.retry_count m.timeout\n"
      << "v = m.get \"" << a << "\" \"" << sys_name << "\"\n"
      << "print \"sysName\" v.valid v.value\n"
      << "v = m.get \"" << a << "\" \"" << sys_descr << "\"\n"
      << "print \"sysDescr\" v.valid v.type v.value\n"
      << "v = m.set \"" << a << "\" \"" << sys_contact << "\" \"*NyFIRMW#\"\n"
      << "print \"set\" v.valid v.value\n"
      << "v = m.get \"" << a << "\" \"" << sys_contact << "\"\n"
      << "print \"sysContact\" v.valid v.value\n"
      << "v = m.get_next \"" << a << "\" \"" << sys_descr << "\"\n"
      << "print \"next\" v.valid v.name\n"
      << "m.watch \"" << a << "\" \"" << sys_contact << "\"\n"
      << "m.watch \"" << u << "\" \"" << serial_priority << "\"\n"
      << "print \"watching\" m.watch_size\n"
      << "sleep 600\n"
      << "c = m.get_changes\n"
      << "print \"ready\"\n"
      << "sleep " << 1000 * slowness() << "\n"
      << "c = m.get_changes\n"
      << "print \"changes\" c.length\n"
      << "e = c.at 0\n"
      << "print \"change\" e.ip e.name e.valid e.value\n"
      << "e = c.at 1\n"
      << "print \"change\" e.ip e.name e.valid e.value\n"
      << "try e = c.1\n"
      << "try e = c.at 2\n"
      << "c = m.get_changes\n"
      << "print \"again\" c.length\n"
      << "m.end_watch \"" << u << "\" \"" << serial_priority << "\"\n"
      << "sleep 300\n"
      << "print \"ended\" m.watch_size\n"
      << "m.clear_watch\n"
      << "sleep 300\n"
      << "print \"cleared\" m.watch_size\n"
      << "a = m.get_all\n"
      << "print \"all\" a.length\n"
      << "try v = m.get \"10.0.0\" \"" << sys_descr << "\"\n"
      << "try m.poll_period = 99\n"
      << "m.stop\n";
    std::string snmpset_error;
    const auto r = run_autocall(s.str(), [&](const std::string& line) {
        if (line != "ready")
            return;
        try {
            snmpset(snmpd_address, snmpd_->port(), sys_contact, 's', "set by snmpset");
            snmpset(agent_address, agent_->port(), serial_priority, 'i', "90");
        } catch (const std::exception& e) {
            snmpset_error = e.what();
        }
    });
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    ASSERT_EQ(snmpset_error, "");
    const auto one = [&r](const std::string& tag) {
        const auto lines = tagged(r.out, tag);
        return lines.empty() ? std::string("<missing>") : lines.front();
    };
    EXPECT_EQ(one("settings"), "30 100 1 100");
    EXPECT_EQ(one("sysName"), "1 " + host_name());
    EXPECT_EQ(one("sysDescr"), std::string("1 4 ") + snmp_peers::snmpd_t::sys_descr);
    EXPECT_EQ(one("set"), "1 *NyFIRMW#");
    EXPECT_EQ(one("sysContact"), "1 *NyFIRMW#");
    EXPECT_EQ(one("next"), std::string("1 ") + sys_object_id);
    EXPECT_EQ(one("watching"), "2");
    EXPECT_EQ(one("changes"), "2");
    const auto changes = tagged(r.out, "change");
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0], a + " " + sys_contact + " 1 set by snmpset");
    EXPECT_EQ(changes[1], u + " " + serial_priority + " 1 90");
    EXPECT_EQ(one("again"), "0");
    EXPECT_EQ(one("ended"), "1");
    EXPECT_EQ(one("cleared"), "0");
    EXPECT_EQ(one("all"), "0");
    EXPECT_NE(r.out.find("thread stop signaled"), std::string::npos);

    // The failures the script tried, in order.
    const std::regex error_line("error: 0x([0-9A-F]{8}) (.*)");
    std::vector<std::string> errors;
    std::istringstream err(r.err);
    for (std::string line; std::getline(err, line);) {
        std::smatch match;
        if (std::regex_match(line, match, error_line))
            errors.push_back(match[1].str() + " " + match[2].str());
    }
    ASSERT_EQ(errors.size(), 4u) << r.err;
    EXPECT_EQ(errors[0].substr(0, 8), "80020005") << "an element is no method";
    EXPECT_EQ(errors[1], "80020009 Kestrin2.com_variable_vector.1: Illegal index 2 for vector "
                         "with 2 element(s).");
    EXPECT_EQ(errors[2], "80020009 Kestrin2.com_manager.1: Invalid IP address");
    EXPECT_EQ(errors[3], "80020009 Kestrin2.com_manager.1: Out of range of the poll_period");
}

// The command mailbox as the operator program will run it, by hand: claim,
// post a command, and, once the unit has answered, read the reply and free
// the mailbox.
TEST_F(Kestrin2Autocall, MailboxRoundTripByHand) {
    const std::string u = agent_->target();
    const std::string command = "*NySET 3 301 1.000000e+000#";
    const auto get = [&u](const char* tag, const char* oid) {
        return std::string("v = m.get \"") + u + "\" \"" + oid + "\"\nprint \"" + tag +
               "\" v.valid v.value\n";
    };
    const auto set = [&u](const char* tag, const char* oid, const std::string& value) {
        return std::string("v = m.set \"") + u + "\" \"" + oid + "\" \"" + value + "\"\nprint \"" +
               tag + "\" v.valid v.value\n";
    };

    auto r = run_autocall(operator_script_head() + get("free", serial_priority) +
                          set("claim", serial_priority, "247") + set("post", sys_contact, command) +
                          get("serial", serial_priority) + get("contact", sys_contact) +
                          set("posted", serial_priority, "165"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(tagged(r.out, "free"), std::vector<std::string>{"1 0"});
    EXPECT_EQ(tagged(r.out, "claim"), std::vector<std::string>{"1 247"});
    EXPECT_EQ(tagged(r.out, "post"), std::vector<std::string>{"1 " + command});
    EXPECT_EQ(tagged(r.out, "serial"), std::vector<std::string>{"1 247"});
    EXPECT_EQ(tagged(r.out, "contact"), std::vector<std::string>{"1 " + command});
    EXPECT_EQ(tagged(r.out, "posted"), std::vector<std::string>{"1 165"});
    EXPECT_EQ(agent_->show(serial_priority), "2 165");

    // The unit answers.
    const std::string reply = "*NyOK 3 301#";
    agent_->var(sys_contact, "octets", reply);
    agent_->var(serial_priority, "integer", "90");

    r = run_autocall(operator_script_head() + get("ready", serial_priority) +
                     get("reply", sys_contact) + set("freed", serial_priority, "0") +
                     get("after", serial_priority));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(tagged(r.out, "ready"), std::vector<std::string>{"1 90"});
    EXPECT_EQ(tagged(r.out, "reply"), std::vector<std::string>{"1 " + reply});
    EXPECT_EQ(tagged(r.out, "freed"), std::vector<std::string>{"1 0"});
    EXPECT_EQ(tagged(r.out, "after"), std::vector<std::string>{"1 0"});
    EXPECT_EQ(agent_->show(serial_priority), "2 0");
}

} // namespace
