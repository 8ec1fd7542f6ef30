#include "radio/RadioOperations.h"

#include "radio/CK2CommChannel.h"
#include "radio/CRecvrCmdParsingThread.h"
#include "radio/K2Commands.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace tamrel {

using namespace std::chrono_literals;
using Kind = SequenceRunner::Kind;

namespace {
constexpr uint16_t kUp = 1;
constexpr uint16_t kDown = 2;
// Everything the panel shows, read once at the start and again now and then.
constexpr const char* kStateQueries[] = {"IF", "FA", "FB", "PA", "RA", "FW", "GT",
                                         "KS", "PC", "SQ", "AN", "NB", "LK"};
} // namespace

RadioOperations::RadioOperations(K2RadioModel& model, CK2CommChannel* channel)
    : model_(model), channel_(channel) {}

bool RadioOperations::Sent(uint32_t result) {
    if (result != K2_OK && result != K2_ERR_NO_PORT)
        refusals_.Announce(result);
    return result == K2_OK;
}

uint32_t RadioOperations::ApplyReply(int id, std::string_view text) {
    const uint32_t changes = model_.ApplyReply(id, text);
    if ((changes & radio_change::kFirstReply) && channel_)
        channel_->SetStatusPolling(true);
    OnCheckReply(id, text);
    return changes;
}

void RadioOperations::HookReceiveThread(Address<LinkEvent> panel) {
    if (!channel_ || !channel_->Runner())
        return;
    CK2CommChannel* ch = channel_;
    ch->Runner()->Run(Kind::ReceiveHook,
                      {{[ch, panel] { ch->PostToReceiveThread(RecvDeliverTo{panel}); }, 100ms},
                       {[ch] { ch->PostToReceiveThread(RecvPurge{}); }, 100ms},
                       {[this, ch] {
                            ch->PostToReceiveThread(RecvStart{});
                            SendInitialQuery();
                        },
                        {}}});
}

void RadioOperations::SendInitialQuery() {
    if (!channel_ || !channel_->Runner())
        return;
    CK2CommChannel* ch = channel_;
    std::vector<SequenceRunner::Step> steps = {{[ch] { (void)ch->CmdK2(K2_SET, 2); }, 100ms},
                                               {[ch] { (void)ch->CmdAI(K2_SET, 3); }, 100ms}};
    for (const char* query : kStateQueries)
        steps.push_back({[ch, query] { (void)ch->SendCommand(query); }, 100ms});
    ch->Runner()->Run(Kind::InitialQuery, std::move(steps));
}

void RadioOperations::RefreshState() {
    if (!channel_ || !channel_->Runner())
        return;
    CK2CommChannel* ch = channel_;
    std::vector<SequenceRunner::Step> steps;
    for (const char* query : kStateQueries)
        steps.push_back({[ch, query] { (void)ch->SendCommand(query); }, 100ms});
    // A start-up query still going reads all of this already.
    ch->Runner()->RunUnlessRunning(Kind::InitialQuery, std::move(steps));
}

void RadioOperations::Shutdown() {
    if (!channel_ || !channel_->Runner())
        return;
    CK2CommChannel* ch = channel_;
    ch->Runner()->CancelSequences();
    // Whoever keyed the radio (a network client, the keyer's buffer), it is
    // left receiving: unkey, abort what the keyer still holds, then quiet.
    ch->Runner()->Run(Kind::Shutdown, {{[ch] { (void)ch->CmdTransmit(false); }, 100ms},
                                       {[ch] { (void)ch->CmdKYCancel(); }, 100ms},
                                       {[ch] {
                                            (void)ch->CmdAI(K2_SET, 0);
                                            ch->PostToReceiveThread(RecvDeliverTo{});
                                        },
                                        100ms},
                                       {[ch] { ch->PostToReceiveThread(RecvPurge{}); }, 100ms},
                                       {[ch] { ch->PostToReceiveThread(RecvStop{}); }, {}}});
}

// ---- VFOs -----------------------------------------------------------------------

bool RadioOperations::TuneStep(bool up, int step) {
    if (Locked())
        return false;
    if (channel_)
        Sent(channel_->CmdUpDown(up ? kUp : kDown, static_cast<uint16_t>(step)));
    return true;
}

