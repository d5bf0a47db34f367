#include "comm/event_log.h"
