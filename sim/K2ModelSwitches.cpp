// Switch taps and holds, the scan, direct frequency entry and the keyer.
#include "K2Model.h"

#include <algorithm>
#include <cctype>

namespace tamrel::k2sim {

namespace {

// Dots and dashes; prosigns have their own characters.
const char* morse(char c) {
    switch (c) {
    case 'A':
        return ".-";
    case 'B':
        return "-...";
    case 'C':
        return "-.-.";
    case 'D':
        return "-..";
    case 'E':
        return ".";
    case 'F':
        return "..-.";
    case 'G':
        return "--.";
    case 'H':
        return "....";
    case 'I':
        return "..";
    case 'J':
        return ".---";
    case 'K':
        return "-.-";
    case 'L':
        return ".-..";
    case 'M':
        return "--";
    case 'N':
        return "-.";
    case 'O':
        return "---";
    case 'P':
        return ".--.";
    case 'Q':
        return "--.-";
    case 'R':
        return ".-.";
    case 'S':
        return "...";
    case 'T':
        return "-";
    case 'U':
        return "..-";
    case 'V':
        return "...-";
    case 'W':
        return ".--";
    case 'X':
        return "-..-";
    case 'Y':
        return "-.--";
    case 'Z':
        return "--..";
    case '0':
        return "-----";
    case '1':
        return ".----";
    case '2':
        return "..---";
    case '3':
        return "...--";
    case '4':
        return "....-";
    case '5':
        return ".....";
    case '6':
        return "-....";
    case '7':
        return "--...";
    case '8':
        return "---..";
    case '9':
        return "----.";
    case '.':
        return ".-.-.-";
    case ',':
        return "--..--";
    case '?':
        return "..--..";
    case '/':
        return "-..-.";
    case '-':
        return "-....-";
    case '\'':
        return ".----.";
    case '(':
        return "-.--."; // KN
    case '+':
        return ".-.-."; // AR
    case '=':
        return "-...-"; // BT
    case '%':
        return ".-..."; // AS
    case '*':
        return "...-.-"; // SK
    default:
        return nullptr;
    }
}

constexpr int kDigitKeys[10] = {7, 8, 9, 10, 11, 12, 13, 14, 15, 16}; // RATE(0) .. MSG(9)

int digitOfKey(int code) {
    for (int d = 0; d < 10; ++d)
        if (kDigitKeys[d] == code)
            return d;
    return -1;
}

} // namespace

int morseUnits(char c) {
    if (c == ' ')
        return 4; // with the 3-unit gap after the previous character: a 7-unit word gap
    const char* m = morse(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (!m)
        return 0;
    int units = 0;
    for (const char* p = m; *p; ++p)
        units += (*p == '.' ? 1 : 3) + 1;
    return units + 2; // the last element's gap grows to the 3-unit character gap
}

void K2Model::advanceKeyer(Millis now) const {
    while (!keyerQueue_.empty() && keyerBusyUntil_ <= now) {
        const char c = keyerQueue_.front();
        keyerQueue_.erase(0, 1);
        if (c == '<' || c == '>') {
            cwTest_ = c == '<';
            continue;
        }
        keyerBusyUntil_ += Millis(morseUnits(c) * 1200 / wpm_); // PARIS: 1200/wpm ms per dot
    }
}

std::size_t K2Model::keyerQueued(Millis now) const {
    advanceKeyer(now);
    return keyerQueue_.size();
}

bool K2Model::keyerIdle(Millis now) const {
    advanceKeyer(now);
    return keyerQueue_.empty() && keyerBusyUntil_ <= now;
}

bool K2Model::keyText(std::string_view text, Millis now) {
    if (keyerIdle(now))
        keyerBusyUntil_ = now;
    for (char c : text) {
        if (c == '@') { // abort: drop the buffer and the character on the air
            keyerQueue_.clear();
            keyerBusyUntil_ = now;
        } else if (keyerQueue_.size() < kKeyerBufferSize) {
            keyerQueue_ += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    advanceKeyer(now);
    return true;
}

bool K2Model::switchCode(std::string_view arg, Millis now) {
    if (arg.size() != 2 || !std::isdigit(static_cast<unsigned char>(arg[0])) ||
        !std::isdigit(static_cast<unsigned char>(arg[1])))
        return false;
    const int code = (arg[0] - '0') * 10 + (arg[1] - '0');
    if (code < 1 || (code > 69 && code != 80 && code != 81))
        return false;
    if (scan_) { // any switch only ends the scan
        stopScan(now);
        return true;
    }
    if (entry_) {
        const int d = digitOfKey(code);
        if (d < 0) {
            entry_.reset();
            return true;
        }
        *entry_ += static_cast<char>('0' + d);
        if (entry_->size() == 5) {
            char text[16];
            std::snprintf(text, sizeof text, "%011u",
                          static_cast<unsigned>(std::stoul(*entry_)) * 1000);
            entry_.reset();
            setFrequency(cur_.rxVfo, text, now);
        }
        return true;
    }
    if (storePending_) {
        storePending_ = false;
        if (code == 25) {
            const uint32_t a = cur_.vfo[0];
            const uint32_t b = cur_.vfo[1];
            scan_ = Scan{now, std::min(a, b), std::max(a, b)};
            changed(0, true, now);
        }
        return true; // a digit stores a memory (not kept); anything else cancels
    }
    tap(code, now);
    return true;
}

void K2Model::stopScan(Millis now) {
    cur_.vfo[0] = frequency(0, now);
    scan_.reset();
    changed(kFA, true, now);
}

void K2Model::tap(int code, Millis now) {
    auto& c = cur_;
    switch (code) {
    case 1: // BAND+: up in frequency, 10 m wraps to 160 m
    case 3:
        switchBand(code == 1 ? (band_ + kBandCount - 1) % kBandCount : (band_ + 1) % kBandCount);
        bandBurst(now);
        break;
    case 2: // DISPLAY: with the PORT menu on, reports VFO A whatever the AI level
        if (opt_.portOn)
            push(reply(kFA, now), now);
        break;
    case 4:
        c.antenna = c.antenna == 1 ? 2 : 1;
        changed(kAN, false, now);
        break;
    case 6:
        c.nb = (c.nb + 1) % 3;
        changed(kNB, false, now);
        break;
    case 8: { // MODE: LSB, USB, CW, RTTY; a reversed mode goes on as its plain one
        static constexpr int kNext[10] = {3, 2, 3, 6, 3, 3, 1, 6, 3, 1};
        c.mode = kNext[c.mode];
        changed(0, true, now);
        break;
    }
    case 9: // A/B
        c.rxVfo ^= 1;
        c.txVfo ^= 1;
        changed(kFR | kFT, true, now);
        break;
    case 10: // A=B
        c.vfo[1 - c.rxVfo] = c.vfo[c.rxVfo];
        changed(c.rxVfo ? kFA : kFB, true, now);
        break;
    case 11: // PRE/ATT: off, preamp, attenuator, off
        if (!c.preamp && !c.att)
            c.preamp = true;
        else if (c.preamp && !c.att)
            c.preamp = false, c.att = true;
        else
            c.preamp = false, c.att = false;
        changed(kPA | kRA, false, now);
        break;
    case 12:
        c.agcSpeed = c.agcSpeed == 2 ? 4 : 2;
        changed(kGT, false, now);
        break;
    case 13:
        c.filter = c.filter % 4 + 1;
        changed(kFW, false, now);
        break;
    case 14:
        rit_ = !rit_;
        changed(kRT, true, now);
        break;
    case 15:
        xit_ = !xit_;
        changed(kXT, true, now);
        break;
    case 18:
        alcDisplay_ = !alcDisplay_;
        break;
    case 19:
        storePending_ = true;
        break;
    case 20: // TUNE: key down until tapped again or RX
        if (tuning_)
            endTransmit();
        else
            tuning_ = true;
        break;
    case 22:
        nbLowThreshold_ = !nbLowThreshold_;
        changed(kNB, false, now);
        break;
    case 23:
        lock_ = !lock_;
        changed(kLK, false, now);
        break;
    case 25: // REV
        std::swap(c.rxVfo, c.txVfo);
        changed(kFR | kFT, true, now);
        break;
    case 26: // SPLIT
        c.txVfo = split() ? c.rxVfo : 1 - c.rxVfo;
        changed(kFT, true, now);
        break;
    case 28: // CW RV
        c.mode = c.mode == 3 ? 7 : c.mode == 7 ? 3 : c.mode == 6 ? 9 : c.mode == 9 ? 6 : c.mode;
        changed(0, true, now);
        break;
    case 29: // AFIL
        c.afil = (c.afil + 1) % 3;
        changed(kFW, false, now);
        break;
    case 34:
        entry_ = std::string();
        break;
    case 36: // AGC on/off; reported only in the extended layout
        c.agcOn = !c.agcOn;
        if (extended())
            changed(kGT, false, now);
        break;
    default: // keys and menu entries the model does not act on
        break;
    }
}

} // namespace tamrel::k2sim
