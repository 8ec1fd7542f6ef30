#include "K2Model.h"

#include "radio/BandTable.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tamrel::k2sim {

namespace {

constexpr uint32_t kReachHz = 100000; // how far outside its edges a band still reaches

// The value of exactly n decimal digits, or nothing.
std::optional<int> digits(std::string_view s, std::size_t n) {
    if (s.size() != n || n == 0 || n > 9)
        return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int bandOf(uint32_t hz) {
    for (int b = 0; b < kBandCount; ++b)
        if (hz + kReachHz >= kBandDefaults[b].lowHz && hz <= kBandDefaults[b].highHz + kReachHz)
            return b;
    return -1;
}

int nearestBand(uint32_t hz) {
    int best = 0;
    uint32_t bestDistance = UINT32_MAX;
    for (int b = 0; b < kBandCount; ++b) {
        const auto& d = kBandDefaults[b];
        uint32_t dist = hz < d.lowHz ? d.lowHz - hz : (hz > d.highHz ? hz - d.highHz : 0);
        if (dist < bestDistance) {
            bestDistance = dist;
            best = b;
        }
    }
    return best;
}

std::string fmt(const char* format, int a, int b = 0, int c = 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, a, b, c);
    return buf;
}

} // namespace

K2Model::K2Model() : K2Model(Options{}) {}

K2Model::K2Model(Options options) : opt_(options), rng_(options.seed) {
    for (int b = 0; b < kBandCount; ++b) {
        bands_[b].vfo[0] = bands_[b].vfo[1] = kBandDefaults[b].vfoHz;
    }
    cur_ = bands_[band_];
    meter_ = std::clamp(opt_.signalLevel, 0, 10);
}

std::vector<std::string> K2Model::receive(std::string_view bytes, Millis now) {
    std::vector<std::string> done;
    for (char c : bytes) {
        if (c == '\r' || c == '\n')
            continue;
        if (c != ';') {
            if (partial_.size() >= kMaxCommandLength)
                overflow_ = true;
            else
                partial_ += c;
            continue;
        }
        if (overflow_)
            push("?;", now);
        else if (!partial_.empty())
            execute(partial_, now);
        if (!partial_.empty())
            done.push_back(partial_);
        partial_.clear();
        overflow_ = false;
    }
    return done;
}

std::string K2Model::takeDue(Millis now) {
    std::string result;
    while (!out_.empty() && out_.front().due <= now) {
        result += out_.front().bytes;
        out_.pop_front();
    }
    if (ifDue_ && *ifDue_ <= now) {
        ifDue_.reset();
        result += replyIF(now);
    }
    return result;
}

std::optional<Millis> K2Model::nextDue() const {
    std::optional<Millis> due = ifDue_;
    if (!out_.empty() && (!due || out_.front().due < *due))
        due = out_.front().due;
    return due;
}

void K2Model::push(std::string bytes, Millis now) {
    Millis due = out_.empty() ? now : std::max(now, out_.back().due);
    out_.push_back({due, std::move(bytes)});
}

void K2Model::changed(uint32_t reports, bool frequencyEvent, Millis now) {
    if (ai_ == 0)
        return;
    if (frequencyEvent || (reports & kIF))
        ifDue_ = now + Millis(opt_.ifHoldoffMs);
    if (ai_ < 2)
        return;
    for (uint32_t bit = kFA; bit <= kXT; bit <<= 1)
        if (reports & bit)
            push(reply(static_cast<Report>(bit), now), now);
}

bool K2Model::transmitting(Millis now) const {
    return txByCommand_ || tuning_ || (!cwTest_ && !keyerIdle(now));
}

bool K2Model::busy(Millis now) const {
    return transmitting(now) || entry_.has_value() || scan_.has_value();
}

void K2Model::execute(const std::string& command, Millis now) {
    if (command.size() < 2) {
        push("?;", now);
        return;
    }
    std::string name = command.substr(0, 2);
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string arg = command.substr(2);
    if (name != "KY")
        for (char& c : arg)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!dispatch(name, arg, now))
        push("?;", now);
}

