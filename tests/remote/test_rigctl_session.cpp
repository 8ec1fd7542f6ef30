// The rigctld line protocol without a socket: exact replies, line for line,
// in the default, extended and VFO forms, and \dump_state read back the way
// hamlib's network client reads it. Without a port every set is taken at once;
// the checked sets' waits are tested in tests/radio and tests/sim.
#include "remote/RigctlSession.h"

#include "radio/K2Commands.h"
#include "radio/K2RadioModel.h"
#include "radio/RadioOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using namespace tamrel;

namespace {

// One step of a conversation: a radio reply to apply first ("" for none), a
// line from the client, the exact answer.
struct Step {
    const char* reply;
    const char* line;
    const char* answer;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class RigctlSessionTest : public ::testing::Test {
protected:
    // A radio that has answered: the link is live.
    void SetUp() override {
        model.UpdateLink([&](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
        model.UpdateLink([&](LinkMonitor& l) { return l.OnReply(LinkMonitor::Clock::now()); });
    }

    // A reply's id is the place of its two letters among the command names.
    void Reply(std::string_view text) {
        const auto* name = std::find(kCommandNames.begin(), kCommandNames.end(), text.substr(0, 2));
        ASSERT_NE(name, kCommandNames.end()) << text;
        ops.ApplyReply(int(name - kCommandNames.begin()) + 1, text);
    }
    std::string Run(std::string_view line) { return session.HandleLine(line); }
    void Play(const std::vector<Step>& steps) { Play(session, steps); }
    void Play(RigctlSession& s, const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            if (*step.reply)
                Reply(step.reply);
            EXPECT_EQ(s.HandleLine(step.line), step.answer) << step.line;
        }
    }

    K2RadioModel model;
    RadioOperations ops{model};
    RigctlSession session{ops};
};

// The forms the answer-shape comparison with rigctld asks for are checked
// there (tests/sim); here are the ones it does not ask.
TEST_F(RigctlSessionTest, CommandsRunAlongTheLineAsRigctldReadsThemInItsForms) {
    Play({
        {"", "f", "28060000\n"},
        {"", "F 14060000", "RPRT 0\n"},
        {"", "\\set_freq 7030000.000000\r", "RPRT 0\n"},
        {"FW040031", "fmv", "7030000\nLSB\n400\nVFOA\n"},
        // The form is chosen per command.
        {"", "+f +v", "get_freq:\nFrequency: 7030000\nRPRT 0\nget_vfo:\nVFO: VFOA\nRPRT 0\n"},
        {"", "+f;v", "get_freq:\nFrequency: 7030000\nRPRT 0\nget_vfo:;VFO: VFOA;RPRT 0\n"},
        {"", "f F 7040000 f", "7030000\nRPRT 0\n7040000\n"},
        {"", "# f", ""},
        {"", "", ""},
        // Lists end with a line end whatever the separator; a non-get says RPRT.
        {"MD2", ";M ?", "set_mode: ?;CW USB LSB CWR PKTLSB PKTUSB \nRPRT 0\n"},
        {"", "\\get_lock_mode", "0\nRPRT 0\n"},
        {"", ";\\get_lock_mode", "get_lock_mode:;Locked: 0\nRPRT 0\n"},
        {"FW240021", "\\get_vfo_info VFOB", "14060000\nUSB\n2400\n0\n0\n"},
        {"", "\\client_version 2.6.1", "2.6.1\nRPRT 0\n"},
        // Errors: one line, no values; an unknown command ends the line. The
        // extended form still echoes and ends with RPRT.
        {"", "F", "RPRT -1\n"},
        {"", "+F x", "set_freq: x\nRPRT -1\n"},
        {"", "Q f", "RPRT 0\n"},
    });
    EXPECT_TRUE(session.WantsClose());
    RigctlSession other(ops);
    Play(other, {{"", "\\no_such_thing f", "RPRT -1\n"}, {"", "+q", "RPRT 0\n"}});
    EXPECT_EQ(model.Fields().vfoA, 7040000u);
}

TEST_F(RigctlSessionTest, ReadsTimeOutUntilTheRadioAnswersAndWhenItIsLost) {
    K2RadioModel silent;
    RadioOperations silentOps{silent};
    RigctlSession s{silentOps};
    auto readsTimeOut = [&] {
        return s.HandleLine("f") == "RPRT -5\n" &&
               s.HandleLine("+\\get_mode") == "get_mode:\nRPRT -5\n" &&
               s.HandleLine("l STRENGTH") == "RPRT -5\n";
    };
    // No port: the start values are nobody's report.
    EXPECT_TRUE(readsTimeOut());
    // What a client needs to connect still answers, and so do sets.
    EXPECT_EQ(Lines(s.HandleLine("\\dump_state")).at(0), "1");
    Play(s, {{"", "\\chk_vfo", "0\n"},
             {"", "l ?", "PREAMP ATT SQL RFPOWER KEYSPD AGC STRENGTH \n"},
             {"", "F 7030000", "RPRT 0\n"}});

    silent.UpdateLink([&](LinkMonitor& l) { return l.Opened("/dev/ttyUSB0"); });
    EXPECT_TRUE(readsTimeOut()); // waiting for the first reply
    silentOps.ApplyReply(ID_FA, "FA00007030000");
    EXPECT_EQ(s.HandleLine("f"), "7030000\n");
    // Any state but a live link (when it goes silent, see tests/radio) times out.
    silent.UpdateLink([&](LinkMonitor& l) { return l.Lost(EIO); });
    EXPECT_TRUE(readsTimeOut());
}

TEST_F(RigctlSessionTest, RigInfoCarriesHamlibsChecksum) {
    const std::vector<std::string> info = Lines(Run("\\get_rig_info"));
    ASSERT_EQ(info.size(), 8u);
    EXPECT_EQ(info[0], "VFO=VFOA Freq=28060000 Mode=LSB Width=0 RX=1 TX=1");
    EXPECT_EQ(info[7], "");
    // CRC-32 of the six lines before it, as hamlib reckons it.
    uint32_t crc = 0xffffffff;
    for (int i = 0; i < 6; ++i)
        for (unsigned char c : info[i] + "\n")
            for (int b = 0; b < 8; ++b, c >>= 1)
                crc = ((crc ^ c) & 1) ? (crc >> 1) ^ 0xedb88320 : crc >> 1;
    char expected[32];
    std::snprintf(expected, sizeof expected, "CRC=0x%08x", crc ^ 0xffffffff);
    EXPECT_EQ(info[6], expected);
}

TEST_F(RigctlSessionTest, VfoModeTakesTheVfoFirstAndIsTheSessionsOwn) {
    Play({
        {"", "\\chk_vfo", "0\n"},
        {"", "\\set_vfo_opt 1", "RPRT 0\n"},
        {"", "\\chk_vfo", "1\n"},
        {"", "f VFOB", "14060000\n"},
        {"", "f currVFO", "28060000\n"},
        {"", "F VFOB 7040000", "RPRT 0\n"},
        {"", "f", "RPRT -1\n"}, // the VFO is missing
        {"", "V VFOB", "RPRT 0\n"},
        {"", "v", "VFOB\n"},
        {"", "m VFOA", "LSB\n0\n"},
    });
    EXPECT_EQ(model.Fields().vfoB, 7040000u);
    RigctlSession other(ops);
    EXPECT_EQ(other.HandleLine("f"), "7040000\n");
    EXPECT_FALSE(other.VfoMode());
}

TEST_F(RigctlSessionTest, ModesAndPassbandsAsTheK2HasThem) {
    // USB, CW and PKTUSB are read beside hamlib's K2 model in tests/sim.
    const std::pair<const char*, const char*> modes[] = {
        {"MD1", "LSB\n"}, {"MD6", "PKTLSB\n"}, {"MD7", "CWR\n"}};
    for (auto [reply, name] : modes) {
        Reply(reply);
        EXPECT_TRUE(Run("m").starts_with(name)) << reply;
    }
    // A width picks the nearest of the mode's crystal filters, as the panel's
    // buttons do; widths the radio reported replace the typical ones.
    Reply("MD3");
    Reply("FW050031");
    const struct {
        const char* line;
        const char* answer;
        int mode, filter, width;
    } cases[] = {{"M CW 500", "RPRT 0\n", 3, 3, 500},
                 {"M CW 1000", "RPRT 0\n", 3, 2, 700},
                 {"M USB 1800", "RPRT 0\n", 2, 4, 1800},
                 {"M USB 0", "RPRT 0\n", 2, 4, 1800}, // the mode's own: unchanged here
                 {"M PKTLSB -1", "RPRT 0\n", 6, 4, 1800},
                 {"M CW -250", "RPRT 0\n", 3, 4, 250},
                 {"M AM 0", "RPRT -1\n", 3, 4, 250},
                 {"M USB", "RPRT -1\n", 3, 4, 250}};
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.line), c.answer) << c.line;
        const auto& f = model.Fields();
        EXPECT_EQ(std::tuple(f.mode, f.crystalFilter, f.bandwidth),
                  std::tuple(c.mode, c.filter, c.width))
            << c.line;
    }
    // A locked mode, shared by every session of a server, is answered and kept.
    RigctlSession::Shared shared;
    RigctlSession a(ops, {}, {}, &shared), b(ops, {}, {}, &shared);
    Play(a, {{"", "\\set_lock_mode 1", "RPRT 0\n"}});
    Play(b, {{"", "\\get_lock_mode", "1\nRPRT 0\n"}, {"", "M USB 0", "RPRT 0\n"}});
    EXPECT_EQ(model.Fields().mode, 3);
    EXPECT_EQ(Run("\\get_lock_mode"), "0\nRPRT 0\n"); // a session of its own
}

