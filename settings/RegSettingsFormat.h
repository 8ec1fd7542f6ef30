#pragma once
// The REGEDIT4 file format (settings/RegFile.h) as a QSettings format, so
// QSettings brings its file locking, atomic save (QSaveFile) and in-process
// sharing of one file between QSettings objects and threads.
//
// QSettings key: the key path and the value name, each component escaped and
// joined with "/":
//   HKEY_LOCAL_MACHINE/SOFTWARE/ZZ9ZZ Software/Rig Control/Comm Port/Speed
// Escapes: "%" -> %25, "/" -> %2F, "\" -> %5C; the default value "@" -> %40.
//
// QVariant types, one per registry type, so a type survives a round trip:
// | file         | QVariant            |
// |--------------|---------------------|
// | "text"       | QString             |
// | dword:       | uint (quint32)      |
// | hex:         | QByteArray          |
// The writer refuses any other type (QSettings then reports AccessError and
// the file on disk stays as it was).
//
// A file that does not parse reads as the single entry kReadErrorKey holding
// the error text. This (rather than failing the read, which QSettings reports
// once and then caches as an empty store) lets every later QSettings object
// see the fault, and the writer refuses to write over such a file. A key with
// no values is not kept: QSettings has no place for it.

#include <QSettings>
#include <QString>

namespace tamrel::reg {

inline constexpr char kReadErrorKey[] = "%ERROR";
inline constexpr char kDefaultValueName[] = "%40";

// The format, registered with QSettings on first use (thread-safe).
QSettings::Format settingsFormat();

QString escapeComponent(const QString& component);
QString unescapeComponent(const QString& component);

// The format's read and write functions, open for tests.
bool readSettings(QIODevice& device, QSettings::SettingsMap& map);
bool writeSettings(QIODevice& device, const QSettings::SettingsMap& map);

} // namespace tamrel::reg
