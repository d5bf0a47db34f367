#pragma once
// The socket of the firmware updater's transfers: it ignores the quit event
// and reports a time-out as qo::errorcode_t 0x20000302 (qonet_sock_timeout),
// which the transfer retries.
#include "qo/net/socket.h"

namespace qo::net {

class socket_client_t : public socket_t {
public:
    using socket_t::socket_t;

protected:
    void wait_for_completion(short events, std::int32_t timeout_ms) override;
};

} // namespace qo::net
