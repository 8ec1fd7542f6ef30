#include "ContestExchange.h"

#include <algorithm>
#include <array>

namespace tamrel {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "599", "579", "59", "5NN", "ENN", "TNN"; letters in either case.
bool reportShape(std::string_view w) {
    auto strength = [](char c) { return (c >= '1' && c <= '9') || upper(c) == 'N'; };
    if (w.size() == 2)
        return w[0] >= '1' && w[0] <= '5' && w[1] >= '1' && w[1] <= '9';
    if (w.size() != 3)
        return false;
    const char r = upper(w[0]);
    return ((r >= '1' && r <= '5') || r == 'E' || r == 'T') && strength(w[1]) && strength(w[2]);
}

bool keyed(std::string_view w) {
    return !digits(w);
}

// The report in digits; a keyed form that gives none (TNN) stays as sent.
std::string reportDigits(std::string_view w) {
    std::string out;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const char c = upper(w[i]);
        out.push_back(c == 'N' ? '9' : (c == 'E' && i == 0) ? '5' : c);
    }
    if (out[0] < '1' || out[0] > '5') {
        out.assign(w);
        for (char& c : out)
            c = upper(c);
    }
    return out;
}

bool isZone(std::string_view w) {
    if (!digits(w) || w.size() > 2)
        return false;
    const int zone = std::stoi(std::string(w));
    return zone >= 1 && zone <= 90; // CQ zones 1-40, ITU zones 1-90
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), s.begin(),
                                                   [](char a, char b) { return a == upper(b); });
}

} // namespace

ExchangeForm exchangeFormOf(std::string_view contest) {
    struct Known {
        std::string_view prefix;
        ExchangeForm form;
    };
    static constexpr std::array<Known, 14> kKnown = {{
        {"CQ-WPX", ExchangeForm::Serial},
        {"CQ-WW-VHF", ExchangeForm::NoReport},
        {"CQ-WW", ExchangeForm::Zone},
        {"IARU-HF", ExchangeForm::Zone},
        {"ARRL-DX", ExchangeForm::StateOrPower},
        {"ARRL-SS", ExchangeForm::NoReport},
        {"ARRL-FD", ExchangeForm::NoReport},
        {"WFD", ExchangeForm::NoReport},
        {"NAQP", ExchangeForm::NoReport},
        {"NA-SPRINT", ExchangeForm::NoReport},
        {"CWOPS", ExchangeForm::NoReport},
        {"EU-SPRINT", ExchangeForm::NoReport},
        {"OK-OM-DX", ExchangeForm::Serial},
        {"UBA-DX", ExchangeForm::Serial},
    }};
    const std::string_view name = trim(contest);
    for (const Known& k : kKnown)
        if (startsWith(name, k.prefix))
            return k.form;
    return ExchangeForm::Any;
}

ExchangeParts splitExchange(std::string_view exchange, ExchangeForm form) {
    const std::string_view text = trim(exchange);
    const std::size_t space = text.find_first_of(" \t");
    const std::string_view first = text.substr(0, space);
    const std::string_view after =
        space == std::string_view::npos ? std::string_view{} : trim(text.substr(space));
    bool report = form != ExchangeForm::NoReport && reportShape(first);
    if (report && after.empty())
        report = keyed(first) || (form == ExchangeForm::Zone && !isZone(first));
    if (!report)
        return {{}, std::string(text)};
    return {reportDigits(first), std::string(after)};
}

bool isSerial(std::string_view rest, ExchangeForm form) {
    return (form == ExchangeForm::Any || form == ExchangeForm::Serial) && digits(rest) &&
           rest.size() <= 9;
}

std::string expandSentExchange(std::string_view pattern, int serial) {
    std::string out;
    for (char c : pattern) {
        if (c != '#') {
            out.push_back(c);
            continue;
        }
        const std::string n = std::to_string(serial);
        if (n.size() < 3)
            out.append(3 - n.size(), '0');
        out += n;
    }
    return out;
}

} // namespace tamrel
