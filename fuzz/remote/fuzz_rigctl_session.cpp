// The rigctld command-line parser fed arbitrary lines: it must never crash,
// every reply must end with a line end, and a line that is not a quit leaves
// the session open. The model and operations run without a radio, as if it
// had answered.

#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"
#include "remote/RigctlSession.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace tamrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    K2RadioModel model;
    RadioOperations ops(model);
    // A radio that answered, so reads reach the model.
    model.UpdateLink([](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
    model.UpdateLink([](LinkMonitor& l) { return l.OnReply(LinkMonitor::Clock::now()); });
    RigctlSession session(ops);
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // One session for every line of the input, as one connection sees them.
    while (!input.empty() && !session.WantsClose()) {
        const std::size_t end = input.find('\n');
        const std::string_view line = input.substr(0, end);
        const std::string reply = session.HandleLine(line);
        if (!reply.empty() && reply.back() != '\n')
            std::abort();
        if (end == std::string_view::npos)
            break;
        input.remove_prefix(end + 1);
    }
    return 0;
}
