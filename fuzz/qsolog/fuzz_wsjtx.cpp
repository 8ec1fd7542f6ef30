// Feeds arbitrary bytes to the reader of WSJT-X's datagrams, as a listener
// on a UDP port gets them from anyone. A datagram it takes gives a record with
// a real date and time, which maps to a QSO or to a reason, never both.

#include "qsolog/WsjtxMessage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "fuzz_wsjtx: %s\n", why);
    std::abort();
}

bool digits(const std::string* s, std::size_t size) {
    return s && s->size() == size && s->find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tamrel;
    const std::optional<wsjtx::LoggedQso> q =
        wsjtx::readLoggedQso({reinterpret_cast<const char*>(data), size});
    if (!q)
        return 0;
    if (size < 16)
        fail("a datagram shorter than its header was taken");
    for (const QsoKind kind : {QsoKind::Normal, QsoKind::Contest}) {
        AdifImportOptions options;
        options.kind = kind;
        const AdifQso mapped = qsoFromAdif(q->record, options);
        if (mapped.record.has_value() == !mapped.error.empty())
            fail("a record gives both a QSO and an error, or neither");
        if (mapped.record && !mapped.record->fits())
            fail("a QSO does not fit its fields");
    }
    // "QSO Logged" always carries its time; "Logged ADIF" whatever its record holds.
    if (data[11] == 5 &&
        (!digits(q->record.find("QSO_DATE"), 8) || !digits(q->record.find("TIME_ON"), 6)))
        fail("a QSO Logged without a date and time");
    return 0;
}
