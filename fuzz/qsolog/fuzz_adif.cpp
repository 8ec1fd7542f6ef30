// Feeds arbitrary bytes to the ADIF reader. Every record it reads either maps
// to a QSO or gives an error; the QSOs, written as ADIF and read back, map to
// the same QSOs again, and no record of our own output is ever broken.

#include "qsolog/Adif.h"
#include "qsolog/AdifModes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

using namespace tamrel;

// A zone with summer time, so that skipped and repeated hours are met.
const bool kZoneSet = [] {
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    return true;
}();

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "fuzz_adif: %s\n", why);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)kZoneSet;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const AdifData first = readAdif(text);

    for (const QsoKind kind : {QsoKind::Normal, QsoKind::Contest}) {
        AdifImportOptions options;
        options.kind = kind;
        options.unknown = (size & 1) ? UnknownAdifFields::KeepInComment : UnknownAdifFields::Ignore;
        options.clock = LogClock{(size & 2) == 0, static_cast<uint8_t>(size >> 2)};
        std::vector<QSORecord> qsos;
        for (const AdifRecord& r : first.records) {
            AdifQso q = qsoFromAdif(r, options);
            if (q.record.has_value() == !q.error.empty())
                fail("a record gives both a QSO and an error, or neither");
            if (q.record) {
                if (!q.record->fits())
                    fail("an imported QSO does not fit its fields");
                qsos.push_back(*q.record);
            }
        }

        AdifExportOptions out;
        out.programVersion = "fuzz";
        out.clock = options.clock;
        const AdifExport written = writeAdif(qsos, out, 0);
        const AdifData second = readAdif(written.text);
        if (!second.problems.empty() || second.records.size() != written.written)
            fail("our own output does not read back whole");
        std::size_t n = 0;
        AdifImportOptions back = options;
        back.unknown = UnknownAdifFields::Ignore;
        for (std::size_t i = 0; i < qsos.size(); ++i) {
            // A QSO without a mode ADIF knows is named by the export, not written.
            if (qsos[i].call.empty() ||
                (qsoModeName(qsos[i]).empty() ||
                 (!qsos[i].adifMode.empty() && !adifModeOfName(qsos[i].adifMode))))
                continue;
            AdifQso again = qsoFromAdif(second.records[n++], back);
            if (!again.record)
                fail("our own record is not a QSO");
            QSORecord expected = qsos[i];
            // A QSO without a known mode, or with an unknown band, maps the same way again.
            if (again.record->call != expected.call || again.record->time != expected.time ||
                again.record->frequency != expected.frequency ||
                again.record->mode != expected.mode ||
                again.record->adifMode != expected.adifMode || again.record->qsl != expected.qsl) {
                std::fprintf(stderr, "%s %lld %d %d %d / %s %lld %d %d %d\n",
                             again.record->call.c_str(), static_cast<long long>(again.record->time),
                             again.record->frequency, again.record->mode, again.record->qsl,
                             expected.call.c_str(), static_cast<long long>(expected.time),
                             expected.frequency, expected.mode, expected.qsl);
                fail("a QSO does not map back to itself");
            }
        }
    }
    return 0;
}