TEST_F(RigctlSessionTest, LevelsFunctionsAndOffsets) {
    for (const char* reply : {"PC0750", "BG17", "PA1", "GT0041", "SQ125"})
        Reply(reply); // 7.5 W in the low range; bar mode, five segments
    Play({
        {"KS022", "l KEYSPD", "22\n"},
        {"", "l RFPOWER", "0.500000\n"},
        {"", "l STRENGTH", "-24\n"},
        {"", "l PREAMP", "14\n"},
        {"", "l ATT", "0\n"},
        {"", "l AGC", "3\n"},
        {"", "l SQL", "0.500000\n"},
        {"PC1001", "l RFPOWER", "0.909091\n"}, // 100 W in the high range
        {"", "L KEYSPD 30", "RPRT 0\n"},
        {"", "L KEYSPD 5", "RPRT -1\n"},
        {"", "L RFPOWER 0.5", "RPRT 0\n"},
        {"", "L ATT 10", "RPRT 0\n"},
        {"", "L SQL 0.2", "RPRT 0\n"},
        {"", "U RIT 1", "RPRT 0\n"},
        {"", "U XIT 1", "RPRT 0\n"}, // RIT and XIT never run together
        {"", "u RIT", "0\n"},
        {"", "u XIT", "1\n"},
        {"", "u TUNER", "RPRT -1\n"},
        {"IF00014060000     -012010 0003000001 ", "j", "-120\n"},
        {"", "z", "-120\n"},
        {"", "J 254", "RPRT 0\n"},
        {"", "j", "250\n"}, // the radio's 10 Hz steps
        {"", "J 10000", "RPRT -1\n"},
        {"", "Z -9990", "RPRT 0\n"},
        {"", "y 1", "ANT1 \n0\nANT1 \nANT1 \n"},
        {"", "Y 2 0", "RPRT 0\n"},
    });
    const auto& f = model.Fields();
    // Power in tenths of a watt in the low range.
    EXPECT_EQ(std::tuple(f.cwSpeed, f.power, f.attenuator, f.squelch, f.offset, f.antenna),
              std::tuple(30, 75, 1, 50, -9990, 2));

    // A comma locale changes nothing, in either direction.
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr) ?: "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        Play({{"", "l SQL", "0.200000\n"},
              {"", "L RFPOWER 0,5", "RPRT -1\n"},
              {"", "L RFPOWER 0.2", "RPRT 0\n"}});
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST_F(RigctlSessionTest, TheVfoLockIsTheOperatorsAndSplitSurvivesVfoChoice) {
    Play({
        {"", "U LOCK 1", "RPRT 0\n"},
        {"", "F 7000000", "RPRT 0\n"},
        {"", "G UP", "RPRT 0\n"},
        {"", "F 499999", "RPRT -1\n"}, // beyond the K2's reach, nothing taken
        {"", "S 1 VFOB", "RPRT 0\n"},
        // Choosing a VFO with split on keeps split, transmitting on the other.
        {"", "V VFOB", "RPRT 0\n"},
        {"", "s", "1\nVFOA\n"},
        {"", "V VFOA", "RPRT 0\n"},
        {"", "s", "1\nVFOB\n"},
        {"", "S 0 VFOA", "RPRT 0\n"},
        {"", "s", "0\nVFOA\n"},
        {"", "S 2 VFOA", "RPRT -1\n"},
        {"", "G CPY", "RPRT 0\n"},
        {"", "F 7000000", "RPRT 0\n"},
        {"", "G XCHG", "RPRT 0\n"},
        {"", "G TOGGLE", "RPRT 0\n"},
        {"", "v", "VFOB\n"},
        {"", "G MCL", "RPRT -11\n"},
    });
    EXPECT_EQ(model.Fields().vfoA, 7000000u);
    EXPECT_EQ(model.Fields().vfoB, 7000000u);
}

