#include "qo/net/winsock_error.h"

#include "platform/text/format.h"
#include "qo/wapi/system_text.h"

#include <netdb.h>

#include <cerrno>

namespace qo::net {

namespace {

struct errno_row_t {
    int error;
    std::int32_t code;
};

constexpr errno_row_t errno_table[] = {
    {ENOMEM, 8},
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EAGAIN, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    {ENOBUFS, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    // Sending on a socket whose sending side is shut (here or by the
    // peer's reset) is what the shutdown code describes.
    {EPIPE, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
    {ECANCELED, 10103},
};

struct text_row_t {
    std::int32_t code;
    const char* text;
};

constexpr text_row_t text_table[] = {
    {6, "WSA_INVALID_HANDLE"},
    {8, "WSA_NOT_ENOUGH_MEMORY"},
    {64, "WSA_MAXIMUM_WAIT_EVENTS"},
    {87, "WSA_INVALID_PARAMETER"},
    {192, "WSA_WAIT_IO_COMPLETION"},
    {258, "WSA_WAIT_TIMEOUT"},
    {995, "WSA_OPERATION_ABORTED"},
    {996, "WSA_IO_INCOMPLETE"},
    {997, "WSA_IO_PENDING"},
    {10004, "interrupted system call"},
    {10009, "bad file number"},
    {10013, "permission denied"},
    {10014, "bad buffer address"},
    {10022, "invalid argument"},
    {10024, "out of file descriptors"},
    {10035, "operation would block"},
    {10036, "blocking operation already in progress"},
    {10037, "operation already in progress"},
    {10038, "invalid socket handle"},
    {10039, "destination address required"},
    {10040, "message too long"},
    {10041, "wrong protocol type for socket"},
    {10042, "bad protocol option"},
    {10043, "protocol not supported"},
    {10044, "socket type not supported"},
    {10045, "operation not supported on socket"},
    {10046, "protocol family not supported"},
    {10047, "address family not supported"},
    {10048, "address already in use"},
    {10049, "cannot assign requested address"},
    {10050, "network is down"},
    {10051, "network is unreachable"},
    {10052, "network dropped connection on reset"},
    {10053, "software caused connection abort"},
    {10054, "connection reset by peer"},
    {10055, "out of buffer space"},
    {10056, "Socket is already connected"},
    {10057, "socket is not connected"},
    {10058, "cannot send after socket shutdown"},
    {10059, "too many references: cannot splice"},
    {10060, "connection timed out"},
    {10061, "connection refused"},
    {10062, "too many levels of symbolic links"},
    {10063, "file name too long"},
    {10064, "host is down"},
    {10065, "no route to host"},
    {10066, "WSAENOTEMPTY"},
    {10067, "WSAEPROCLIM"},
    {10068, "WSAEUSERS"},
    {10069, "WSAEDQUOT"},
    {10070, "WSAESTALE"},
    {10071, "WSAEREMOTE"},
    {10091, "network subsystem is unusable"},
    {10092, "WSAVERNOTSUPPORTED"},
    {10093, "WinSock not initialized"},
    {10101, "disconnect"},
    {10102, "WSAENOMORE"},
    {10103, "WSAECANCELLED"},
    {10104, "WSAEINVALIDPROCTABLE"},
    {10105, "WSAEINVALIDPROVIDER"},
    {10106, "WSAEPROVIDERFAILEDINIT"},
    {10107, "WSASYSCALLFAILURE"},
    {10108, "WSASERVICE_NOT_FOUND"},
    {10109, "WSATYPE_NOT_FOUND"},
    {10110, "WSA_E_NO_MORE"},
    {10111, "WSA_E_CANCELLED"},
    {10112, "WSAEREFUSED"},
    {11001, "host not found"},
    {11002, "WSATRY_AGAIN"},
    {11003, "nonrecoverable error"},
    {11004, "WSANO_DATA"},
    {-1, "WSA_WAIT_FAILED"},
};

} // namespace

std::int32_t error_from_errno(int error) {
    for (const errno_row_t& row : errno_table)
        if (row.error == error)
            return row.code;
    return static_cast<std::int32_t>(qo::wapi::error_from_errno(error));
}

std::int32_t last_error() {
    return error_from_errno(errno);
}

std::int32_t error_from_gai(int gai_error, int saved_errno) {
    switch (gai_error) {
    case 0:
        return 0;
    case EAI_NONAME:
        return 11001;
    case EAI_AGAIN:
        return 11002;
    case EAI_FAIL:
        return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return 11004;
#endif
    case EAI_MEMORY:
        return 8;
    case EAI_SYSTEM:
        return error_from_errno(saved_errno);
    default:
        return 11003;
    }
}

std::string winsock_error_text(std::int32_t code) {
    try {
        for (const text_row_t& row : text_table)
            if (row.code == code)
                return row.text;
        std::string text = qo::wapi::system_text(static_cast<std::uint32_t>(code));
        if (!text.empty())
            return text + " (system error)";
        return platform::text::format("WinSock error# %d", code);
    } catch (...) {
        return {};
    }
}

} // namespace qo::net
