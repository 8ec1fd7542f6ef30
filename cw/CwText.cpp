#include "cw/CwText.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>

namespace tamrel::cw {

namespace {

struct MacroName {
    std::string_view name;
    int id;
};
constexpr std::array<MacroName, 9> kMacros = {{{"MC", 1},
                                               {"MN", 2},
                                               {"MQ", 3},
                                               {"MS", 4},
                                               {"HC", 5},
                                               {"HN", 6},
                                               {"HQ", 7},
                                               {"HS", 8},
                                               {"SN", 9}}};
constexpr int kSerialId = 9;

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

bool IsBreakCharacter(char c) {
    return c != '\0' && kBreakCharacters.find(c) != std::string_view::npos;
}

bool IsKeyable(char c) {
    const auto u = static_cast<unsigned char>(c);
    return c != ';' && u >= 0x20 && u != 0x7f;
}

std::string KeyableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(out), IsKeyable);
    return out;
}

int MacroId(std::string_view name) {
    if (name.size() != 2)
        return 0;
    const char a = upper(name[0]);
    const char b = upper(name[1]);
    for (const MacroName& m : kMacros)
        if (m.name[0] == a && m.name[1] == b)
            return m.id;
    return 0;
}

std::string FormatSerial(int32_t counter, uint8_t outputMode) {
    const std::size_t digits = std::min<std::size_t>(outputMode & 0x7F, 5);
    const bool cut = (outputMode & 0x80) != 0;
    std::string number = std::to_string(counter);
    if (cut)
        std::replace(number.begin(), number.end(), '0', 'T');
    if (number.size() < digits)
        number.insert(0, digits - number.size(), cut ? 'T' : '0');
    return number;
}

std::string ExpandMacros(std::string_view text, const MacroVariables& variables, int32_t& counter,
                         uint8_t outputMode) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i++];
        if (c != '~') {
            out.push_back(c);
            continue;
        }
        const std::string_view name = text.substr(i, 2);
        i += name.size();
        const int id = MacroId(name);
        if (id == 0) {
            for (char n : name)
                out.push_back(upper(n));
        } else if (id == kSerialId) {
            out += FormatSerial(counter, outputMode);
            if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
                // The counter stops at its ends rather than wrap into nonsense.
                if (text[i] == '+' && counter < INT32_MAX)
                    ++counter;
                else if (text[i] == '-' && counter > INT32_MIN)
                    --counter;
                ++i;
            }
        } else {
            out += variables[static_cast<std::size_t>(id - 1)];
        }
    }
    return out;
}

bool UsesSerial(std::string_view text) {
    // Read as ExpandMacros reads: a name is the two characters after "~".
    for (std::size_t i = text.find('~'); i != std::string_view::npos; i = text.find('~', i + 3))
        if (MacroId(text.substr(i + 1, 2)) == kSerialId)
            return true;
    return false;
}

} // namespace tamrel::cw