bool K2Model::dispatch(std::string_view name, std::string_view arg, Millis now) {
    const bool get = arg.empty();
    const bool isBusy = busy(now);
    auto flag = [&](bool& field, uint32_t report, bool freqEvent) {
        if (get) {
            push(reply(static_cast<Report>(report), now), now);
            return true;
        }
        auto v = digits(arg, 1);
        if (!v || *v > 1 || isBusy)
            return false;
        field = *v == 1;
        changed(report, freqEvent, now);
        return true;
    };
    auto getOnly = [&](std::string text) {
        if (!get)
            return false;
        push(std::move(text), now);
        return true;
    };

    if (name == "AI" || name == "K2") {
        int& level = name == "AI" ? ai_ : k2_;
        if (get) {
            push(fmt(name == "AI" ? "AI%d;" : "K2%d;", level), now);
            return true;
        }
        auto v = digits(arg, 1);
        if (!v || *v > 3)
            return false;
        level = *v;
        if (name == "AI" && ai_ == 0)
            ifDue_.reset();
        if (name == "AI" && ai_ == 1)
            push(replyIF(now), now);
        return true;
    }
    if (name == "ID")
        return getOnly("ID017;");
    if (name == "PS")
        return getOnly("PS1;");
    if (name == "IF")
        return getOnly(replyIF(now));
    if (name == "DS")
        return getOnly(replyDS(now));
    if (name == "BG") {
        if (!get)
            return false;
        push(replyBG(now), now);
        return true;
    }
    if (name == "TQ")
        return getOnly(transmitting(now) ? "TQ1;" : "TQ0;");
    if (name == "SM") {
        if (!get)
            return false;
        std::string bg = replyBG(now);
        int segments = std::stoi(bg.substr(2, 2));
        segments = opt_.barMode ? segments - 12 : segments;
        int sm = transmitting(now) ? 0 : std::min(15, (segments * 15 + 4) / 9);
        push(fmt("SM%04d;", sm), now);
        return true;
    }
    if (name == "SW")
        return switchCode(arg, now);
    if (name == "KY") {
        if (get) {
            advanceKeyer(now);
            std::size_t free = kKeyerBufferSize - keyerQueue_.size();
            int state = free < 24 ? 1 : 0;
            if (extended() && keyerIdle(now))
                state = 2;
            push(fmt("KY%d;", state), now);
            return true;
        }
        return arg[0] == ' ' && arg.size() <= 25 && keyText(arg.substr(1), now);
    }
    if (name == "KS") {
        if (get) {
            push(reply(kKS, now), now);
            return true;
        }
        auto v = digits(arg, 3);
        if (!v)
            return false;
        wpm_ = std::clamp(*v, 9, 50);
        changed(kKS, false, now);
        return true;
    }
    if (name == "PC") {
        if (get) {
            push(reply(kPC, now), now);
            return true;
        }
        auto v = digits(arg.substr(0, 3), 3);
        if (!v || (arg.size() != 3 && !(extended() && arg.size() == 4)))
            return false;
        bool high = highRange_;
        if (arg.size() == 4) {
            auto x = digits(arg.substr(3), 1);
            if (!x || *x > 1 || (*x == 1 && !opt_.paOption))
                return false;
            high = *x == 1;
        }
        highRange_ = high;
        if (high)
            powerTenths_ = std::clamp(*v, 1, 110) * 10;
        else
            powerTenths_ = extended() ? std::clamp(*v, 0, 150) : std::clamp(*v, 0, 15) * 10;
        changed(kPC, false, now);
        return true;
    }
    if (name == "RX") {
        if (!get)
            return false;
        endTransmit();
        return true;
    }

    // Everything below is refused while the radio is busy (RC: see its case).
    if (name == "RC") {
        if (!get)
            return false;
        if (transmitting(now)) {
            clearPending_ = true;
            return false;
        }
        if (isBusy)
            return false;
        ritOffset_ = 0;
        changed(0, true, now);
        return true;
    }
    if (!get && isBusy)
        return false;

    if (name == "FA" || name == "FB") {
        int vfo = name == "FA" ? 0 : 1;
        if (get) {
            push(reply(vfo == 0 ? kFA : kFB, now), now);
            return true;
        }
        return setFrequency(vfo, arg, now);
    }
    if (name == "UP" || name == "DN") {
        if (isBusy || !upDown(name == "UP" ? 1 : -1, arg))
            return false;
        changed(cur_.rxVfo ? kFB : kFA, true, now);
        return true;
    }
    if (name == "RU" || name == "RD") {
        if (!get || isBusy)
            return false;
        ritOffset_ = std::clamp(ritOffset_ + (name == "RU" ? 10 : -10), -9990, 9990);
        changed(0, true, now);
        return true;
    }
    if (name == "TX") {
        if (!get || isBusy)
            return false;
        txByCommand_ = true;
        return true;
    }
    if (name == "FR" || name == "FT") {
        if (get) {
            push(reply(name == "FR" ? kFR : kFT, now), now);
            return true;
        }
        auto v = digits(arg, 1);
        if (!v || *v > 1)
            return false;
        cur_.txVfo = *v;
        if (name == "FR")
            cur_.rxVfo = *v; // any FR cancels split
        changed(name == "FR" ? (kFR | kFT) : kFT, true, now);
        return true;
    }
    if (name == "MD") {
        if (get) {
            int m = cur_.mode;
            if (k2_ == 1 || k2_ == 3)
                m = m == 6 ? 1 : (m == 9 ? 2 : m);
            push(fmt("MD%d;", m), now);
            return true;
        }
        auto v = digits(arg, 1);
        if (!v || !(*v == 1 || *v == 2 || *v == 3 || *v == 6 || *v == 7 || *v == 9))
            return false;
        cur_.mode = *v;
        changed(0, true, now);
        return true;
    }
    if (name == "AN") {
        if (get) {
            push(reply(kAN, now), now);
            return true;
        }
        auto v = digits(arg, 1);
        if (!v || (*v != 1 && *v != 2))
            return false;
        cur_.antenna = *v;
        changed(kAN, false, now);
        return true;
    }
    if (name == "PA")
        return flag(cur_.preamp, kPA, false);
    if (name == "RT")
        return flag(rit_, kRT, true);
    if (name == "XT")
        return flag(xit_, kXT, true);
    if (name == "LK")
        return flag(lock_, kLK, false);
    if (name == "RA") {
        if (get) {
            push(reply(kRA, now), now);
            return true;
        }
        auto v = digits(arg, 2);
        if (!v || *v > 1)
            return false;
        cur_.att = *v == 1;
        changed(kRA, false, now);
        return true;
    }
    if (name == "NB") {
        if (get) {
            push(reply(kNB, now), now);
            return true;
        }
        if (!digits(arg, 1))
            return false;
        cur_.nb = (cur_.nb + 1) % 3; // the value is ignored: each SET steps the blanker
        changed(kNB, false, now);
        return true;
    }
    if (name == "FW") {
        if (get) {
            push(reply(kFW, now), now);
            return true;
        }
        if (!allDigits(arg))
            return false;
        if (arg.size() == 4) {
            cur_.filter = cur_.filter % 4 + 1; // the basic SET steps to the next filter
        } else {
            int n = arg.back() - '0';
            if (!extended() || arg.size() < 5 || n < 1 || n > 4)
                return false;
            cur_.filter = n;
        }
        changed(kFW, false, now);
        return true;
    }
    if (name == "GT") {
        if (get) {
            push(reply(kGT, now), now);
            return true;
        }
        auto speed = digits(arg.substr(0, 3), 3);
        if (!speed || !(arg.size() == 3 || (extended() && arg.size() == 4)))
            return false;
        int on = arg.size() == 4 ? arg[3] - '0' : 1;
        if (on < 0 || on > 1 || !(*speed == 2 || *speed == 4 || (*speed == 0 && on == 0)))
            return false;
        if (*speed != 0)
            cur_.agcSpeed = *speed;
        cur_.agcOn = on == 1;
        changed(kGT, false, now);
        return true;
    }
    if (name == "SQ") {
        if (get) {
            push(reply(kSQ, now), now);
            return true;
        }
        auto v = digits(arg, 3);
        if (!v)
            return false;
        squelch_ = std::min(*v, 250) / 25 * 25;
        changed(kSQ, false, now);
        return true;
    }
    return false;
}

