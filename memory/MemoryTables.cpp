#include "MemoryTables.h"

namespace tamrel {

QString TextForValue(std::span<const ValueEntry> table, uint32_t value) {
    const int pos = PositionOfValue(table, value);
    return pos < 0 ? QString() : QString::fromLatin1(table[static_cast<std::size_t>(pos)].text);
}

int PositionOfValue(std::span<const ValueEntry> table, uint32_t value) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].value == value)
            return static_cast<int>(i);
    return -1;
}

uint32_t ReceiveFrequency(const K2RadioState& s) {
    return s.receiveVfo == 1 ? s.vfoB : s.vfoA;
}

K2RadioState NormaliseFlags(K2RadioState s) {
    s.preamp = s.preamp != 0;
    s.attenuator = s.attenuator != 0;
    s.ritOn = s.ritOn != 0;
    s.xitOn = s.xitOn != 0;
    return s;
}

} // namespace tamrel
