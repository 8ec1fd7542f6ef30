#pragma once
// A settings store in a temporary config folder, with helpers to read the
// file as it is on disk.

#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "settings/RegFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tamrel::test {

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

    static std::vector<uint8_t> bytes(std::initializer_list<uint8_t> b) { return b; }

    QTemporaryDir dir_;
    std::string file_;
    RecordingPrompter prompter_;
};

} // namespace tamrel::test