bool K2Model::setFrequency(int vfo, std::string_view arg, Millis now) {
    auto digitsOk = allDigits(arg) && arg.size() == 11;
    if (!digitsOk)
        return false;
    // The tens-of-GHz and GHz digits and the 1 Hz digit are ignored.
    uint32_t hz = static_cast<uint32_t>(std::stoul(std::string(arg.substr(2, 8)))) * 10;
    int b = bandOf(hz);
    if (b < 0) {
        // Out of reach: the nearest band with its last VFO values.
        int nb = nearestBand(hz);
        if (nb != band_) {
            switchBand(nb);
            bandBurst(now);
        }
        return true;
    }
    if (b != band_) {
        switchBand(b);
        cur_.vfo[vfo] = hz;
        bandBurst(now);
        return true;
    }
    cur_.vfo[vfo] = hz;
    changed(vfo == 0 ? kFA : kFB, true, now);
    return true;
}

bool K2Model::upDown(int sign, std::string_view arg) {
    int step = 10;
    if (!arg.empty()) {
        static constexpr int kSteps[] = {10, 20, 50, 1000};
        auto v = digits(arg, 1);
        if (!extended() || !v || *v < 1 || *v > 4)
            return false;
        step = kSteps[*v - 1];
    }
    if (lock_)
        return true;
    int64_t hz = int64_t(cur_.vfo[cur_.rxVfo]) + sign * step;
    moveVfo(cur_.rxVfo, static_cast<uint32_t>(std::max<int64_t>(hz, 0)));
    return true;
}

void K2Model::turnKnob(int hz, Millis now) {
    if (lock_)
        return;
    const int vfo = cur_.rxVfo;
    moveVfo(vfo, static_cast<uint32_t>(std::max<int64_t>(int64_t(cur_.vfo[vfo]) + hz, 0)));
    changed(vfo == 0 ? kFA : kFB, true, now);
}

void K2Model::moveVfo(int vfo, uint32_t hz) {
    const auto& d = kBandDefaults[band_];
    uint32_t low = d.lowHz - kReachHz;
    uint32_t high = d.highHz + kReachHz;
    cur_.vfo[vfo] = std::clamp(hz, low, high);
}

void K2Model::switchBand(int band) {
    bands_[band_] = cur_;
    band_ = band;
    cur_ = bands_[band_];
}

void K2Model::bandBurst(Millis now) {
    if (ai_ == 0 && !opt_.bandBurstInAi0)
        return;
    push(replyIF(now, true), now);
    for (Report r : {kFA, kFB, kFR, kFT, kPA, kRA, kAN, kGT, kFW, kNB})
        push(reply(r, now), now);
}

void K2Model::endTransmit() {
    txByCommand_ = false;
    tuning_ = false;
    if (clearPending_) {
        clearPending_ = false;
        ritOffset_ = 0;
    }
}

} // namespace tamrel::k2sim
