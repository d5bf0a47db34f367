#pragma once
// The SNMP classes in one include.
#include "platform/snmppp/address.h"
#include "platform/snmppp/pdu.h"
#include "platform/snmppp/snmp.h"
#include "platform/snmppp/syntax.h"
#include "platform/snmppp/target.h"
#include "platform/snmppp/value.h"
#include "platform/snmppp/vb.h"
