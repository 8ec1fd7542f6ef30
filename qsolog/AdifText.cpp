#include "AdifText.h"

#include "LogText.h"

#include <QString>

#include <algorithm>

namespace tamrel::adif {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

bool isDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperText(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = upper(c);
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upper(x) == upper(y); });
}

std::string trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

// The log's text as the windows show it (LogText.h).
std::string utf8Of(std::string_view s) {
    return logTextUtf8(s);
}

// Plain ASCII of a UTF-8 text: accents dropped, other characters "?".
std::string asciiOf(std::string_view utf8) {
    const QString decomposed = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
                                   .normalized(QString::NormalizationForm_KD);
    std::string out;
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        const QChar c = decomposed.at(i);
        if (c.unicode() < 0x80)
            out.push_back(static_cast<char>(c.unicode()));
        else if (c.category() == QChar::Mark_NonSpacing)
            continue;
        else if (c.isLowSurrogate())
            continue; // the high half already gave its "?"
        else
            out.push_back('?');
    }
    return out;
}

} // namespace tamrel::adif
