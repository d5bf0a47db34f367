#include "model/device_seams.h"

#include <utility>

namespace model {

namespace {

IMainWindow* g_main_window = nullptr;

} // namespace

IMainWindow* GetMainWindow() {
    return g_main_window;
}

IMainWindow* SetMainWindow(IMainWindow* window) {
    return std::exchange(g_main_window, window);
}

} // namespace model