TEST_F(RigctlSessionTest, PttAndWhatTheRadioCannotDo) {
    Play({
        {"MD3", "T 1", "RPRT 0\n"}, // as hamlib's K2 model: TX in CW too
        {"", "t", "1\n"},
        {"", "T 0", "RPRT 0\n"},
        {"", "T 4", "RPRT -1\n"},
        {"IF00014060000     +000000 0012000001 ", "t", "1\n"},
        // Without a keyer (no CW thread to reach) Morse is not available.
        {"", "b CQ CQ DE K2 ", "RPRT -11\n"},
        {"", "E 5", "RPRT -11\n"},
        {"", "\\get_clock", "RPRT -4\n"},
    });
}

TEST_F(RigctlSessionTest, MorseGoesToTheKeyerUnchanged) {
    std::vector<std::string> sent;
    int stops = 0;
    bool full = false;
    RigctlSession cw(ops, {},
                     {[&](std::string_view text) {
                          if (!full)
                              sent.emplace_back(text);
                          return !full;
                      },
                      [&] { ++stops; }});
    Play(cw, {
                 {"", "b CQ CQ DE K2  ", "RPRT 0\n"},
                 // rigctld 4.5 echoes the text with the blank before it.
                 {"", "+\\send_morse TEST 5nn\r", "send_morse:  TEST 5nn\nRPRT 0\n"},
                 {"", "b", "RPRT 0\n"}, // nothing to send is no error
             });
    EXPECT_EQ(cw.HandleLine("b " + std::string(2048, 'E')), "RPRT -1\n");
    full = true;
    Play(cw, {
                 {"", "b E", "RPRT -9\n"},
                 {"", "\\stop_morse", "RPRT 0\n"},
                 // In VFO mode, as in hamlib, neither takes a VFO.
                 {"", "\\set_vfo_opt 1", "RPRT 0\n"},
             });
    full = false;
    Play(cw, {{"", "b 73 ", "RPRT 0\n"}, {"", "\\stop_morse", "RPRT 0\n"}});
    EXPECT_EQ(stops, 2);
    EXPECT_EQ(sent, (std::vector<std::string>{"CQ CQ DE K2  ", "TEST 5nn", "73 "}));
}

