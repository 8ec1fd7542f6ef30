#pragma once
// The registry export format (settings/RegFile.h) as a QSettings format, so
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
// A file with lines that could not be read gives the values of the other
// lines, and two entries outside the key tree, so that every QSettings object
// reading the file sees them (a failed read would be reported only once):
//   kProblemsKey  QStringList, "line 12: unterminated text" for each such line
//   kStampKey     QString, fileStamp() of the file these lines were found in;
//                 QSettings keeps both in its copy after it has written the
//                 file anew, and a stamp that no longer matches says so.
// They are never written. Before the writer replaces a file whose lines do not
// all read, it copies it, all or nothing, to kBackupSuffix beside it; when that
// copy cannot be made it writes nothing. (This relies on QSettings saving
// through a temporary file, its default: the old file is still there to read.)
// A key with no values is not kept: QSettings has no place for it.

#include <QSettings>
#include <QString>

namespace tamrel::reg {

// Escaped key components never begin with "%" and a letter other than these.
inline constexpr char kProblemsKey[] = "%PROBLEMS";
inline constexpr char kStampKey[] = "%STAMP";
inline constexpr char kBackupSuffix[] = ".bad";
inline constexpr char kDefaultValueName[] = "%40";

// The format, registered with QSettings on first use (thread-safe).
QSettings::Format settingsFormat();

QString escapeComponent(const QString& component);
QString unescapeComponent(const QString& component);

// Identifies one version of a file: device, inode, size and modification
// time (a save renames a new file into place). Empty when there is no file.
QString fileStamp(const QString& path);

// The format's read and write functions, open for tests. Devices that are not
// files (QBuffer) have no stamp and nothing to keep.
bool readSettings(QIODevice& device, QSettings::SettingsMap& map);
bool writeSettings(QIODevice& device, const QSettings::SettingsMap& map);

} // namespace tamrel::reg
