// The rigctld line protocol without a socket: exact reply lines in the
// default, extended and VFO modes, and \dump_state read back the way
// hamlib's network client reads it.
#include "remote/RigctlSession.h"

#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace tamrel;

namespace {

// A radio that has answered: the link is live.
void MakeLive(K2RadioModel& model) {
    model.UpdateLink([&](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
    model.UpdateLink([&](LinkMonitor& l) { return l.OnReply(LinkMonitor::Clock::now()); });
}

class RigctlSessionTest : public ::testing::Test {
protected:
    void SetUp() override { MakeLive(model); }

    K2RadioModel model;
    RadioOperations ops{model};
    RigctlSession session{ops};

    std::string Run(std::string_view line) { return session.HandleLine(line); }
    void Reply(int id, std::string_view text) { ops.ApplyReply(id, text); }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(RigctlSessionTest, DefaultProtocolGivesValuesOnGetsAndRprtOnSets) {
    EXPECT_EQ(Run("f"), "28060000\n");
    EXPECT_EQ(Run("F 14060000"), "RPRT 0\n");
    EXPECT_EQ(Run("\\get_freq"), "14060000\n");
    EXPECT_EQ(Run("\\set_freq 7030000.000000\r"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().vfoA, 7030000u);
    // Several argument-less short commands on one line.
    Reply(ID_FW, "FW040031");
    EXPECT_EQ(Run("fmv"), "7030000\nLSB\n400\nVFOA\n");
    EXPECT_EQ(Run("f m  v"), "7030000\nLSB\n400\nVFOA\n");
    // Errors: one line, no values.
    EXPECT_EQ(Run("F"), "RPRT -1\n");
    EXPECT_EQ(Run("F 7,030"), "RPRT -1\n");
    EXPECT_EQ(Run("F -5"), "RPRT -1\n");
    EXPECT_EQ(Run("k"), "RPRT -1\n");
    EXPECT_EQ(Run("\\no_such_thing"), "RPRT -1\n");
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(model.Fields().vfoA, 7030000u);
}

TEST(RigctlSessionLink, ReadsTimeOutUntilTheRadioAnswersAndWhenItFallsSilent) {
    K2RadioModel model;
    RadioOperations ops{model};
    RigctlSession session{ops};
    auto run = [&](std::string_view line) { return session.HandleLine(line); };
    auto readsTimeOut = [&] {
        return run("f") == "RPRT -5\n" && run("+\\get_mode") == "get_mode:\nRPRT -5\n" &&
               run("t") == "RPRT -5\n" && run("l STRENGTH") == "RPRT -5\n";
    };
    // No port: the start values are nobody's report.
    EXPECT_TRUE(readsTimeOut());
    // What a client needs to connect still answers, and so do sets.
    EXPECT_EQ(run("\\chk_vfo"), "0\n");
    EXPECT_EQ(Lines(run("\\dump_state")).at(0), "1");
    EXPECT_EQ(run("l ?"), "PREAMP ATT SQL RFPOWER KEYSPD AGC STRENGTH\n");
    EXPECT_EQ(run("F 7030000"), "RPRT 0\n");

    model.UpdateLink([&](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
    EXPECT_TRUE(readsTimeOut()); // waiting for the first reply
    ops.ApplyReply(ID_FA, "FA00007030000");
    EXPECT_EQ(run("f"), "7030000\n");
    // Two polls without a byte from the radio: no reply.
    const auto now = LinkMonitor::Clock::now();
    for (int tick = 0; tick <= LinkMonitor::kSilentTicks; ++tick)
        model.UpdateLink(
            [&](LinkMonitor& l) { return l.OnPollTick(1, now + std::chrono::seconds(tick)); });
    ASSERT_EQ(model.Link().State(), LinkState::NoReply);
    EXPECT_TRUE(readsTimeOut());
    model.UpdateLink(
        [&](LinkMonitor& l) { return l.OnPollTick(2, now + std::chrono::seconds(5)); });
    ASSERT_EQ(model.Link().State(), LinkState::Live);
    EXPECT_EQ(run("f"), "7030000\n");
    model.UpdateLink([&](LinkMonitor& l) { return l.Lost(EIO); });
    EXPECT_TRUE(readsTimeOut());
}

TEST_F(RigctlSessionTest, ExtendedResponseEchoesRecordsAndEndsWithRprt) {
    EXPECT_EQ(Run("+f"), "get_freq:\nFrequency: 28060000\nRPRT 0\n");
    EXPECT_EQ(Run("+\\set_freq 14060000"), "set_freq: 14060000\nRPRT 0\n");
    Reply(ID_MD, "MD2");
    Reply(ID_FW, "FW240021");
    EXPECT_EQ(Run(";\\get_mode"), "get_mode:;Mode: USB;Passband: 2400;RPRT 0\n");
    EXPECT_EQ(Run("|m"), "get_mode:|Mode: USB|Passband: 2400|RPRT 0\n");
    EXPECT_EQ(Run("|M USB 0"), "set_mode: USB 0|RPRT 0\n");
    EXPECT_EQ(Run("+s"), "get_split_vfo:\nSplit: 0\nTX VFO: VFOA\nRPRT 0\n");
    // An error still echoes and ends with RPRT; the values are left out.
    EXPECT_EQ(Run("+l NOTCHF"), "get_level: NOTCHF\nRPRT -11\n");
    EXPECT_EQ(Run("+F x"), "set_freq: x\nRPRT -1\n");
    // The separator lasts for its line only.
    EXPECT_EQ(Run("f"), "14060000\n");
}

TEST_F(RigctlSessionTest, VfoModeTakesTheVfoFirstAndIsTheSessionsOwn) {
    EXPECT_EQ(Run("\\chk_vfo"), "0\n");
    EXPECT_EQ(Run("\\set_vfo_opt 1"), "RPRT 0\n");
    EXPECT_EQ(Run("\\chk_vfo"), "1\n");
    EXPECT_EQ(Run("f VFOB"), "14060000\n");
    EXPECT_EQ(Run("f currVFO"), "28060000\n");
    EXPECT_EQ(Run("F VFOB 7040000"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().vfoB, 7040000u);
    EXPECT_EQ(model.Fields().vfoA, 28060000u);
    EXPECT_EQ(Run("+f VFOB"), "get_freq: VFOB\nFrequency: 7040000\nRPRT 0\n");
    EXPECT_EQ(Run("f Nowhere"), "RPRT -1\n");
    EXPECT_EQ(Run("f"), "RPRT -1\n"); // the VFO is missing
    // set_vfo takes only its VFO; get_vfo nothing.
    EXPECT_EQ(Run("V VFOB"), "RPRT 0\n");
    EXPECT_EQ(Run("v"), "VFOB\n");
    EXPECT_EQ(Run("m VFOA"), "LSB\n0\n");

    RigctlSession other(ops);
    EXPECT_EQ(other.HandleLine("f"), "7040000\n");
    EXPECT_FALSE(other.VfoMode());
}

TEST_F(RigctlSessionTest, ModesMapAsHamlibsK2ModelMapsThem) {
    const std::pair<const char*, const char*> cases[] = {{"MD1", "LSB"}, {"MD2", "USB"},
                                                         {"MD3", "CW"},  {"MD6", "PKTLSB"},
                                                         {"MD7", "CWR"}, {"MD9", "PKTUSB"}};
    for (auto [reply, name] : cases) {
        Reply(ID_MD, reply);
        EXPECT_EQ(Lines(Run("m")).at(0), name) << reply;
        EXPECT_EQ(Lines(Run("x")).at(0), name) << reply;
    }
    EXPECT_EQ(Run("M FM 0"), "RPRT -1\n");
    EXPECT_EQ(Run("M USB"), "RPRT -1\n");
    EXPECT_EQ(Run("M USB -1"), "RPRT 0\n");
    // A width the radio's filters were not asked for cannot be chosen.
    EXPECT_EQ(Run("M USB 1234"), "RPRT -11\n");
}

TEST_F(RigctlSessionTest, LevelsReadFromTheModelInTheCLocale) {
    Reply(ID_KS, "KS022");
    Reply(ID_PC, "PC0750"); // 7.5 W in the low range
    Reply(ID_BG, "BG17");   // bar mode, five segments
    Reply(ID_PA, "PA1");
    Reply(ID_GT, "GT0041");
    Reply(ID_SQ, "SQ125");
    EXPECT_EQ(Run("l KEYSPD"), "22\n");
    EXPECT_EQ(Run("l RFPOWER"), "0.500000\n");
    EXPECT_EQ(Run("l STRENGTH"), "-24\n");
    EXPECT_EQ(Run("l PREAMP"), "14\n");
    EXPECT_EQ(Run("l ATT"), "0\n");
    EXPECT_EQ(Run("l AGC"), "3\n");
    EXPECT_EQ(Run("l SQL"), "0.500000\n");
    EXPECT_EQ(Run("l NOTCHF"), "RPRT -11\n");
    Reply(ID_PC, "PC1001"); // 100 W in the high range
    EXPECT_EQ(Run("+l RFPOWER"), "get_level: RFPOWER\nLevel Value: 0.909091\nRPRT 0\n");

    // A comma locale changes nothing, in either direction.
    const char* was = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = was ? was : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(Run("l SQL"), "0.500000\n");
        EXPECT_EQ(Run("L RFPOWER 0,5"), "RPRT -1\n");
        EXPECT_EQ(Run("L RFPOWER 0.2"), "RPRT 0\n");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST_F(RigctlSessionTest, LevelSetsGoThroughTheOperations) {
    EXPECT_EQ(Run("L KEYSPD 30"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().cwSpeed, 30);
    EXPECT_EQ(Run("L KEYSPD 5"), "RPRT -1\n");
    EXPECT_EQ(Run("L KEYSPD 51"), "RPRT -1\n");
    EXPECT_EQ(model.Fields().cwSpeed, 30);
    EXPECT_EQ(Run("L RFPOWER 0.5"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().power, 75); // tenths of a watt in the low range
    ops.SetPaOption(true);
    EXPECT_EQ(Run("L RFPOWER 1"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().power, 110);
    EXPECT_EQ(Run("L RFPOWER 1.5"), "RPRT -1\n");
    EXPECT_EQ(Run("L PREAMP 14"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().preamp, 1);
    EXPECT_EQ(Run("L PREAMP 20"), "RPRT -1\n");
    EXPECT_EQ(Run("L ATT 10"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().attenuator, 1);
    EXPECT_EQ(Run("L ATT 0"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().attenuator, 0);
    EXPECT_EQ(Run("L AGC 0"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().agc, 0);
    EXPECT_EQ(Run("L AGC 6"), "RPRT -11\n");
    EXPECT_EQ(Run("L SQL 0.5"), "RPRT -11\n");
    EXPECT_EQ(Run("L KEYSPD"), "RPRT -1\n");
}

TEST_F(RigctlSessionTest, FunctionsAndOffsets) {
    EXPECT_EQ(Run("u RIT"), "0\n");
    EXPECT_EQ(Run("U RIT 1"), "RPRT 0\n");
    EXPECT_EQ(Run("u RIT"), "1\n");
    // RIT and XIT never run together.
    EXPECT_EQ(Run("U XIT 1"), "RPRT 0\n");
    EXPECT_EQ(Run("u RIT"), "0\n");
    EXPECT_EQ(Run("u XIT"), "1\n");
    EXPECT_EQ(Run("U XIT 0"), "RPRT 0\n");
    EXPECT_EQ(Run("u XIT"), "0\n");
    EXPECT_EQ(Run("u NB"), "1\n");
    EXPECT_EQ(Run("u TUNER"), "RPRT -11\n");
    EXPECT_EQ(Run("U TUNER 1"), "RPRT -11\n");

    Reply(ID_IF, "IF00014060000     -012010 0003000001 ");
    EXPECT_EQ(Run("j"), "-120\n");
    EXPECT_EQ(Run("z"), "-120\n");
    EXPECT_EQ(Run("J 250"), "RPRT 0\n");
    EXPECT_EQ(Run("J 10000"), "RPRT -1\n");
    EXPECT_EQ(Run("Z -9990"), "RPRT 0\n");

    // The VFO lock refuses what the panel's locked controls refuse.
    EXPECT_EQ(Run("U LOCK 1"), "RPRT 0\n");
    EXPECT_EQ(Run("u LOCK"), "1\n");
    EXPECT_EQ(Run("F 7000000"), "RPRT -9\n");
    EXPECT_EQ(Run("G UP"), "RPRT -9\n");
    EXPECT_EQ(Run("V VFOB"), "RPRT -9\n");
    EXPECT_EQ(model.Fields().vfoA, 14060000u);
    EXPECT_EQ(Run("U LOCK 0"), "RPRT 0\n");
    EXPECT_EQ(Run("G UP"), "RPRT 0\n");
}

TEST_F(RigctlSessionTest, SplitVfoAndVfoOperations) {
    EXPECT_EQ(Run("s"), "0\nVFOA\n");
    EXPECT_EQ(Run("S 1 VFOB"), "RPRT 0\n");
    EXPECT_EQ(Run("s"), "1\nVFOB\n");
    EXPECT_EQ(Run("I 14070000"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().vfoB, 14070000u);
    EXPECT_EQ(Run("i"), "14070000\n");
    // Selecting the receive VFO it already has keeps split.
    EXPECT_EQ(Run("V VFOA"), "RPRT 0\n");
    EXPECT_EQ(Run("s"), "1\nVFOB\n");
    EXPECT_EQ(Run("S 0 VFOA"), "RPRT 0\n");
    EXPECT_EQ(Run("s"), "0\nVFOA\n");
    EXPECT_EQ(Run("S 2 VFOA"), "RPRT -1\n");

    EXPECT_EQ(Run("G CPY"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().vfoB, 28060000u);
    EXPECT_EQ(Run("F 7000000"), "RPRT 0\n");
    EXPECT_EQ(Run("G XCHG"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().vfoA, 28060000u);
    EXPECT_EQ(model.Fields().vfoB, 7000000u);
    EXPECT_EQ(Run("G TOGGLE"), "RPRT 0\n");
    EXPECT_EQ(Run("v"), "VFOB\n");
    EXPECT_EQ(Run("G MCL"), "RPRT -11\n");
}

TEST_F(RigctlSessionTest, PttIsRefusedInCwAndWhatTheRadioCannotDoIsNotAvailable) {
    EXPECT_EQ(Run("t"), "0\n");
    Reply(ID_MD, "MD3");
    EXPECT_EQ(Run("T 1"), "RPRT -11\n");
    EXPECT_EQ(Run("T 0"), "RPRT 0\n");
    Reply(ID_MD, "MD2");
    EXPECT_EQ(Run("T 1"), "RPRT 0\n");
    EXPECT_EQ(Run("T 4"), "RPRT -1\n");
    Reply(ID_IF, "IF00014060000     +000000 0012000001 ");
    EXPECT_EQ(Run("t"), "1\n");

    // Without a keyer (no CW thread to reach) Morse is not available.
    EXPECT_EQ(Run("b CQ CQ DE K2 "), "RPRT -11\n");
    EXPECT_EQ(Run("\\stop_morse"), "RPRT -11\n");
    EXPECT_EQ(Run("E 5"), "RPRT -11\n");
    EXPECT_EQ(Run("e"), "RPRT -11\n");
    EXPECT_EQ(Run("r"), "RPRT -11\n");
    EXPECT_EQ(Run("\\get_powerstat"), "1\n");
    EXPECT_EQ(Run("\\get_lock_mode"), "0\n");
}

TEST_F(RigctlSessionTest, MorseGoesToTheKeyerUnchanged) {
    std::vector<std::string> sent;
    int stops = 0;
    bool full = false;
    RigctlSession cw(ops, {},
                     {[&](std::string_view text) {
                          if (full)
                              return false;
                          sent.emplace_back(text);
                          return true;
                      },
                      [&] { ++stops; }});
    EXPECT_EQ(cw.HandleLine("b CQ CQ DE K2  "), "RPRT 0\n");
    EXPECT_EQ(cw.HandleLine("+\\send_morse TEST 5nn\r"), "send_morse: TEST 5nn\nRPRT 0\n");
    EXPECT_EQ(cw.HandleLine("b"), "RPRT 0\n"); // nothing to send is no error
    EXPECT_EQ(cw.HandleLine("b " + std::string(2048, 'E')), "RPRT -1\n");
    full = true;
    EXPECT_EQ(cw.HandleLine("b E"), "RPRT -9\n");
    EXPECT_EQ(sent, (std::vector<std::string>{"CQ CQ DE K2  ", "TEST 5nn"}));
    EXPECT_EQ(cw.HandleLine("\\stop_morse"), "RPRT 0\n");
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(cw.HandleLine("\\wait_morse"), "RPRT -11\n");
    // In VFO mode the VFO token comes first and is not part of the text.
    EXPECT_EQ(cw.HandleLine("\\set_vfo_opt 1"), "RPRT 0\n");
    full = false;
    EXPECT_EQ(cw.HandleLine("b currVFO 73 "), "RPRT 0\n");
    EXPECT_EQ(sent.back(), "73 ");
}

TEST_F(RigctlSessionTest, SetMemRecallsAStoredMemory) {
    int asked = -1;
    RigctlSession withMemories(ops, [&](int slot) -> std::optional<K2RadioState> {
        asked = slot;
        if (slot != 7)
            return std::nullopt;
        return K2RadioState{};
    });
    EXPECT_EQ(withMemories.HandleLine("e"), "RPRT -11\n"); // nothing recalled yet
    EXPECT_EQ(withMemories.HandleLine("E 7"), "RPRT 0\n");
    EXPECT_EQ(asked, 7);
    EXPECT_EQ(withMemories.HandleLine("e"), "7\n");
    EXPECT_EQ(withMemories.HandleLine("+e"), "get_mem:\nMemory#: 7\nRPRT 0\n");
    EXPECT_EQ(withMemories.HandleLine("E 8"), "RPRT -1\n"); // a free slot
    EXPECT_EQ(withMemories.HandleLine("E 100"), "RPRT -1\n");
    EXPECT_EQ(asked, 8);
    EXPECT_EQ(withMemories.HandleLine("e"), "7\n");
}

TEST_F(RigctlSessionTest, QuitEndsTheLineWithoutAnAnswer) {
    EXPECT_EQ(Run("f q f"), "28060000\n");
    EXPECT_TRUE(session.WantsClose());
    RigctlSession extended(ops);
    EXPECT_EQ(extended.HandleLine(";fQ"), "get_freq:;Frequency: 28060000;RPRT 0\n");
    EXPECT_TRUE(extended.WantsClose());
}

// Reads \dump_state as hamlib's network client does: fixed lines, lists ended
// by all-zero lines, hex masks, then key=value settings up to "done".
struct DumpState {
    int protocol = -1;
    int rxRanges = 0, txRanges = 0, steps = 0, filters = 0;
    unsigned long long getLevel = 0, setLevel = 0, getFunc = 0;
    std::vector<std::string> settings;
    std::size_t linesRead = 0;
};

bool ReadList(const std::vector<std::string>& lines, std::size_t& i, int fields, int& count) {
    for (; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::vector<std::string> parts;
        for (std::string p; in >> p;)
            parts.push_back(p);
        if (int(parts.size()) != fields)
            return false;
        bool zero = true;
        for (const std::string& p : parts)
            zero = zero && std::strtod(p.c_str(), nullptr) == 0 &&
                   p.find_first_of("123456789") == std::string::npos;
        if (zero) {
            ++i;
            return true;
        }
        ++count;
    }
    return false;
}

DumpState ParseDumpState(const std::vector<std::string>& lines, bool readSettings) {
    DumpState d;
    std::size_t i = 0;
    auto next = [&]() -> std::string { return i < lines.size() ? lines[i++] : std::string(); };
    d.protocol = std::atoi(next().c_str());
    next(); // model
    next(); // region
    if (!ReadList(lines, i, 7, d.rxRanges) || !ReadList(lines, i, 7, d.txRanges) ||
        !ReadList(lines, i, 2, d.steps) || !ReadList(lines, i, 2, d.filters))
        return d;
    for (int k = 0; k < 6; ++k)
        next(); // RIT, XIT, IF shift, announces, preamp, attenuator
    auto hex = [&] {
        const std::string s = next();
        EXPECT_EQ(s.rfind("0x", 0), 0u) << s;
        return std::strtoull(s.c_str(), nullptr, 16);
    };
    d.getFunc = hex();
    hex();
    d.getLevel = hex();
    d.setLevel = hex();
    hex();
    hex();
    if (readSettings)
        while (i < lines.size()) {
            const std::string s = next();
            if (s == "done")
                break;
            d.settings.push_back(s);
        }
    d.linesRead = i;
    return d;
}

TEST_F(RigctlSessionTest, DumpStateReadsBackAsTheNetworkClientReadsIt) {
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // a comma locale must not show
    const std::vector<std::string> plain = Lines(Run("\\dump_state"));
    std::setlocale(LC_NUMERIC, "C");
    DumpState d = ParseDumpState(plain, false);
    EXPECT_EQ(d.protocol, 1);
    EXPECT_EQ(d.rxRanges, 1);
    EXPECT_EQ(d.txRanges, 1);
    EXPECT_EQ(d.steps, 1);
    EXPECT_EQ(d.linesRead, plain.size()); // without \chk_vfo nothing follows the masks
    EXPECT_EQ(plain.at(3).find(','), std::string::npos);
    EXPECT_TRUE(d.getLevel & (1u << 14));  // KEYSPD
    EXPECT_TRUE(d.getLevel & (1u << 30));  // STRENGTH
    EXPECT_FALSE(d.setLevel & (1u << 30)); // STRENGTH is read only
    EXPECT_TRUE(d.getFunc & (1u << 24));   // RIT

    EXPECT_EQ(Run("\\chk_vfo"), "0\n");
    const std::vector<std::string> full = Lines(Run("\\dump_state"));
    d = ParseDumpState(full, true);
    EXPECT_EQ(d.linesRead, full.size());
    EXPECT_EQ(full.back(), "done");
    ASSERT_FALSE(d.settings.empty());
    for (const std::string& s : d.settings)
        EXPECT_NE(s.find('='), std::string::npos) << s;

    // Extended: echoed, the same lines, then RPRT.
    const std::vector<std::string> ext = Lines(Run("+\\dump_state"));
    ASSERT_EQ(ext.size(), full.size() + 2);
    EXPECT_EQ(ext.front(), "dump_state:");
    EXPECT_EQ(ext.back(), "RPRT 0");
}

} // namespace
