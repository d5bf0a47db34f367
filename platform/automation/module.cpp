#include "platform/automation/module.h"

#include <utility>

namespace platform::automation {

std::thread start_locked_thread(module_state_t& module, std::function<void()> body)
{
    module.lock();
    try {
        return std::thread([&module, body = std::move(body)]() mutable {
            // An exception escaping `body` ends the process, as with any thread.
            body();
            // The callable is code of the locked module: destroy it first.
            body = nullptr;
            module.unlock();
        });
    } catch (...) {
        module.unlock();
        throw;
    }
}

} // namespace platform::automation