bool RadioOperations::TuneBy(int64_t deltaHz) {
    if (Locked())
        return false;
    if (deltaHz == 0)
        return true;
    // Relative steps stay right however quickly keys follow each other and
    // whatever the radio has reported meanwhile; an absolute frequency would
    // be reckoned from a report that may be behind. Only a long way goes as one.
    constexpr int kMaxSteps = 10;
    const bool up = deltaHz > 0;
    int64_t rest = std::llabs(deltaHz);
    std::vector<int> steps;
    for (auto [hz, step] : {std::pair{1000, 4}, {50, 3}, {20, 2}, {10, 1}})
        for (; rest >= hz && int(steps.size()) <= kMaxSteps; rest -= hz)
            steps.push_back(step);
    if (rest == 0 && int(steps.size()) <= kMaxSteps) {
        for (int step : steps)
            TuneStep(up, step);
        return true;
    }
    const int vfo = model_.Fields().receiveVfo;
    // The radio's range ends at 0 Hz and 11 digits; a move past an end stops there.
    const int64_t hz =
        std::clamp<int64_t>(int64_t(model_.Fields().vfo(vfo)) + deltaHz, 0, int64_t(UINT32_MAX));
    return SetVfoFrequency(vfo, static_cast<uint32_t>(hz));
}

bool RadioOperations::BandStep(bool up) {
    if (Locked())
        return false;
    if (channel_)
        Sent(channel_->CmdBandStep(up ? kUp : kDown));
    return true;
}

bool RadioOperations::SelectBand(int index) {
    if (Locked() || index < 0 || index >= kBandCount || index == model_.CurrentBand().index)
        return false;
    // The band itself changes when the radio reports the new frequency.
    const int rx = model_.Fields().receiveVfo;
    const VfoPair& pair = model_.VfoMemoryTable()[static_cast<std::size_t>(index)];
    return TuneVfo(rx, rx == 0 ? pair.a : pair.b);
}

bool RadioOperations::SetVfoFrequency(int vfo, uint32_t hz) {
    if (Locked())
        return false;
    model_.SetVfoFrequency(vfo, hz);
    if (channel_)
        Sent(channel_->CmdVfoFreq(K2_SET, static_cast<uint16_t>(vfo), hz));
    return true;
}

bool RadioOperations::TuneVfo(int vfo, uint32_t hz) {
    if (Locked())
        return false;
    if (channel_)
        Sent(channel_->CmdVfoFreq(K2_SET, static_cast<uint16_t>(vfo), hz));
    return true;
}

bool RadioOperations::CopyVfo(int from, int to) {
    return SetVfoFrequency(to, model_.Fields().vfo(from));
}

bool RadioOperations::SetReceiveVfo(int vfo) {
    if (Locked())
        return false;
    if (channel_)
        Sent(channel_->CmdFR(K2_SET, static_cast<uint16_t>(vfo)));
    model_.SetVfoRoles(vfo, vfo);
    return true;
}

bool RadioOperations::SetTransmitVfo(int vfo) {
    if (Locked())
        return false;
    if (channel_)
        Sent(channel_->CmdFT(K2_SET, static_cast<uint16_t>(vfo)));
    model_.SetVfoRoles(model_.Fields().receiveVfo, vfo);
    return true;
}

void RadioOperations::SetVfoLock(bool on) {
    model_.SetVfoLock(on);
    if (channel_)
        Sent(channel_->CmdLK(K2_SET, on));
}

// ---- RIT and XIT ----------------------------------------------------------------

std::pair<bool, bool> RadioOperations::ToggleRit() {
    const bool rit = !model_.Fields().ritOn;
    bool xit = model_.Fields().xitOn != 0;
    // The radio has one offset; RIT and XIT never run together from here.
    if (rit && xit) {
        xit = false;
        if (channel_)
            Sent(channel_->CmdXT(K2_SET, 0));
    }
    if (channel_)
        Sent(channel_->CmdRT(K2_SET, rit));
    model_.SetRitXit(rit, xit);
    return {rit, xit};
}

