#include "AdifModes.h"

#include <algorithm>
#include <array>

namespace tamrel {

namespace {

// ADIF 3.1 modes.
constexpr std::array<std::string_view, 46> kModes = {
    "AM",     "ARDOP",   "ATV",  "CHIP",  "CLO",    "CONTESTI", "CW",     "DIGITALVOICE",
    "DOMINO", "DYNAMIC", "FAX",  "FM",    "FSK441", "FT8",      "HELL",   "ISCAT",
    "JT4",    "JT6M",    "JT9",  "JT44",  "JT65",   "MFSK",     "MSK144", "MT63",
    "OLIVIA", "OPERA",   "PAC",  "PAX",   "PKT",    "PSK",      "PSK2K",  "Q15",
    "QRA64",  "ROS",     "RTTY", "RTTYM", "SSB",    "SSTV",     "T10",    "THOR",
    "THRB",   "TOR",     "V4",   "VOI",   "WINMOR", "WSPR"};

// ADIF 3.1 submodes, each with its mode: those the digital-mode programs log.
constexpr std::array<AdifModePair, 62> kSubmodes = {{
    {"MFSK", "FT4"},
    {"MFSK", "FST4"},
    {"MFSK", "FST4W"},
    {"MFSK", "JS8"},
    {"MFSK", "Q65"},
    {"MFSK", "JTMS"},
    {"MFSK", "MFSK4"},
    {"MFSK", "MFSK8"},
    {"MFSK", "MFSK11"},
    {"MFSK", "MFSK16"},
    {"MFSK", "MFSK22"},
    {"MFSK", "MFSK31"},
    {"MFSK", "MFSK32"},
    {"MFSK", "MFSK64"},
    {"MFSK", "MFSK128"},
    {"MFSK", "FSQCALL"},
    {"PSK", "PSK31"},
    {"PSK", "PSK63"},
    {"PSK", "PSK63F"},
    {"PSK", "PSK125"},
    {"PSK", "PSK250"},
    {"PSK", "PSK500"},
    {"PSK", "PSK1000"},
    {"PSK", "BPSK31"},
    {"PSK", "BPSK63"},
    {"PSK", "BPSK125"},
    {"PSK", "QPSK31"},
    {"PSK", "QPSK63"},
    {"PSK", "QPSK125"},
    {"PSK", "QPSK250"},
    {"PSK", "QPSK500"},
    {"PSK", "PSK10"},
    {"PSK", "PSKAM10"},
    {"PSK", "PSKFEC31"},
    {"PSK", "8PSK125"},
    {"PSK", "8PSK250"},
    {"PSK", "8PSK500"},
    {"PSK", "8PSK1000"},
    {"JT65", "JT65A"},
    {"JT65", "JT65B"},
    {"JT65", "JT65B2"},
    {"JT65", "JT65C"},
    {"JT65", "JT65C2"},
    {"JT4", "JT4A"},
    {"JT4", "JT4B"},
    {"JT4", "JT4C"},
    {"JT4", "JT4D"},
    {"JT4", "JT4E"},
    {"JT4", "JT4F"},
    {"JT4", "JT4G"},
    {"JT9", "JT9-1"},
    {"JT9", "JT9-2"},
    {"JT9", "JT9-5"},
    {"JT9", "JT9-10"},
    {"JT9", "JT9-30"},
    {"DIGITALVOICE", "C4FM"},
    {"DIGITALVOICE", "DMR"},
    {"DIGITALVOICE", "DSTAR"},
    {"DIGITALVOICE", "FREEDV"},
    {"DIGITALVOICE", "M17"},
    {"CW", "PCW"},
    {"RTTY", "ASCI"},
}};

std::string upper(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            out.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    return out;
}

} // namespace

std::optional<AdifModePair> adifModeOfName(std::string_view name) {
    const std::string n = upper(name);
    for (const AdifModePair& s : kSubmodes)
        if (s.submode == n)
            return s;
    for (std::string_view m : kModes)
        if (m == n)
            return AdifModePair{m, {}};
    return std::nullopt;
}

std::string lineModeOfAdif(std::string_view mode, std::string_view submode) {
    const std::string m = upper(mode);
    const std::string s = upper(submode);
    for (const AdifModePair& p : kSubmodes)
        if (p.submode == s && (m.empty() || p.mode == m))
            return s;
    if (std::find(kModes.begin(), kModes.end(), m) != kModes.end())
        return m;
    return {};
}

std::string_view cabrilloModeOfName(std::string_view name) {
    const std::optional<AdifModePair> p = adifModeOfName(name);
    if (!p)
        return {};
    if (p->mode == "SSB" || p->mode == "AM" || p->mode == "DIGITALVOICE")
        return "PH";
    if (p->mode == "FM")
        return "FM";
    if (p->mode == "RTTY")
        return "RY";
    if (p->mode == "CW")
        return "CW";
    return "DG";
}

} // namespace tamrel
