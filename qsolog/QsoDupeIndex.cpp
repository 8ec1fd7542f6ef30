#include "QsoDupeIndex.h"

#include <array>

namespace tamrel {

int modeFamily(int code) {
    switch (code) {
    case 1:
    case 2:
        return 1;
    case 3:
    case 7:
        return 3;
    case 6:
    case 9:
        return 6;
    default:
        return 0;
    }
}

int modeFamily(const QSORecord& r) {
    if (r.adifMode.empty() || modeFamily(r.mode) != 0)
        return modeFamily(r.mode);
    std::string name;
    for (char c : r.adifMode)
        name.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    // Past the radio's codes; the index keeps no names.
    return 16 + static_cast<int>(std::hash<std::string>{}(name)&0x3FFFFFFF);
}

void QsoDupeIndex::rebuild(std::span<const QSORecord> records) {
    byCall_.clear();
    for (const QSORecord& r : records)
        add(r);
}

void QsoDupeIndex::add(const QSORecord& r) {
    byCall_[r.call].push_back({r.time, r.band, modeFamily(r)});
}

void QsoDupeIndex::remove(const QSORecord& r) {
    const auto it = byCall_.find(std::string_view(r.call));
    if (it == byCall_.end())
        return;
    std::vector<Entry>& entries = it->second;
    const int family = modeFamily(r);
    for (auto e = entries.begin(); e != entries.end(); ++e)
        if (e->time == r.time && e->band == r.band && e->family == family) {
            entries.erase(e);
            break;
        }
    if (entries.empty())
        byCall_.erase(it);
}

DupeCheck QsoDupeIndex::check(std::string_view call, int band, int mode, QsoKind kind) const {
    DupeCheck result;
    // Calls fit in 19 bytes; a longer text was never logged.
    std::array<char, 32> buf{};
    if (call.empty() || call.size() >= buf.size())
        return result;
    for (std::size_t i = 0; i < call.size(); ++i) {
        const char c = call[i];
        buf[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const auto it = byCall_.find(std::string_view(buf.data(), call.size()));
    if (it == byCall_.end())
        return result;
    const int family = modeFamily(mode);
    result.worked = static_cast<int64_t>(it->second.size());
    for (const Entry& e : it->second)
        if (e.band == band && e.family == family)
            ++result.sameBandMode;
    result.dupe = kind == QsoKind::Contest ? result.worked > 0 : result.sameBandMode > 0;
    return result;
}

bool QsoDupeIndex::hasNear(const QSORecord& r, int64_t seconds) const {
    const auto it = byCall_.find(std::string_view(r.call));
    if (it == byCall_.end())
        return false;
    const int family = modeFamily(r);
    for (const Entry& e : it->second) {
        const int64_t apart = e.time > r.time ? e.time - r.time : r.time - e.time;
        if (e.band == r.band && e.family == family && apart <= seconds)
            return true;
    }
    return false;
}

std::string dupeText(std::string_view call, const DupeCheck& c, QsoKind kind) {
    if (c.worked == 0)
        return {};
    std::string text = c.dupe ? "DUPE: " : "Worked before: ";
    for (char ch : call)
        text.push_back((ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch);
    text += " worked " + std::to_string(c.worked) + (c.worked == 1 ? " time" : " times");
    if (kind == QsoKind::Contest)
        text += " in this contest";
    if (c.sameBandMode > 0)
        text += c.sameBandMode == c.worked
                    ? ", on this band and mode"
                    : ", " + std::to_string(c.sameBandMode) + " on this band and mode";
    else
        text += ", not on this band and mode";
    return text;
}

} // namespace tamrel
