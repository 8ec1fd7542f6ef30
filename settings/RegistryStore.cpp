#include "settings/RegistryStore.h"

#include "settings/LoadProblemLog.h"
#include "settings/RegEncoding.h"
#include "settings/RegSettingsFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStringList>

#include <mutex>

namespace tamrel::detail {

namespace {
const QString& rootGroup() {
    static const QString root =
        QStringLiteral("HKEY_LOCAL_MACHINE/SOFTWARE/ZZ9ZZ Software/Rig Control");
    return root;
}

QString group(const char* key) {
    return *key ? rootGroup() + u'/' + reg::escapeComponent(QString::fromUtf8(key)) : rootGroup();
}
// Qt guards its one in-process copy of the file with futex-based locks that
// the thread sanitizer cannot see. Holding this lock as well around every
// QSettings call (never around a message box) makes the ordering visible to it.
std::mutex& qtSettingsMutex() {
    static std::mutex mutex;
    return mutex;
}

// QSettings takes a lock file beside the file to read and to save. A crash or
// a power cut between its creation and its first write leaves it empty: it
// names no owner, so only its age shows it is stale, and the next start would
// wait half a minute for that. A live writer names itself at once.
void DropOwnerlessLock(const QString& file) {
    const QString path = file + QStringLiteral(".lock");
    if (QFileInfo::exists(path) && !QLockFile(path).getLockInfo(nullptr, nullptr, nullptr))
        QFile::remove(path);
}
} // namespace

RegistryStore::RegistryStore(const std::string& file, LoadProblemLog& problems) {
    QStringList lines;
    {
        std::lock_guard lock(qtSettingsMutex());
        DropOwnerlessLock(QString::fromStdString(file));
        settings_.emplace(QString::fromStdString(file), reg::settingsFormat());
        // Not status() == AccessError: QSettings also reports that when it could
        // not write changes still pending from an earlier failed save, and the
        // file is readable then. A read that fails shows in the file's state.
        QFileInfo info(settings_->fileName());
        broken_ = settings_->status() == QSettings::FormatError ||
                  (info.exists() && (!info.isFile() || !info.isReadable()));
        // Problems of a file that has since been written anew are not its own.
        if (settings_->value(QString::fromLatin1(reg::kStampKey)).toString() ==
            reg::fileStamp(settings_->fileName()))
            lines = settings_->value(QString::fromLatin1(reg::kProblemsKey)).toStringList();
    }
    if (!lines.isEmpty()) {
        const std::string name = QFileInfo(QString::fromStdString(file)).fileName().toStdString();
        std::vector<std::string> found;
        for (const QString& line : lines)
            found.push_back(name + ' ' + line.toStdString());
        problems.add(found);
    }
}

RegistryStore::~RegistryStore() {
    std::lock_guard lock(qtSettingsMutex()); // its destructor saves pending changes
    settings_.reset();
}

bool RegistryStore::keyExists(const char* key) {
    if (broken_)
        return true;
    std::lock_guard lock(qtSettingsMutex());
    settings_->beginGroup(group(key));
    const bool exists = !settings_->childKeys().isEmpty() || !settings_->childGroups().isEmpty();
    settings_->endGroup();
    return exists;
}

QString RegistryStore::path(const char* key, std::string_view name) const {
    return group(key) + u'/' +
           reg::escapeComponent(
               QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

ReadStatus RegistryStore::raw(const char* key, std::string_view name, QVariant& value) {
    if (broken_)
        return ReadStatus::Error;
    const QString p = path(key, name);
    std::lock_guard lock(qtSettingsMutex());
    if (!settings_->contains(p))
        return ReadStatus::Missing;
    value = settings_->value(p);
    return ReadStatus::Ok;
}

Read<std::string> RegistryStore::text(const char* key, std::string_view name, size_t limit) {
    QVariant v;
    if (ReadStatus status = raw(key, name, v); status != ReadStatus::Ok)
        return {status, {}};
    if (v.typeId() != QMetaType::QString)
        return {ReadStatus::Error, {}};
    std::string s = v.toString().toStdString();
    // Like a too-small read buffer: an over-long text is not read at all.
    if (reg::countChars(s) > limit)
        return {ReadStatus::Error, {}};
    return {ReadStatus::Ok, std::move(s)};
}

Read<uint32_t> RegistryStore::dword(const char* key, std::string_view name) {
    QVariant v;
    if (ReadStatus status = raw(key, name, v); status != ReadStatus::Ok)
        return {status, 0};
    if (v.typeId() != QMetaType::UInt)
        return {ReadStatus::Error, 0};
    return {ReadStatus::Ok, v.toUInt()};
}

Read<uint8_t> RegistryStore::byte(const char* key, std::string_view name) {
    QVariant v;
    if (ReadStatus status = raw(key, name, v); status != ReadStatus::Ok)
        return {status, 0};
    if (v.typeId() != QMetaType::QByteArray || v.toByteArray().size() != 1)
        return {ReadStatus::Error, 0};
    return {ReadStatus::Ok, static_cast<uint8_t>(v.toByteArray()[0])};
}

Read<uint16_t> RegistryStore::wordBE(const char* key, std::string_view name) {
    QVariant v;
    if (ReadStatus status = raw(key, name, v); status != ReadStatus::Ok)
        return {status, 0};
    const QByteArray b = v.toByteArray();
    if (v.typeId() != QMetaType::QByteArray || b.size() != 2)
        return {ReadStatus::Error, 0};
    const auto hi = static_cast<uint8_t>(b[0]);
    const auto lo = static_cast<uint8_t>(b[1]);
    return {ReadStatus::Ok, static_cast<uint16_t>(hi * 256 + lo)};
}

void RegistryStore::putText(const char* key, std::string_view name, std::string_view text,
                            size_t limit) {
    if (broken_)
        return;
    const std::string_view clipped = reg::clipChars(text, limit);
    std::lock_guard lock(qtSettingsMutex());
    settings_->setValue(path(key, name),
                        QString::fromUtf8(clipped.data(), static_cast<qsizetype>(clipped.size())));
}

void RegistryStore::putDword(const char* key, std::string_view name, uint32_t v) {
    if (broken_)
        return;
    std::lock_guard lock(qtSettingsMutex());
    settings_->setValue(path(key, name), QVariant::fromValue<quint32>(v));
}

void RegistryStore::putByte(const char* key, std::string_view name, uint8_t v) {
    if (broken_)
        return;
    std::lock_guard lock(qtSettingsMutex());
    settings_->setValue(path(key, name), QByteArray(1, static_cast<char>(v)));
}

void RegistryStore::putWordBE(const char* key, std::string_view name, uint16_t v) {
    if (broken_)
        return;
    QByteArray b;
    b.append(static_cast<char>(v >> 8));
    b.append(static_cast<char>(v & 0xFF));
    std::lock_guard lock(qtSettingsMutex());
    settings_->setValue(path(key, name), b);
}

bool RegistryStore::commit() {
    if (broken_)
        return false;
    std::lock_guard lock(qtSettingsMutex());
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

} // namespace tamrel::detail
