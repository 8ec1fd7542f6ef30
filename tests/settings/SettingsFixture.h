#pragma once
// A settings store in a temporary config folder, with helpers to read the
// file as it is on disk, to change it behind the store's back and to hear
// what the store announces.

#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "settings/CRigControlRegistry.h"
#include "settings/RegFile.h"
#include "settings/RegSettingsFormat.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace tamrel::test {

// What a getter leaves in `value` (one that cannot read leaves it as it was).
template <class T>
T read(CRigControlRegistry& r, void (CRigControlRegistry::*get)(T&), T value = {}) {
    (r.*get)(value);
    return value;
}

class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ::setenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit().constData(), 1);
        file_ = paths::settingsFile();
    }

    std::string fileBytes() const { return fileBytes(file_); }
    static std::string fileBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    void writeFile(const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(file_).parent_path());
        std::ofstream(file_, std::ios::binary) << text;
    }

    // Sets one value, or removes it when `value` is empty, as a user editing
    // the file would.
    void edit(const QString& sub, const QString& name, const QVariant& value = {}) {
        QSettings s(QString::fromStdString(file_), reg::settingsFormat());
        const QString key =
            "HKEY_LOCAL_MACHINE/SOFTWARE/ZZ9ZZ Software/Rig Control/" + sub + '/' + name;
        if (value.isValid())
            s.setValue(key, value);
        else
            s.remove(key);
        s.sync();
        ASSERT_EQ(s.status(), QSettings::NoError);
    }

    // The file parsed; fails the test when it does not parse.
    reg::Document onDisk() const {
        reg::ParseResult r = reg::parse(fileBytes());
        EXPECT_TRUE(r.ok()) << (r.ok() ? "" : reg::describe(r.problems.front()));
        return r.doc;
    }

    static reg::KeyPath keyPath(const std::string& sub = {}) {
        reg::KeyPath p{"HKEY_LOCAL_MACHINE", "SOFTWARE", "ZZ9ZZ Software", "Rig Control"};
        if (!sub.empty())
            p.push_back(sub);
        return p;
    }

    // The stored value, or a Text value "<missing>" when absent.
    reg::Value stored(const std::string& sub, const std::string& name) const {
        reg::Document doc = onDisk();
        auto key = doc.find(keyPath(sub));
        if (key == doc.end() || !key->second.count(name))
            return reg::Value::ofText("<missing>");
        return key->second.at(name);
    }

    // registry_ as start-up leaves it; from now on its announcements are noted.
    void OpenRegistry() {
        registry_ = std::make_unique<CRigControlRegistry>(prompter_);
        SystemConfig config;
        registry_->GetSystemConfig(config);
        using R = CRigControlRegistry;
        auto note = [this](auto signal, const char* name) {
            QObject::connect(registry_.get(), signal, [this, name] { announced_.push_back(name); });
        };
        note(&R::operatorChanged, "operator");
        note(&R::utcChanged, "utc");
        note(&R::loggingModeChanged, "loggingMode");
        note(&R::counterChanged, "counter");
        note(&R::bandTableChanged, "bands");
        note(&R::paOptionChanged, "paOption");
        note(&R::wsjtxListenChanged, "wsjtx");
        QObject::connect(registry_.get(), &R::memoryKeyChanged, [this](int key) {
            keys_.emplace_back(key, read(*registry_, &R::GetTransmitMemoryKeys)[std::size_t(key)]);
        });
    }
    // What the store announced since the last look, in order.
    std::vector<std::string> announced() { return std::exchange(announced_, {}); }
    // Each memory key announced since the last look, with its text then.
    std::vector<std::pair<int, std::string>> keysAnnounced() { return std::exchange(keys_, {}); }

    QTemporaryDir dir_;
    std::string file_;
    RecordingPrompter prompter_;
    std::unique_ptr<CRigControlRegistry> registry_;
    std::vector<std::string> announced_;
    std::vector<std::pair<int, std::string>> keys_;
};

} // namespace tamrel::test
