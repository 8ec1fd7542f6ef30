#pragma once
// Shared helpers of the QSO log tests: a fixed time zone with summer time, QSOs,
// and a log in a temporary home directory with its settings in a config folder.

#include "qsolog/Adif.h"
#include "qsolog/QSORecord.h"
#include "qsolog/QsoLine.h"
#include "qsolog/QsoLogFile.h"
#include "settings/CRigControlRegistry.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

inline void PrintTo(const PassLine& p, std::ostream* os) {
    *os << "{before " << p.before << ", line " << p.lineNumber << ", \"" << p.text << "\", "
        << (p.fault ? std::string(describe(*p.fault)) : "comment") << "}";
}

inline void PrintTo(const QSORecord& r, std::ostream* os) {
    *os << formatLine(r, 0);
}

} // namespace tamrel

namespace tamrel::test {

// Central European time with its summer time, written out so that no zone
// database is needed. Restores the zone the process had.
class LocalZone : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            saved_ = tz;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    void TearDown() override {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

    static int64_t local(int year, int month, int day, int hour, int minute, int second) {
        std::optional<int64_t> t = fromLocalTime({year, month, day, hour, minute, second});
        EXPECT_TRUE(t.has_value());
        return t.value_or(0);
    }

private:
    std::optional<std::string> saved_;
};

// The fields of an ADIF record, "NAME=value" each; their order tells nothing.
inline std::set<std::string> fieldsOf(const AdifRecord& r) {
    std::set<std::string> fields;
    for (const AdifField& f : r.fields)
        fields.insert(f.name + "=" + f.value);
    return fields;
}

// The QSOs of a log's lines, as the log file writes them, in the test's time
// zone; every line must be a QSO.
inline std::vector<QSORecord> qsosOf(std::string_view lines) {
    const LogText log = readLogText(lines, 0);
    EXPECT_TRUE(log.passLines.empty()) << lines;
    return log.records;
}

inline QSORecord normalQso(std::string call, int64_t time) {
    QSORecord r;
    r.type = QsoKind::Normal;
    r.time = time;
    r.call = std::move(call);
    r.frequency = 14025000;
    r.band = 4;
    r.mode = 3;
    r.hisSig = "599";
    r.mySig = "599";
    return r;
}

inline QSORecord contestQso(std::string call, int64_t time) {
    QSORecord r;
    r.type = QsoKind::Contest;
    r.time = time;
    r.call = std::move(call);
    r.frequency = 7012000;
    r.band = 6;
    r.mode = 3;
    r.exchange = "599 05";
    return r;
}

// A log in a temporary home directory that does not exist yet.
class LogFileFixture : public LocalZone {
protected:
    void SetUp() override {
        LocalZone::SetUp();
        ASSERT_TRUE(dir_.isValid());
        root_ = dir_.path().toStdString();
        home_ = root_ + "/home/Tamrel";
        registry_ = std::make_unique<CRigControlRegistry>(prompter_, root_ + "/config/Rig.reg");
        registry_->CreateDefaultSettings();
        log_ = std::make_unique<QsoLogFile>(*registry_, home_);
    }

    std::string inHome(const std::string& name) const { return home_ + "/" + name; }
    // The text of a file in the home directory, the default log's if not named.
    std::string logText(const std::string& name = kDefaultLogName) const {
        return read(inHome(name));
    }

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