std::pair<bool, bool> RadioOperations::ToggleXit() {
    const bool xit = !model_.Fields().xitOn;
    bool rit = model_.Fields().ritOn != 0;
    if (xit && rit) {
        rit = false;
        if (channel_)
            Sent(channel_->CmdRT(K2_SET, 0));
    }
    if (channel_)
        Sent(channel_->CmdXT(K2_SET, xit));
    model_.SetRitXit(rit, xit);
    return {rit, xit};
}

void RadioOperations::ClearOffset() {
    if (channel_)
        Sent(channel_->CmdRC());
}

void RadioOperations::StepOffset(bool up) {
    if (channel_)
        Sent(channel_->CmdRitStep(up ? kUp : kDown));
}

void RadioOperations::MoveOffsetTo(int offsetHz) {
    // The radio only steps its offset by 10 Hz, so a new offset is sent as
    // RU/RD steps from the offset it last reported.
    const int delta = offsetHz - model_.Fields().offset;
    if (channel_)
        Sent(channel_->CmdRitOffset(delta >= 0 ? kUp : kDown,
                                    static_cast<uint32_t>(std::abs(delta))));
}

// ---- Receiver and transmitter ---------------------------------------------------

void RadioOperations::SetMode(int code) {
    if (model_.Fields().mode != code && channel_)
        Sent(channel_->CmdMD(K2_SET, static_cast<uint16_t>(code)));
}

void RadioOperations::SetAgc(int code) {
    if (model_.Fields().agc != code && channel_)
        Sent(channel_->CmdGT(K2_SET, static_cast<uint16_t>(code)));
    // "Off" is taken at once, even when nothing was sent.
    if (code == 0)
        model_.SetAgc(0);
}

void RadioOperations::SetCrystalFilter(int filter) {
    if (model_.Fields().crystalFilter != filter && channel_)
        Sent(channel_->CmdFW(K2_SET, static_cast<uint16_t>(model_.Fields().bandwidth),
                             static_cast<uint16_t>(filter)));
}

void RadioOperations::SetPreamp(bool on) {
    model_.SetPreamp(on);
    if (channel_)
        Sent(channel_->CmdPA(K2_SET, on));
}

void RadioOperations::SetAttenuator(bool on) {
    model_.SetAttenuator(on);
    if (channel_)
        Sent(channel_->CmdRA(K2_SET, on));
}

void RadioOperations::StepAudioFilter() {
    if (channel_)
        Sent(channel_->CmdSW29());
}

void RadioOperations::StepNoiseBlanker() {
    if (channel_)
        Sent(channel_->CmdNB(K2_SET, 1));
}

void RadioOperations::SetAntenna(int antenna) {
    model_.SetAntenna(antenna);
    if (channel_)
        Sent(channel_->CmdSelectAntenna(K2_SET, static_cast<uint16_t>(antenna)));
}

uint32_t RadioOperations::Tune() {
    if (channel_)
        Sent(channel_->CmdSW20());
    return model_.SetTuneKeyed(!model_.TuneKeyed());
}

void RadioOperations::SetPower(int power) {
    SetPower(power, paOption_);
}

void RadioOperations::SetPower(int power, bool unscaledRange) {
    model_.SetPower(power);
    if (channel_)
        Sent(channel_->CmdPC(K2_SET, static_cast<uint16_t>(power), unscaledRange ? 1 : 0));
}

void RadioOperations::SetCwSpeed(int wpm) {
    model_.SetCwSpeed(wpm);
    if (channel_)
        Sent(channel_->CmdKS(K2_SET, static_cast<uint16_t>(wpm)));
}

void RadioOperations::SetSquelch(int level) {
    level -= level % 25;
    model_.SetSquelch(level);
    if (channel_)
        Sent(channel_->CmdSQ(K2_SET, static_cast<uint16_t>(level)));
}

bool RadioOperations::SetTransmit(bool on) {
    const int mode = model_.Fields().mode;
    if (on && (mode == 3 || mode == 7))
        return false;
    if (channel_ && Sent(channel_->CmdTransmit(on)) && !on)
        Sent(channel_->CmdIF()); // see CheckedSetPtt
    keyingTag_ = 0;
    model_.SetPttKeyed(on);
    return true;
}

