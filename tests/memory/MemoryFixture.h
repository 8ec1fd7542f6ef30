#pragma once
// A home directory in a temporary folder, with helpers to look at the files
// as they are on disk.

#include "memory/CK2MemoryStore.h"
#include "memory/MemoryCommands.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tamrel::test {

using Bytes = std::vector<uint8_t>;

inline uint32_t U32At(const Bytes& b, std::size_t off) {
    return b[off] | (b[off + 1] << 8) | (b[off + 2] << 16) | (uint32_t{b[off + 3]} << 24);
}
inline void PutU32At(Bytes& b, std::size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
// Where record i starts in either file.
inline std::size_t RecordAt(std::size_t i) {
    return 168 + 160 * i;
}

// A radio state with every word but the attenuator and XIT away from its
// default, in K2RadioState's order (VFO A, VFO B, mode, ..., offset -120,
// RIT on, XIT, band 6). VFO A shows as 7040.01: only an edit may move it.
inline K2RadioState SampleState() {
    return {7040005, 14060000, 7, 2, 700, 2, 2, 2, 18, 2, 50, 1, 1, 1, 0, -120, 1, 0, 6};
}

// The front panel as the memory commands see it: the radio's state, and what
// was recalled and shown.
struct RecordingHost : MemoryCommandsHost {
    K2RadioState Snapshot() const override { return snapshot; }
    void Recall(const K2RadioState& s) override { recalled.push_back(s); }
    void Status(const std::string& t, MemoryStatusStyle st) override { status.push_back({t, st}); }
    std::string BandLabel(int i) const override { return i == 6 ? "  40M" : ""; }
    std::pair<std::string, MemoryStatusStyle> LastStatus() const {
        return status.empty() ? std::pair{std::string("<none>"), MemoryStatusStyle::Normal}
                              : status.back();
    }

    K2RadioState snapshot = SampleState();
    std::vector<K2RadioState> recalled;
    std::vector<std::pair<std::string, MemoryStatusStyle>> status;
};

class MemoryFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    std::string Home() const { return dir_.path().toStdString(); }
    std::string PathOf(std::string_view name) const { return Home() + "/" + std::string(name); }

    Bytes Read(std::string_view name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void Write(std::string_view name, const Bytes& bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    bool Exists(std::string_view name) const { return std::filesystem::exists(PathOf(name)); }

    // A fresh store over the folder, its header times fixed.
    std::unique_ptr<CK2MemoryStore> Open() {
        return std::make_unique<CK2MemoryStore>(Home(), [this] { return now_; });
    }

    // The sample state under a name, at that frequency.
    static K2MemoryRecord Named(const std::string& name, uint32_t vfoA = SampleState().vfoA) {
        K2MemoryRecord r;
        r.SetName(name);
        r.state = SampleState();
        r.state.vfoA = vfoA;
        return r;
    }
    // Memories named prefix0, prefix1, ... up to count.
    static void Fill(CK2MemoryStore& store, int count, const std::string& prefix = "m") {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(store.AddMemory(Named(prefix + std::to_string(i))), kMemoryOk) << i;
    }

    QTemporaryDir dir_;
    std::time_t now_ = 1700000000; // 2023-11-14 22:13:20 UTC
};

} // namespace tamrel::test
