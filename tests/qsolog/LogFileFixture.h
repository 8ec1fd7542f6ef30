#pragma once
// A log in a temporary home directory, with its settings store in a
// temporary config folder.

#include "QsoTestSupport.h"

#include "qsolog/QsoLogFile.h"
#include "settings/CRigControlRegistry.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace tamrel::test {

class LogFileFixture : public LocalZone {
protected:
    void SetUp() override {
        LocalZone::SetUp();
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
        home_ = root_ + "/home/Tamrel"; // not there yet
        registry_ = std::make_unique<CRigControlRegistry>(prompter_, root_ + "/config/Rig.reg");
        registry_->CreateDefaultSettings();
        log_ = std::make_unique<QsoLogFile>(*registry_, home_);
    }

    std::string inHome(const std::string& name) const { return home_ + "/" + name; }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void write(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    std::string currentNameSetting() {
        std::string name = "<unread>";
        registry_->GetCurrentLogFileName(name);
        return name;
    }

    QTemporaryDir dir_;
    std::string root_;
    std::string home_;
    RecordingPrompter prompter_;
    std::unique_ptr<CRigControlRegistry> registry_;
    std::unique_ptr<QsoLogFile> log_;
};

} // namespace tamrel::test
