// The units' SNMP port as tests set it: the environment, read once.
#include "comm/snmp_mailbox.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(CommUnitPort, TheEnvironmentsPortFollowsEveryUnitAddress)
{
    EXPECT_EQ(comm::UnitSnmpAddress("10.0.0.5"), "10.0.0.5/16161");
    // Read once: a later change does not reach a running program.
    ::setenv("OSTREL_UNIT_SNMP_PORT", "99", 1);
    EXPECT_EQ(comm::UnitSnmpAddress("10.0.0.6"), "10.0.0.6/16161");
}
