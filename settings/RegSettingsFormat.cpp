#include "settings/RegSettingsFormat.h"

#include "settings/RegFile.h"

#include <QIODevice>
#include <QStringList>

namespace tamrel::reg {

QSettings::Format settingsFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat("reg", readSettings, writeSettings, Qt::CaseSensitive);
    return format;
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
        map.insert(QString::fromLatin1(kReadErrorKey),
                   QString::fromStdString(describe(*result.error)));
        return true;
    }
    for (const auto& [path, values] : result.doc) {
        QStringList parts;
        for (const std::string& p : path)
            parts << escapeComponent(QString::fromStdString(p));
        const QString prefix = parts.join(u'/') + u'/';
        for (const auto& [name, v] : values) {
            const QString key = prefix + escapeComponent(QString::fromStdString(name));
            switch (v.type) {
            case ValueType::Text:
                map.insert(key, QString::fromStdString(v.text));
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

bool writeSettings(QIODevice& device, const QSettings::SettingsMap& map) {
    if (map.contains(QString::fromLatin1(kReadErrorKey)))
        return false;
    Document doc;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
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
    const std::string text = write(doc);
    return device.write(text.data(), static_cast<qint64>(text.size())) ==
           static_cast<qint64>(text.size());
}

} // namespace tamrel::reg
