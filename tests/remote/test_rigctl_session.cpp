// The rigctld line protocol without a socket: exact replies, line for line,
// in the default, extended and VFO forms, and \dump_state read back the way
// hamlib's network client reads it. Without a port every set is taken at once;
// the checked sets' waits are tested in tests/radio and tests/sim.
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

// One step of a conversation: a radio reply to apply first (id 0: none), a
// line from the client, the exact answer.
struct Step {
    int replyId;
    const char* reply;
    const char* line;
    const char* answer;
};

class RigctlSessionTest : public ::testing::Test {
protected:
    void SetUp() override { MakeLive(model); }

    K2RadioModel model;
    RadioOperations ops{model};
    RigctlSession session{ops};

    std::string Run(std::string_view line) { return session.HandleLine(line); }
    void Reply(int id, std::string_view text) { ops.ApplyReply(id, text); }
    void Play(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            if (s.replyId != 0)
                Reply(s.replyId, s.reply);
            EXPECT_EQ(Run(s.line), s.answer) << s.line;
        }
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(RigctlSessionTest, CommandsRunAlongTheLineAsRigctldReadsThem) {
    Play({
        {0, "", "f", "28060000\n"},
        {0, "", "F 14060000", "RPRT 0\n"},
        {0, "", "\\set_freq 7030000.000000\r", "RPRT 0\n"},
        {ID_FW, "FW040031", "fmv", "7030000\nLSB\n400\nVFOA\n"},
        {0, "", "f m  v", "7030000\nLSB\n400\nVFOA\n"},
        // The form is chosen per command.
        {0, "", "+f +v", "get_freq:\nFrequency: 7030000\nRPRT 0\nget_vfo:\nVFO: VFOA\nRPRT 0\n"},
        {0, "", "+f;v", "get_freq:\nFrequency: 7030000\nRPRT 0\nget_vfo:;VFO: VFOA;RPRT 0\n"},
        {0, "", "f F 7040000 f", "7030000\nRPRT 0\n7040000\n"},
        {0, "", "# f", ""},
        {0, "", "", ""},
        // Errors: one line, no values; an unknown command ends the line.
        {0, "", "F", "RPRT -1\n"},
        {0, "", "F 7,030", "RPRT -1\n"},
        {0, "", "F -5", "RPRT -1\n"},
        {0, "", "Q f", "RPRT 0\n"},
    });
    EXPECT_TRUE(session.WantsClose());
    RigctlSession other(ops);
    EXPECT_EQ(other.HandleLine("\\no_such_thing f"), "RPRT -1\n");
    EXPECT_EQ(other.HandleLine("+q"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().vfoA, 7040000u);
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
    EXPECT_EQ(run("l ?"), "PREAMP ATT SQL RFPOWER KEYSPD AGC STRENGTH \n");
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

TEST_F(RigctlSessionTest, ExtendedResponsesAsRigctldShapesThem) {
    Play({
        {0, "", "+f", "get_freq:\nFrequency: 28060000\nRPRT 0\n"},
        {0, "", "+\\set_freq 14060000", "set_freq: 14060000\nRPRT 0\n"},
        {ID_MD, "MD2", "|m", "get_mode:|Mode: USB|Passband: 0|RPRT 0\n"},
        {ID_FW, "FW240021", ";\\get_mode", "get_mode:;Mode: USB;Passband: 2400;RPRT 0\n"},
        {0, "", "|M USB 0", "set_mode: USB 0|RPRT 0\n"},
        {0, "", "+s", "get_split_vfo:\nSplit: 0\nTX VFO: VFOA\nRPRT 0\n"},
        {0, "", "+k",
         "get_split_freq_mode:\nTX Frequency: 14060000\nTX Mode: USB\n"
         "TX Passband: 2400\nRPRT 0\n"},
        // Levels and functions give their value without a key.
        {ID_KS, "KS022", "+l KEYSPD", "get_level: KEYSPD\n22\nRPRT 0\n"},
        {0, "", ";u NB", "get_func: NB;1;RPRT 0\n"},
        // Lists end with a line end whatever the separator; a non-get says RPRT.
        {0, "", "G ?", "CPY XCHG UP DOWN BAND_UP BAND_DOWN TOGGLE \nRPRT 0\n"},
        {0, "", ";M ?", "set_mode: ?;CW USB LSB CWR PKTLSB PKTUSB \nRPRT 0\n"},
        {0, "", "\\get_lock_mode", "0\nRPRT 0\n"},
        {0, "", ";\\get_lock_mode", "get_lock_mode:;Locked: 0\nRPRT 0\n"},
        {0, "", "+\\chk_vfo", "ChkVFO: 0\n"},
        {0, "", "\\get_vfo_info VFOB", "14060000\nUSB\n2400\n0\n0\n"},
        {0, "", ";\\get_vfo_info VFOA",
         "get_vfo_info: VFOA;Freq: 14060000;Mode: USB;Width: 2400;Split: 0;SatMode: 0;RPRT 0\n"},
        {0, "", "\\client_version 2.6.1", "2.6.1\nRPRT 0\n"},
        // An error still echoes and ends with RPRT; the values are left out.
        {0, "", "+l NOTCHF", "get_level: NOTCHF\nRPRT -1\n"},
        {0, "", "+F x", "set_freq: x\nRPRT -1\n"},
        {0, "", "f", "14060000\n"},
    });
}

TEST_F(RigctlSessionTest, RigInfoCarriesHamlibsChecksum) {
    const std::vector<std::string> info = Lines(Run("\\get_rig_info"));
    ASSERT_EQ(info.size(), 8u);
    EXPECT_EQ(info[0], "VFO=VFOA Freq=28060000 Mode=LSB Width=0 RX=1 TX=1");
    EXPECT_EQ(
        info[6], "CRC=0x" + [&] {
            // CRC-32 of the six lines before it, as hamlib reckons it.
            std::string text;
            for (int i = 0; i < 6; ++i)
                text += info[i] + "\n";
            uint32_t crc = 0xffffffff;
            for (unsigned char c : text)
                for (int b = 0; b < 8; ++b, c >>= 1)
                    crc = ((crc ^ c) & 1) ? (crc >> 1) ^ 0xedb88320 : crc >> 1;
            char hex[16];
            std::snprintf(hex, sizeof hex, "%08x", crc ^ 0xffffffff);
            return std::string(hex);
        }());
    EXPECT_EQ(info[7], "");
}

TEST_F(RigctlSessionTest, VfoModeTakesTheVfoFirstAndIsTheSessionsOwn) {
    Play({
        {0, "", "\\chk_vfo", "0\n"},
        {0, "", "\\set_vfo_opt 1", "RPRT 0\n"},
        {0, "", "\\chk_vfo", "1\n"},
        {0, "", "f VFOB", "14060000\n"},
        {0, "", "f currVFO", "28060000\n"},
        {0, "", "F VFOB 7040000", "RPRT 0\n"},
        {0, "", "+f VFOB", "get_freq: VFOB\nFrequency: 7040000\nRPRT 0\n"},
        {0, "", "+F VFOA 7050000", "set_freq: VFOA 7050000\nRPRT 0\n"},
        {0, "", "f Nowhere", "RPRT -1\n"},
        {0, "", "f", "RPRT -1\n"}, // the VFO is missing
        // Commands hamlib marks as taking no VFO echo currVFO.
        {0, "", "+\\get_powerstat", "get_powerstat: currVFO\nPower Status: 1\nRPRT 0\n"},
        {0, "", "V VFOB", "RPRT 0\n"},
        {0, "", "v", "VFOB\n"},
        {0, "", "m VFOA", "LSB\n0\n"},
    });
    EXPECT_EQ(model.Fields().vfoB, 7040000u);
    EXPECT_EQ(model.Fields().vfoA, 7050000u);
    RigctlSession other(ops);
    EXPECT_EQ(other.HandleLine("f"), "7040000\n");
    EXPECT_FALSE(other.VfoMode());
}

TEST_F(RigctlSessionTest, ModesAndPassbandsAsTheK2HasThem) {
    const std::pair<const char*, const char*> cases[] = {{"MD1", "LSB"}, {"MD2", "USB"},
                                                         {"MD3", "CW"},  {"MD6", "PKTLSB"},
                                                         {"MD7", "CWR"}, {"MD9", "PKTUSB"}};
    for (auto [reply, name] : cases) {
        Reply(ID_MD, reply);
        EXPECT_EQ(Lines(Run("m")).at(0), name) << reply;
        EXPECT_EQ(Lines(Run("x")).at(0), name) << reply;
    }
    // A width picks the nearest of the mode's crystal filters, as the panel's
    // buttons do; widths the radio reported replace the typical ones.
    Reply(ID_MD, "MD3");
    Reply(ID_FW, "FW050031");
    struct Case {
        const char* line;
        const char* answer;
        int mode, filter, width;
    };
    const Case modes[] = {{"M CW 500", "RPRT 0\n", 3, 3, 500},
                          {"M CW 1000", "RPRT 0\n", 3, 2, 700},
                          {"M USB 1800", "RPRT 0\n", 2, 4, 1800},
                          {"M USB 0", "RPRT 0\n", 2, 4, 1800}, // the mode's own: unchanged here
                          {"M PKTLSB -1", "RPRT 0\n", 6, 4, 1800},
                          {"M CW -250", "RPRT 0\n", 3, 4, 250},
                          {"M AM 0", "RPRT -1\n", 3, 4, 250},
                          {"M FM 0", "RPRT -1\n", 3, 4, 250},
                          {"M RTTY 0", "RPRT -1\n", 3, 4, 250},
                          {"M USB", "RPRT -1\n", 3, 4, 250},
                          {"M USB wide", "RPRT -1\n", 3, 4, 250}};
    for (const Case& c : modes) {
        EXPECT_EQ(Run(c.line), c.answer) << c.line;
        EXPECT_EQ(model.Fields().mode, c.mode) << c.line;
        EXPECT_EQ(model.Fields().crystalFilter, c.filter) << c.line;
        EXPECT_EQ(model.Fields().bandwidth, c.width) << c.line;
    }
    // A locked mode, shared by every session of a server, is answered and kept.
    RigctlSession::Shared shared;
    RigctlSession a(ops, {}, {}, &shared), b(ops, {}, {}, &shared);
    EXPECT_EQ(a.HandleLine("\\set_lock_mode 1"), "RPRT 0\n");
    EXPECT_EQ(b.HandleLine("\\get_lock_mode"), "1\nRPRT 0\n");
    EXPECT_EQ(b.HandleLine("M USB 0"), "RPRT 0\n");
    EXPECT_EQ(model.Fields().mode, 3);
    EXPECT_EQ(Run("\\get_lock_mode"), "0\nRPRT 0\n"); // a session of its own
}

TEST_F(RigctlSessionTest, LevelsFunctionsAndOffsets) {
    Reply(ID_PC, "PC0750"); // 7.5 W in the low range
    Reply(ID_BG, "BG17");   // bar mode, five segments
    Reply(ID_PA, "PA1");
    Reply(ID_GT, "GT0041");
    Reply(ID_SQ, "SQ125");
    Play({
        {ID_KS, "KS022", "l KEYSPD", "22\n"},
        {0, "", "l RFPOWER", "0.500000\n"},
        {0, "", "l STRENGTH", "-24\n"},
        {0, "", "l PREAMP", "14\n"},
        {0, "", "l ATT", "0\n"},
        {0, "", "l AGC", "3\n"},
        {0, "", "l SQL", "0.500000\n"},
        {0, "", "l NOTCHF", "RPRT -1\n"},
        {ID_PC, "PC1001", "l RFPOWER", "0.909091\n"}, // 100 W in the high range
        {0, "", "L KEYSPD 30", "RPRT 0\n"},
        {0, "", "L KEYSPD 5", "RPRT -1\n"},
        {0, "", "L RFPOWER 0.5", "RPRT 0\n"},
        {0, "", "L RFPOWER 1.5", "RPRT -1\n"},
        {0, "", "L PREAMP 20", "RPRT -1\n"},
        {0, "", "L ATT 10", "RPRT 0\n"},
        {0, "", "L AGC 6", "RPRT -1\n"},
        {0, "", "L SQL 0.2", "RPRT 0\n"},
        {0, "", "L KEYSPD", "RPRT -1\n"},
        {0, "", "U RIT 1", "RPRT 0\n"},
        {0, "", "U XIT 1", "RPRT 0\n"}, // RIT and XIT never run together
        {0, "", "u RIT", "0\n"},
        {0, "", "u XIT", "1\n"},
        {0, "", "u TUNER", "RPRT -1\n"},
        {ID_IF, "IF00014060000     -012010 0003000001 ", "j", "-120\n"},
        {0, "", "z", "-120\n"},
        {0, "", "J 254", "RPRT 0\n"},
        {0, "", "j", "250\n"}, // the radio's 10 Hz steps
        {0, "", "J 10000", "RPRT -1\n"},
        {0, "", "Z -9990", "RPRT 0\n"},
        {0, "", "y 1", "ANT1 \n0\nANT1 \nANT1 \n"},
        {0, "", "Y 2 0", "RPRT 0\n"},
    });
    EXPECT_EQ(model.Fields().cwSpeed, 30);
    EXPECT_EQ(model.Fields().power, 75); // tenths of a watt in the low range
    EXPECT_EQ(model.Fields().attenuator, 1);
    EXPECT_EQ(model.Fields().squelch, 50);
    EXPECT_EQ(model.Fields().offset, -9990);
    EXPECT_EQ(model.Fields().antenna, 2);

    // A comma locale changes nothing, in either direction.
    const char* was = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = was ? was : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(Run("l SQL"), "0.200000\n");
        EXPECT_EQ(Run("L RFPOWER 0,5"), "RPRT -1\n");
        EXPECT_EQ(Run("L RFPOWER 0.2"), "RPRT 0\n");
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST_F(RigctlSessionTest, TheVfoLockIsTheOperatorsAndSplitSurvivesVfoChoice) {
    Play({
        {0, "", "U LOCK 1", "RPRT 0\n"},
        {0, "", "F 7000000", "RPRT 0\n"},
        {0, "", "G UP", "RPRT 0\n"},
        {0, "", "F 704000000", "RPRT -1\n"}, // beyond the K2's reach, nothing taken
        {0, "", "F 499999", "RPRT -1\n"},
        {0, "", "s", "0\nVFOA\n"},
        {0, "", "S 1 VFOB", "RPRT 0\n"},
        {0, "", "I 14070000", "RPRT 0\n"},
        {0, "", "i", "14070000\n"},
        // Choosing a VFO with split on keeps split, transmitting on the other.
        {0, "", "V VFOB", "RPRT 0\n"},
        {0, "", "s", "1\nVFOA\n"},
        {0, "", "V VFOA", "RPRT 0\n"},
        {0, "", "s", "1\nVFOB\n"},
        {0, "", "S 0 VFOA", "RPRT 0\n"},
        {0, "", "s", "0\nVFOA\n"},
        {0, "", "S 2 VFOA", "RPRT -1\n"},
        {0, "", "G CPY", "RPRT 0\n"},
        {0, "", "F 7000000", "RPRT 0\n"},
        {0, "", "G XCHG", "RPRT 0\n"},
        {0, "", "G TOGGLE", "RPRT 0\n"},
        {0, "", "v", "VFOB\n"},
        {0, "", "G MCL", "RPRT -11\n"},
    });
    EXPECT_EQ(model.Fields().vfoA, 7000000u);
    EXPECT_EQ(model.Fields().vfoB, 7000000u);
    // The panel's own controls still stop at the lock.
    EXPECT_FALSE(ops.SetVfoFrequency(0, 7010000));
}

TEST_F(RigctlSessionTest, PttAndWhatTheRadioCannotDo) {
    Play({
        {ID_MD, "MD3", "T 1", "RPRT 0\n"}, // as hamlib's K2 model: TX in CW too
        {0, "", "t", "1\n"},
        {0, "", "T 0", "RPRT 0\n"},
        {0, "", "T 4", "RPRT -1\n"},
        {ID_IF, "IF00014060000     +000000 0012000001 ", "t", "1\n"},
        // Without a keyer (no CW thread to reach) Morse is not available.
        {0, "", "b CQ CQ DE K2 ", "RPRT -11\n"},
        {0, "", "\\stop_morse", "RPRT -11\n"},
        {0, "", "E 5", "RPRT -11\n"},
        {0, "", "e", "RPRT -11\n"},
        {0, "", "r", "RPRT -11\n"},
        {0, "", "\\get_ctcss_sql", "RPRT -11\n"},
        {0, "", "a", "RPRT -18\n"},
        {0, "", "\\get_clock", "RPRT -4\n"},
        {0, "", "\\get_powerstat", "1\n"},
    });
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
    // rigctld 4.5 echoes the text with the blank before it.
    EXPECT_EQ(cw.HandleLine("+\\send_morse TEST 5nn\r"), "send_morse:  TEST 5nn\nRPRT 0\n");
    EXPECT_EQ(cw.HandleLine("b"), "RPRT 0\n"); // nothing to send is no error
    EXPECT_EQ(cw.HandleLine("b " + std::string(2048, 'E')), "RPRT -1\n");
    full = true;
    EXPECT_EQ(cw.HandleLine("b E"), "RPRT -9\n");
    EXPECT_EQ(cw.HandleLine("\\stop_morse"), "RPRT 0\n");
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(cw.HandleLine("\\wait_morse"), "RPRT -11\n");
    // In VFO mode, as in hamlib, neither takes a VFO.
    EXPECT_EQ(cw.HandleLine("\\set_vfo_opt 1"), "RPRT 0\n");
    full = false;
    EXPECT_EQ(cw.HandleLine("b 73 "), "RPRT 0\n");
    EXPECT_EQ(cw.HandleLine("\\stop_morse"), "RPRT 0\n");
    EXPECT_EQ(sent, (std::vector<std::string>{"CQ CQ DE K2  ", "TEST 5nn", "73 "}));
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
    EXPECT_EQ(withMemories.HandleLine("+e"), "get_mem:\nMemory#: 7\nRPRT 0\n");
    EXPECT_EQ(withMemories.HandleLine("E 8"), "RPRT -1\n"); // a free slot
    EXPECT_EQ(withMemories.HandleLine("E 100"), "RPRT -1\n");
    EXPECT_EQ(asked, 8);
    EXPECT_EQ(withMemories.HandleLine("e"), "7\n");
}

// Reads \dump_state as hamlib's network client does: fixed lines, lists ended
// by all-zero lines, hex masks, then key=value settings up to "done".
struct DumpState {
    int protocol = -1;
    int rxRanges = 0, txRanges = 0, steps = 0;
    std::vector<std::pair<unsigned long long, long>> filters;
    unsigned long long getLevel = 0, setLevel = 0, getFunc = 0;
    std::vector<std::string> settings;
    std::size_t linesRead = 0;
};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> parts;
    for (std::string p; in >> p;)
        parts.push_back(p);
    return parts;
}

bool AllZero(const std::vector<std::string>& parts) {
    for (const std::string& p : parts)
        if (p.find_first_of("123456789") != std::string::npos)
            return false;
    return true;
}

DumpState ParseDumpState(const std::vector<std::string>& lines, bool readSettings) {
    DumpState d;
    std::size_t i = 0;
    auto next = [&]() -> std::string { return i < lines.size() ? lines[i++] : std::string(); };
    auto list = [&](std::size_t fields, auto&& take) {
        for (std::vector<std::string> parts; !AllZero(parts = Words(next()));) {
            if (parts.size() != fields || i > lines.size())
                return false;
            take(parts);
        }
        return true;
    };
    d.protocol = std::atoi(next().c_str());
    next(); // model
    next(); // region
    const bool read = list(7, [&](auto&) { ++d.rxRanges; }) &&
                      list(7, [&](auto&) { ++d.txRanges; }) && list(2, [&](auto&) { ++d.steps; }) &&
                      list(2, [&](auto& p) {
                          d.filters.emplace_back(std::strtoull(p[0].c_str(), nullptr, 16),
                                                 std::atol(p[1].c_str()));
                      });
    if (!read)
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
    Reply(ID_MD, "MD3");
    Reply(ID_FW, "FW060021");                  // this radio's FL2 in CW is 600 Hz
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
    // Four filters a mode group; hamlib takes the first as normal, the next
    // narrower as narrow and the next wider as wide.
    const std::vector<std::pair<unsigned long long, long>> filters = {
        {0xc, 2300}, {0xc, 2100},  {0xc, 1800},   {0xc, 2700},   {0x82, 400},   {0x82, 250},
        {0x82, 600}, {0x82, 1500}, {0xc00, 2300}, {0xc00, 2100}, {0xc00, 1800}, {0xc00, 2700}};
    EXPECT_EQ(d.filters, filters);

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
    // \dump_caps prints and says RPRT.
    const std::vector<std::string> caps = Lines(Run("\\dump_caps"));
    EXPECT_EQ(caps.front(), "Caps dump for model: 2021");
    EXPECT_EQ(caps.back(), "RPRT 0");
}

} // namespace
