// Feeds arbitrary bytes to the settings file reader. Every input reads as the
// values it could read plus its problems, in line order; what was read must
// write (in whichever encoding) and read back without problems to the same
// keys and values and the same bytes. The QSettings binding must not crash
// and must read back what it wrote.

#include "settings/RegFile.h"
#include "settings/RegSettingsFormat.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tamrel::reg;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ParseResult r = parse(bytes);
    if (r.problems.size() > kMaxProblems + 1)
        std::abort();
    int lastLine = 0;
    for (const ParseError& p : r.problems) {
        if (p.line <= lastLine || p.message.empty())
            std::abort();
        lastLine = p.line;
    }
    const std::string written = write(r.doc);
    const ParseResult again = parse(written);
    if (!again.ok() || again.doc != r.doc || write(again.doc) != written)
        std::abort();

    QByteArray input(bytes.data(), static_cast<qsizetype>(size));
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    QSettings::SettingsMap map;
    if (!readSettings(in, map) || map.contains(QString::fromLatin1(kProblemsKey)) != !r.ok())
        std::abort();
    map.remove(QString::fromLatin1(kProblemsKey));
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
