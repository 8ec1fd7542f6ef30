#include "WsjtxMessage.h"

#include "LogClock.h"

#include <limits>

namespace tamrel::wsjtx {

namespace {

// A datagram read field by field; any read past its end fails it whole.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return at_ >= bytes_.size(); }

    uint64_t number(std::size_t size) {
        if (!ok_ || bytes_.size() - at_ < size) {
            ok_ = false;
            return 0;
        }
        uint64_t v = 0;
        for (std::size_t i = 0; i < size; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes_[at_++]);
        return v;
    }
    uint32_t u32() { return static_cast<uint32_t>(number(4)); }

    // A QByteArray: none (null) and empty are both empty.
    std::string text() {
        const uint32_t size = u32();
        if (size == 0xFFFFFFFFu || !ok_)
            return {};
        if (bytes_.size() - at_ < size) {
            ok_ = false;
            return {};
        }
        std::string out(bytes_.substr(at_, size));
        at_ += size;
        return out;
    }

    // Seconds since 1970 in UTC; none for a null or invalid date and time.
    std::optional<int64_t> dateTime() {
        const auto julianDay = static_cast<int64_t>(number(8));
        const uint32_t ms = u32();
        const auto spec = static_cast<uint8_t>(number(1));
        int64_t offset = 0;
        if (spec == 2)
            offset = static_cast<int32_t>(u32());
        else if (spec > 2)
            ok_ = false; // a zone by name: WSJT-X sends none, and its offset is not known here
        // Julian day 2440588 is 1970-01-01; years 1..9999 only.
        constexpr int64_t kEpoch = 2440588, kFirst = 1721426, kLast = 5373484;
        if (!ok_ || julianDay < kFirst || julianDay > kLast || ms >= 86400000u)
            return std::nullopt;
        return (julianDay - kEpoch) * 86400 + ms / 1000 - offset;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

void put(AdifRecord& r, std::string name, std::string value) {
    if (!value.empty())
        r.fields.push_back({std::move(name), std::move(value)});
}

std::string digits(int v, std::size_t width) {
    std::string s = std::to_string(v);
    if (s.size() < width)
        s.insert(0, width - s.size(), '0');
    return s;
}

void putTime(AdifRecord& r, int64_t utc) {
    const LocalTime t = civilTime(utc);
    put(r, "QSO_DATE", digits(t.year, 4) + digits(t.month, 2) + digits(t.day, 2));
    put(r, "TIME_ON", digits(t.hour, 2) + digits(t.minute, 2) + digits(t.second, 2));
}

std::optional<AdifRecord> qsoLogged(Reader& in) {
    AdifRecord r;
    const std::optional<int64_t> off = in.dateTime();
    put(r, "CALL", in.text());
    put(r, "GRIDSQUARE", in.text());
    const uint64_t hz = in.number(8);
    put(r, "MODE", in.text());
    put(r, "RST_SENT", in.text());
    put(r, "RST_RCVD", in.text());
    put(r, "TX_PWR", in.text());
    put(r, "COMMENT", in.text());
    put(r, "NAME", in.text());
    if (!in.ok())
        return std::nullopt;
    std::optional<int64_t> on;
    // Fields added by later versions, each present only when the program has it.
    if (!in.atEnd())
        on = in.dateTime();
    for (const char* name :
         {"OPERATOR", "STATION_CALLSIGN", "MY_GRIDSQUARE", "STX_STRING", "SRX_STRING", "PROP_MODE"})
        if (!in.atEnd())
            put(r, name, in.text());
    if (!in.ok())
        return std::nullopt;
    if (!on)
        on = off;
    if (!on || hz > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    putTime(r, *on);
    if (hz > 0)
        put(r, "FREQ", adifFrequency(static_cast<int32_t>(hz)));
    return r;
}

} // namespace

std::optional<LoggedQso> readLoggedQso(std::string_view datagram) {
    Reader in(datagram);
    const uint32_t magic = in.u32();
    const uint32_t schema = in.u32();
    const uint32_t type = in.u32();
    LoggedQso q;
    q.id = in.text();
    if (!in.ok() || magic != kMagic || schema < 2 || schema > 3)
        return std::nullopt;
    if (type == kQsoLogged) {
        std::optional<AdifRecord> r = qsoLogged(in);
        if (!r)
            return std::nullopt;
        q.record = std::move(*r);
        return q;
    }
    if (type == kLoggedAdif) {
        const std::string text = in.text();
        if (!in.ok())
            return std::nullopt;
        AdifData data = readAdif(text);
        if (data.records.size() != 1 || !data.problems.empty())
            return std::nullopt;
        q.record = std::move(data.records.front());
        return q;
    }
    return std::nullopt;
}

} // namespace tamrel::wsjtx
