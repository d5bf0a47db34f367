#include "model/device_seams.h"

#include <cstdio>

namespace model {

namespace {

class stderr_sink_t final : public IMessageSink {
public:
    void ShowMessage(int id, const std::string& text) override { write("message", id, text); }
    void Log(int id, const std::string& text) override { write("log", id, text); }

private:
    static void write(const char* what, int id, const std::string& text) {
        std::fprintf(stderr, "ostrel %s %d: %s\n", what, id, text.c_str());
    }
};

stderr_sink_t g_stderr_sink;
IMessageSink* g_sink = nullptr;

} // namespace

IMessageSink& Messages() {
    return g_sink != nullptr ? *g_sink : g_stderr_sink;
}

IMessageSink* SetMessageSink(IMessageSink* sink) {
    return std::exchange(g_sink, sink);
}

} // namespace model
