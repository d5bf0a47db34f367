#include "comm/event_log.h"

#include <gtest/gtest.h>

TEST(CommEventLog, HeaderStandsAlone) { SUCCEED(); }