TEST_F(RigctlSessionTest, SetMemRecallsAStoredMemory) {
    std::vector<int> asked;
    RigctlSession withMemories(ops, [&](int slot) -> std::optional<K2RadioState> {
        asked.push_back(slot);
        return slot == 7 ? std::optional(K2RadioState{}) : std::nullopt;
    });
    Play(withMemories, {
                           {"", "e", "RPRT -11\n"}, // nothing recalled yet
                           {"", "E 7", "RPRT 0\n"},
                           {"", "+e", "get_mem:\nMemory#: 7\nRPRT 0\n"},
                           {"", "E 8", "RPRT -1\n"}, // a free slot
                           {"", "E 100", "RPRT -1\n"},
                           {"", "e", "7\n"},
                       });
    EXPECT_EQ(asked, (std::vector<int>{7, 8}));
}

// hamlib's network client reads \dump_state as lists (receive and transmit
// ranges, tuning steps, filters), each ended by an all-zero line, single
// values, then six hex masks. (After \chk_vfo, the settings up to "done" are
// read by hamlib's own client: tests/sim.)
TEST_F(RigctlSessionTest, DumpStateReadsBackAsTheNetworkClientReadsIt) {
    Reply("MD3");
    Reply("FW060021");                         // this radio's FL2 in CW is 600 Hz
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // a comma locale must not show
    const std::string text = Run("\\dump_state");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(text.find(','), std::string::npos);
    const std::vector<std::string> plain = Lines(text);
    ASSERT_GT(plain.size(), 20u);
    EXPECT_EQ(plain[0], "1");
    // Four filters a mode group, after the tuning steps; hamlib takes the
    // first as normal, the next narrower as narrow and the next wider as wide.
    const auto filters = std::find(plain.begin() + 1, plain.end(), "0xc 2300");
    ASSERT_LT(filters - plain.begin() + 12, std::ptrdiff_t(plain.size()));
    EXPECT_EQ(
        std::vector(filters - 1, filters + 13),
        (std::vector<std::string>{"0 0", "0xc 2300", "0xc 2100", "0xc 1800", "0xc 2700", "0x82 400",
                                  "0x82 250", "0x82 600", "0x82 1500", "0xc00 2300", "0xc00 2100",
                                  "0xc00 1800", "0xc00 2700", "0 0"}));
    // Without \chk_vfo the masks end it: get and set of functions, levels, parameters.
    unsigned long long masks[6] = {};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string& line = plain[plain.size() - 6 + i];
        EXPECT_TRUE(line.starts_with("0x")) << line;
        masks[i] = std::strtoull(line.c_str(), nullptr, 16);
    }
    EXPECT_TRUE(masks[2] & (1u << 14));  // KEYSPD
    EXPECT_TRUE(masks[2] & (1u << 30));  // STRENGTH
    EXPECT_FALSE(masks[3] & (1u << 30)); // STRENGTH is read only
    EXPECT_TRUE(masks[0] & (1u << 24));  // RIT
}

} // namespace
