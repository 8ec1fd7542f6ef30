#include "settings/RegSettingsFormat.h"

#include "platform/DurableFile.h"
#include "settings/RegFile.h"

#include <QFile>
#include <QIODevice>
#include <QStringDecoder>
#include <QStringList>

#include <sys/stat.h>

namespace tamrel::reg {

namespace {
// Far beyond any settings file; a larger one is not read.
constexpr std::size_t kMaxSettingsBytes = 16 << 20;

// QString::fromStdString drops a U+FEFF at the start, and a name or a text
// may begin with one.
QString FromUtf8(const std::string& s) {
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
}
} // namespace

QSettings::Format settingsFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat("reg", readSettings, writeSettings, Qt::CaseSensitive);
    return format;
}

QString fileStamp(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(st.st_dev)
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec);
}

QString escapeComponent(const QString& component) {
    if (component.isEmpty())
        return QString::fromLatin1(kDefaultValueName);
    QString out = component;
    out.replace(QStringLiteral("%"), QStringLiteral("%25"))
        .replace(QStringLiteral("/"), QStringLiteral("%2F"))
        .replace(QStringLiteral("\\"), QStringLiteral("%5C"));
    return out;
}

QString unescapeComponent(const QString& component) {
    if (component == QLatin1String(kDefaultValueName))
        return {};
    QString out;
    for (qsizetype i = 0; i < component.size(); ++i) {
        QStringView esc = QStringView(component).mid(i, 3);
        if (esc == u"%25" || esc == u"%2F" || esc == u"%5C") {
            out += esc == u"%25" ? u'%' : esc == u"%2F" ? u'/' : u'\\';
            i += 2;
        } else {
            out += component[i];
        }
    }
    return out;
}

bool readSettings(QIODevice& device, QSettings::SettingsMap& map) {
    const QByteArray bytes = device.readAll();
    ParseResult result = parse(std::string_view(bytes.constData(), bytes.size()));
    if (!result.ok()) {
        QStringList problems;
        for (const ParseError& p : result.problems)
            problems << QString::fromStdString(describe(p));
        map.insert(QString::fromLatin1(kProblemsKey), problems);
        if (const auto* file = qobject_cast<QFileDevice*>(&device))
            map.insert(QString::fromLatin1(kStampKey), fileStamp(file->fileName()));
    }
    for (const auto& [path, values] : result.doc) {
        QStringList parts;
        for (const std::string& p : path)
            parts << escapeComponent(FromUtf8(p));
        const QString prefix = parts.join(u'/') + u'/';
        for (const auto& [name, v] : values) {
            const QString key = prefix + escapeComponent(FromUtf8(name));
            switch (v.type) {
            case ValueType::Text:
                map.insert(key, FromUtf8(v.text));
                break;
            case ValueType::Dword:
                map.insert(key, QVariant::fromValue<quint32>(v.dword));
                break;
            case ValueType::Binary:
                map.insert(key, QByteArray(reinterpret_cast<const char*>(v.bytes.data()),
                                           static_cast<qsizetype>(v.bytes.size())));
                break;
            }
        }
    }
    return true;
}

namespace {

// Before `device` replaces its file: when the file there has lines that do not
// read, copies it beside itself (unless that copy is already there). False
// when it could not be read or copied.
bool keepBadOriginal(QIODevice& device) {
    const auto* target = qobject_cast<QFileDevice*>(&device);
    if (!target || target->fileName().isEmpty())
        return true;
    const std::string path = QFile::encodeName(target->fileName()).toStdString();
    const file::Contents current = file::ReadWhole(path, kMaxSettingsBytes);
    if (current.status == file::Contents::Status::Missing)
        return true;
    if (current.status != file::Contents::Status::Ok)
        return false;
    if (parse(current.bytes).ok())
        return true;
    const std::string backup = path + kBackupSuffix;
    if (file::ReadWhole(backup, kMaxSettingsBytes).bytes == current.bytes)
        return true;
    return file::WriteWhole(backup, current.bytes).ok();
}

bool isSpecial(const QString& key) {
    return key == QLatin1String(kProblemsKey) || key == QLatin1String(kStampKey);
}

} // namespace

bool writeSettings(QIODevice& device, const QSettings::SettingsMap& map) {
    Document doc;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (isSpecial(it.key()))
            continue;
        const QStringList parts = it.key().split(u'/');
        if (parts.size() < 2)
            return false; // a value outside any key
        KeyPath path;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            std::string part = unescapeComponent(parts[i]).toStdString();
            // A key name cannot hold the path separator or a line break.
            if (part.empty() || part.find_first_of("\\\r\n") != std::string::npos)
                return false;
            path.push_back(std::move(part));
        }
        const std::string name = unescapeComponent(parts.back()).toStdString();
        const QVariant& v = it.value();
        Value value;
        switch (v.typeId()) {
        case QMetaType::QString:
            value = Value::ofText(v.toString().toStdString());
            break;
        case QMetaType::UInt:
            value = Value::ofDword(v.toUInt());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            value = Value::ofBinary(std::vector<uint8_t>(b.begin(), b.end()));
            break;
        }
        default:
            return false;
        }
        doc[path][name] = std::move(value);
    }
    if (!keepBadOriginal(device))
        return false;
    const std::string text = write(doc);
    return device.write(text.data(), static_cast<qint64>(text.size())) ==
           static_cast<qint64>(text.size());
}

} // namespace tamrel::reg
