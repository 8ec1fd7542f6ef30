#pragma once
// PanelView: everything the front panel's widgets show, as plain values.
//
// The radio model and the control handlers decide every caption, colour,
// slider setting and button style here; the window only copies these values
// into its widgets. Colours are 24-bit 0xRRGGBB values.

#include <array>
#include <cstdint>
#include <string>

namespace tamrel {

using Rgb = uint32_t;

constexpr Rgb MakeRgb(uint8_t r, uint8_t g, uint8_t b) {
    return (Rgb{r} << 16) | (Rgb{g} << 8) | Rgb{b};
}
constexpr uint8_t RedOf(Rgb c) {
    return static_cast<uint8_t>(c >> 16);
}
constexpr uint8_t GreenOf(Rgb c) {
    return static_cast<uint8_t>(c >> 8);
}
constexpr uint8_t BlueOf(Rgb c) {
    return static_cast<uint8_t>(c);
}

namespace colour {
inline constexpr Rgb kSilver = MakeRgb(192, 192, 192);
inline constexpr Rgb kOn = MakeRgb(0, 255, 0);                // Rx/Tx, RIT/XIT faces
inline constexpr Rgb kActiveVfo = MakeRgb(166, 202, 240);     // receive edit, not split
inline constexpr Rgb kSplitTransmit = MakeRgb(234, 11, 85);   // transmit edit, split
inline constexpr Rgb kSplitReceive = MakeRgb(50, 16, 239);    // receive edit, split
inline constexpr Rgb kRitOffset = MakeRgb(159, 117, 206);     // offset edit, RIT on
inline constexpr Rgb kXitOffset = MakeRgb(223, 83, 118);      // offset edit, XIT on
inline constexpr Rgb kEntryReady = MakeRgb(223, 109, 226);    // ">>" while typing
inline constexpr Rgb kReleaseTuning = MakeRgb(111, 111, 255); // tuning edit, release mode
inline constexpr Rgb kLampOn = MakeRgb(255, 255, 0);          // annunciator icon bit
inline constexpr Rgb kLampBlink = MakeRgb(192, 192, 255);     // annunciator blink bit
inline constexpr Rgb kMeterGreen = MakeRgb(11, 193, 34);
inline constexpr Rgb kMeterAmber = MakeRgb(232, 188, 36);
inline constexpr Rgb kMeterRed = MakeRgb(244, 23, 46);
inline constexpr Rgb kLinkLive = MakeRgb(0, 200, 0);
inline constexpr Rgb kLinkWaiting = MakeRgb(255, 176, 0);
inline constexpr Rgb kLinkFailed = MakeRgb(230, 0, 0);
inline constexpr Rgb kTxLit = MakeRgb(204, 0, 0); // white text on it keeps 5.9:1
inline constexpr Rgb kTxDark = MakeRgb(96, 32, 32);
} // namespace colour

enum class StatusStyle { Normal = 0, Error = 2 };

// What changed since the window last took the changes; lets it refresh only
// the widgets concerned.
enum PanelChange : uint32_t {
    kChangeTexts = 1u << 0,   // bound strings and numbers
    kChangeColours = 1u << 1, // edit backgrounds and solid-colour buttons
    kChangeSliders = 1u << 2, // ranges and positions
    kChangeButtons = 1u << 3, // selected styles, enabled flags, lock box, combos
    kChangeAnnunciators = 1u << 4,
    kChangeMeter = 1u << 5,
    kChangeDisplay = 1u << 6, // the radio display echo
    kChangeStatus = 1u << 7,
    kChangeLink = 1u << 8, // link lamp, its tooltip, the TX lamp
    kChangeAll = 0x1ffu,
};

struct SliderView {
    int min = 0;
    int max = 0;
    int pos = 0;
    friend bool operator==(const SliderView&, const SliderView&) = default;
};

// Annunciator lamps in panel order, with the icon bit each one shows.
enum Lamp { kLampNB, kLampANT2, kLampPRE, kLampATT, kLampVFOB, kLampRIT, kLampXIT, kLampCount };
// AGC buttons in panel order.
enum AgcButton { kAgcFast, kAgcSlow, kAgcOff, kAgcButtonCount };

struct PanelView {
    // Bound display strings.
    std::string vfoAText;
    std::string vfoBText;
    std::string tuningText;
    std::string powerText;
    std::string offsetText = "0";
    std::string bandwidthText;
    std::string portText = "None";
    std::string offsetSliderText = "0";
    int cwSpeed = 1;
    int squelch = 0;
    std::string afilCaption = "AFIL: OFF";
    std::string nbCaption = "NB: OFF";
    std::string antCaption = "ANT: 1";
    std::string displayText = "Elecraft";

    std::string statusText;
    StatusStyle statusStyle = StatusStyle::Normal;

    // False until the radio (or the operator) has set them: dashes, not start values.
    bool speedKnown = false;
    bool squelchKnown = false;
    Rgb linkLamp = colour::kSilver;
    std::string linkTip;
    bool txLamp = false;
    int tuneStepIndex = 0; // into kTuneStepsHz

    // Edit backgrounds (text stays black).
    Rgb editABack = colour::kActiveVfo;
    Rgb editBBack = colour::kSilver;
    Rgb offsetEditBack = colour::kSilver;
    Rgb tuningEditBack = colour::kSilver;

    // Solid-colour buttons.
    Rgb rxA = colour::kSilver;
    Rgb txA = colour::kSilver;
    Rgb rxB = colour::kSilver;
    Rgb txB = colour::kSilver;
    Rgb ritButton = colour::kSilver;
    Rgb xitButton = colour::kSilver;
    std::array<Rgb, 2> entryButton = {colour::kSilver, colour::kSilver}; // ">>" of A, B
    std::array<bool, 2> entryEnabled = {false, false};
    std::array<bool, 2> editWritable = {false, false};
    // The operator's typed text is in the box: the radio's value waits until
    // Enter, Escape or the focus leaving ends the entry.
    std::array<bool, 2> editing = {false, false};

    SliderView tuning;
    SliderView power{0, 150, 150}; // vertical: position = 150 - power
    SliderView speed{9, 50, 1};
    SliderView squelchSlider{0, 250, 0};
    SliderView offset{0, 2000, 1000};

    // Button styles: true = the selected style.
    std::array<bool, 6> modeSelected{}; // in mode table order: LSB USB CW RTTY CWR RTTYR
    std::array<bool, kAgcButtonCount> agcSelected{};
    std::array<bool, 4> xfilSelected{};
    bool preSelected = false;
    bool attSelected = false;

    bool ritXitControlsEnabled = false; // offset buttons and offset slider
    bool vfoLock = false;
    int bandIndex = 0;
    int tuningRangeIndex = 0;

    std::array<Rgb, kLampCount> lamps{colour::kSilver, colour::kSilver, colour::kSilver,
                                      colour::kSilver, colour::kSilver, colour::kSilver,
                                      colour::kSilver};
    std::array<Rgb, 10> meter{colour::kSilver, colour::kSilver, colour::kSilver, colour::kSilver,
                              colour::kSilver, colour::kSilver, colour::kSilver, colour::kSilver,
                              colour::kSilver, colour::kSilver};
};

} // namespace tamrel