void RadioOperations::ApplyState(const K2RadioState& state) {
    if (!channel_ || !channel_->Runner())
        return;
    CK2CommChannel* ch = channel_;
    const K2RadioState s = state;
    const auto width = static_cast<uint16_t>(model_.Fields().bandwidth);
    // Each value is cut to the encoder's 16 bits first, so a stored value out
    // of range is refused by the encoder rather than wrapped into range.
    auto narrow = [](uint32_t v) { return static_cast<uint16_t>(v > 0xffff ? 0xffff : v); };
    ch->Runner()->Run(
        Kind::MemoryRecall,
        {{[ch, s] { (void)ch->CmdVfoFreq(K2_SET, 0, s.vfoA); }, 100ms},
         {[ch, s] { (void)ch->CmdVfoFreq(K2_SET, 1, s.vfoB); }, 100ms},
         {[ch, s, narrow] { (void)ch->CmdFR(K2_SET, narrow(s.receiveVfo)); }, 100ms},
         {[ch, s, narrow] { (void)ch->CmdFT(K2_SET, narrow(s.transmitVfo)); }, 100ms},
         {[ch, s, narrow] { (void)ch->CmdMD(K2_SET, narrow(s.mode)); }, 100ms},
         {[ch, s, width, narrow] { (void)ch->CmdFW(K2_SET, width, narrow(s.crystalFilter)); },
          100ms}});
}

void RadioOperations::TapSwitch(int code) {
    if (channel_)
        Sent(channel_->CmdSwitch(static_cast<int16_t>(code)));
}

void RadioOperations::ScanBetween(int32_t lowHz, int32_t highHz) {
    if (!channel_)
        return;
    Sent(channel_->CmdScanSetup(lowHz, highHz));
    channel_->SetPollVfoA(true);
}

void RadioOperations::EndScan() {
    if (channel_)
        channel_->SetPollVfoA(false);
}

} // namespace tamrel

// ---- Checked sets -----------------------------------------------------------------

