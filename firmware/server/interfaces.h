#pragma once
// The server's dual interfaces. Their own members are reached through
// IDispatch by the DISPIDs of ids.h.
#include "firmware/server/ids.h"
#include "platform/automation/interfaces.h"

namespace gorlith {

struct Iupdater : pa::IDispatch {
    static constexpr pa::IID iid = IID_Iupdater;
};
struct Iunit : pa::IDispatch {
    static constexpr pa::IID iid = IID_Iunit;
};
struct Iversion : pa::IDispatch {
    static constexpr pa::IID iid = IID_Iversion;
};
struct Icom_vector : pa::IDispatch {
    static constexpr pa::IID iid = IID_Icom_vector;
};
struct Iupdate_check : pa::IDispatch {
    static constexpr pa::IID iid = IID_Iupdate_check;
};
struct Ijob : pa::IDispatch {
    static constexpr pa::IID iid = IID_Ijob;
};

} // namespace gorlith
