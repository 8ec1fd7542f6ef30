// Feeds arbitrary bytes to the log reader as a whole file and as one line.
// Whatever is read must write back to a file that reads as the same QSOs and
// the same kept lines, and writes back to the same bytes again.

#include "qsolog/QsoLine.h"

#include <cstdint>
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

constexpr int64_t kNow = 1070632929; // 5 December 2003

// An unknown mode (-1) is written as an empty field, which reads as mode 0:
// both are "no mode" and show and write the same.
std::vector<QSORecord> modesNamed(std::vector<QSORecord> records) {
    for (QSORecord& r : records)
        if (modeName(r.mode).empty())
            r.mode = 0;
    return records;
}

bool samePassLines(const std::vector<PassLine>& a, const std::vector<PassLine>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].before != b[i].before || a[i].text != b[i].text || a[i].fault != b[i].fault)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)kZoneSet;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const LogText first = readLogText(text, kNow);
    const std::string written = writeLogText(first.records, first.passLines);
    const LogText second = readLogText(written, kNow);
    if (second.records != modesNamed(first.records) ||
        !samePassLines(second.passLines, first.passLines) || second.kind != first.kind)
        std::abort();
    if (writeLogText(second.records, second.passLines) != written)
        std::abort();
    for (const QSORecord& r : first.records)
        if (!r.fits())
            std::abort();

    // The input as one line (as far as its first "\n").
    const std::string_view line = text.substr(0, text.find('\n'));
    const ParsedLine p = parseLine(line, kNow);
    if (p.what == ParsedLine::Class::Qso) {
        const std::string out = formatLine(p.record, 1);
        if (out.size() - 1 > kMaxLineBytes)
            std::abort();
        const ParsedLine again = parseLine(std::string_view(out).substr(0, out.size() - 1), kNow);
        if (again.what != ParsedLine::Class::Qso || again.record != modesNamed({p.record}).front())
            std::abort();
    }
    return 0;
}