namespace tamrel {

namespace rc = radio_change;

void RadioOperations::StartCheck(Check check, const std::function<bool(uint64_t tag)>& send,
                                 bool checkpoint) {
    if (!channel_) {
        // Nobody to ask: the model's value stands.
        if (check.done)
            check.done(SetOutcome::Done);
        return;
    }
    check.tag = nextTag_++;
    check.deadline = std::chrono::steady_clock::now() + kCheckTimeout;
    model_.Hold(check.held);
    const uint64_t tag = check.tag;
    checks_.push_back(std::move(check));
    if (!send(tag) || (checkpoint && channel_->CmdCheckpoint(tag) != K2_OK))
        Resolve(tag, SetOutcome::NoAnswer);
}

void RadioOperations::Resolve(uint64_t tag, SetOutcome outcome) {
    auto it = std::find_if(checks_.begin(), checks_.end(),
                           [tag](const Check& c) { return c.tag == tag; });
    if (it == checks_.end())
        return;
    Check check = std::move(*it);
    checks_.erase(it);
    if (outcome == SetOutcome::Done &&
        (check.refusals > 0 || (check.accepted && !check.accepted(model_.Reported()))))
        outcome = SetOutcome::Refused;
    if (outcome == SetOutcome::NoAnswer && channel_)
        channel_->ForgetCheckpoint(tag);
    using Release = K2RadioModel::Release;
    if (outcome == SetOutcome::Done) {
        // What was asked about shows the radio's answer; the rest stays as set,
        // as reports that came meanwhile may be older than the command.
        model_.Unhold(check.held & check.verified, Release::Heard);
        model_.Unhold(check.held & ~check.verified, Release::Keep);
    } else {
        model_.Unhold(check.held, Release::Revert);
    }
    if (check.keyed && outcome != SetOutcome::Done)
        model_.SetPttKeyed(false);
    // Replies to queries sent before the TX (a client's sets just before its
    // T 1) came in receiving and may have unkeyed the model; from the
    // checkpoint on, every report is the keyed radio's.
    if (check.keyed && outcome == SetOutcome::Done && tag == keyingTag_)
        model_.SetPttKeyed(true);
    if (check.done)
        check.done(outcome);
}

void RadioOperations::OnCheckReply(int id, std::string_view text) {
    if (!channel_)
        return;
    if (id == ID_ID) {
        if (std::optional<uint64_t> tag = channel_->TakeCheckpoint())
            Resolve(*tag, SetOutcome::Done);
    } else if (id == ID_NONE && text == "?" && !checks_.empty()) {
        // The refused command went out before the next checkpoint still on its way.
        const std::optional<uint64_t> next = channel_->NextCheckpoint();
        auto it = std::find_if(checks_.begin(), checks_.end(),
                               [&](const Check& c) { return next && c.tag == *next; });
        (it != checks_.end() ? *it : checks_.front()).refusals++;
    } else if (id == ID_IF && channel_->Runner() &&
               !channel_->Runner()->Running(SequenceRunner::Kind::RitOffset) &&
               std::none_of(checks_.begin(), checks_.end(),
                            [](const Check& c) { return c.offset; })) {
        offsetAtRadio_ = model_.Reported().offset;
    }
    ExpireChecks(std::chrono::steady_clock::now());
}

void RadioOperations::ExpireChecks(std::chrono::steady_clock::time_point now) {
    while (true) {
        auto it = std::find_if(checks_.begin(), checks_.end(),
                               [now](const Check& c) { return c.deadline <= now; });
        if (it == checks_.end())
            return;
        Resolve(it->tag, SetOutcome::NoAnswer);
    }
}

void RadioOperations::CheckedSetFrequency(int vfo, uint32_t hz, SetDone done) {
    hz -= hz % 10; // the radio ignores the 1 Hz digit
    const uint32_t bit = vfo == 0 ? rc::kVfoA : rc::kVfoB;
    model_.SetVfoFrequency(vfo, hz);
    // Either VFO set into another band changes band, bringing that band's mode
    // and filter: ask for them too. Within a band the radio takes any frequency.
    const bool newBand = !(model_.CurrentBand().lowHz <= hz && hz <= model_.CurrentBand().highHz);
    Check check;
    check.held = bit;
    // Outside the band it stands in, the radio may go elsewhere: ask where it went.
    if (newBand) {
        check.verified = bit;
        check.accepted = [vfo, hz](const RadioFields& r) { return r.vfo(vfo) == hz; };
    }
    check.done = std::move(done);
    CK2CommChannel* ch = channel_;
    StartCheck(std::move(check), [=](uint64_t) {
        const auto v = static_cast<uint16_t>(vfo);
        return ch->CmdVfoFreq(K2_SET, v, hz) == K2_OK &&
               (!newBand ||
                (ch->CmdVfoFreq(K2_QUERY, v, 0) == K2_OK && ch->CmdMD(K2_QUERY, 0) == K2_OK &&
                 ch->CmdFW(K2_QUERY, 0, 0) == K2_OK));
    });
}

void RadioOperations::CheckedSetMode(int code, int filter, SetDone done) {
    model_.SetMode(code);
    Check check;
    check.held = rc::kMode;
    if (filter != 0) {
        model_.SetCrystalFilter(filter, model_.FilterWidth(code, filter));
        check.held |= rc::kFilter;
        check.verified = rc::kFilter;
        check.accepted = [filter](const RadioFields& r) { return r.crystalFilter == filter; };
    }
    check.done = std::move(done);
    CK2CommChannel* ch = channel_;
    const auto width = static_cast<uint16_t>(model_.Fields().bandwidth);
    // The radio keeps a filter for each mode: FW says which it took.
    StartCheck(std::move(check), [=](uint64_t) {
        return ch->CmdMD(K2_SET, static_cast<uint16_t>(code)) == K2_OK &&
               (filter == 0 || ch->CmdFW(K2_SET, width, static_cast<uint16_t>(filter)) == K2_OK) &&
               ch->CmdFW(K2_QUERY, 0, 0) == K2_OK;
    });
}

void RadioOperations::CheckedSetVfos(int receiveVfo, int transmitVfo, SetDone done) {
    const bool newReceive = receiveVfo != model_.Fields().receiveVfo;
    model_.SetVfoRoles(receiveVfo, transmitVfo);
    Check check;
    check.held = rc::kReceiveVfo | rc::kTransmitVfo;
    check.done = std::move(done);
    CK2CommChannel* ch = channel_;
    StartCheck(std::move(check), [=](uint64_t) {
        const auto rx = static_cast<uint16_t>(receiveVfo);
        const auto tx = static_cast<uint16_t>(transmitVfo);
        // FR ends split: FT after it keeps the transmit VFO asked for.
        return (!newReceive || ch->CmdFR(K2_SET, rx) == K2_OK) &&
               ((newReceive && tx == rx) || ch->CmdFT(K2_SET, tx) == K2_OK);
    });
}

void RadioOperations::CheckedSetPtt(bool on, SetDone done) {
    // Keyed already (another client, or one that keyed and quit): the radio
    // would refuse a second TX as busy, yet it is doing what was asked.
    if (on && model_.PttKeyed()) {
        if (done)
            done(SetOutcome::Done);
        return;
    }
    model_.SetPttKeyed(on);
    keyingTag_ = 0;
    Check check;
    check.keyed = on;
    check.done = std::move(done);
    CK2CommChannel* ch = channel_;
    // Unkeyed, the radio's report says so at once: its last one said
    // transmitting and would stand until the next full read.
    StartCheck(std::move(check), [this, ch, on](uint64_t tag) {
        if (on)
            keyingTag_ = tag;
        return ch->CmdTransmit(on) == K2_OK && (on || ch->CmdIF() == K2_OK);
    });
}

void RadioOperations::CheckedSetOffset(int offsetHz, bool xit, SetDone done) {
    const RadioFields& f = model_.Fields();
    const bool switchOn = !f.ritOn && !f.xitOn;
    Check check;
    check.held = rc::kOffset | (switchOn ? rc::kRitXit : 0);
    check.offset = true;
    check.verified = rc::kOffset;
    check.accepted = [offsetHz](const RadioFields& r) { return r.offset == offsetHz; };
    check.done = std::move(done);
    if (switchOn) {
        model_.SetRitXit(!xit, xit);
        if (channel_)
            Sent(xit ? channel_->CmdXT(K2_SET, 1) : channel_->CmdRT(K2_SET, 1));
    }
    // An offset still being stepped to is given up for this one, unjudged.
    for (auto it = checks_.begin(); it != checks_.end();) {
        if (!it->offset) {
            ++it;
            continue;
        }
        Check old = std::move(*it);
        it = checks_.erase(it);
        model_.Unhold(old.held, K2RadioModel::Release::Keep);
        if (old.done)
            old.done(SetOutcome::Done);
    }
    model_.SetOffset(offsetHz);
    CK2CommChannel* ch = channel_;
    const auto send = [this, ch, offsetHz](uint64_t tag) {
        if (!ch->Runner())
            return false;
        // Planned on the runner's thread, where the steps of an offset move
        // it replaces have stopped: each step written has moved offsetAtRadio_.
        auto plan = [this, ch, offsetHz, tag] {
            const int delta = offsetHz - offsetAtRadio_;
            const uint16_t direction = delta >= 0 ? 1 : 2;
            std::vector<SequenceRunner::Step> steps(static_cast<std::size_t>(std::abs(delta) / 10),
                                                    {[this, ch, direction] {
                                                         if (ch->CmdRitStep(direction) == K2_OK)
                                                             offsetAtRadio_ +=
                                                                 direction == 1 ? 10 : -10;
                                                     },
                                                     10ms});
            steps.push_back({[ch, tag] {
                                 (void)ch->CmdIF();
                                 (void)ch->CmdCheckpoint(tag);
                             },
                             {}});
            ch->Runner()->Run(Kind::RitOffset, std::move(steps));
        };
        ch->Runner()->Run(Kind::RitOffset, {{plan, {}}});
        return true;
    };
    StartCheck(std::move(check), send, false);
}

} // namespace tamrel
