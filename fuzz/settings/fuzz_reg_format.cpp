// Feeds arbitrary bytes to the settings file reader. Whatever parses must
// write and read back to the same keys and values, and the same bytes; the
// QSettings binding must not crash and must read back what it wrote.

#include "settings/RegFile.h"
#include "settings/RegSettingsFormat.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tamrel::reg;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParseResult r = parse(text);
    if (!r.ok()) {
        if (r.error->line < 1 || r.error->message.empty())
            std::abort();
        return 0;
    }
    const std::string written = write(r.doc);
    const ParseResult again = parse(written);
    if (!again.ok() || again.doc != r.doc || write(again.doc) != written)
        std::abort();

    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    if (!readSettings(in, map) || map.contains(QString::fromLatin1(kReadErrorKey)))
        std::abort();
    QByteArray out;
    QBuffer outBuffer(&out);
    outBuffer.open(QIODevice::WriteOnly);
    // Refusal is allowed (a key name with a line break has no place in the file).
    if (writeSettings(outBuffer, map)) {
        outBuffer.close();
        outBuffer.open(QIODevice::ReadOnly);
        QSettings::SettingsMap back;
        if (!readSettings(outBuffer, back) || back != map)
            std::abort();
    }
    return 0;
}
