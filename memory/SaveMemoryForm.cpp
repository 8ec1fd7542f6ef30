#include "SaveMemoryForm.h"

#include "radio/K2Commands.h"

#include <cmath>
#include <limits>

namespace tamrel {

namespace {

using Text = SaveMemoryForm::Text;
using List = SaveMemoryForm::List;

constexpr std::array<SaveMemoryForm::TextControl, static_cast<std::size_t>(Text::Count)> kTexts = {{
    {memctl::kName, "Memory Name"},
    {memctl::kVfoA, "VFOA"},
    {memctl::kVfoB, "VFOB"},
    {memctl::kCwSpeed, "CW Speed"},
    {memctl::kPower, "Power"},
}};

const std::array<SaveMemoryForm::ListControl, static_cast<std::size_t>(List::Count)> kLists = {{
    {memctl::kTxVfo, "TX VFO", memtable::kVfo, &K2RadioState::transmitVfo},
    {memctl::kRxVfo, "RX VFO", memtable::kVfo, &K2RadioState::receiveVfo},
    {memctl::kAgc, "AGC", memtable::kAgc, &K2RadioState::agc},
    {memctl::kPreamp, "PREAMP", memtable::kOnOff, &K2RadioState::preamp},
    {memctl::kMode, "Mode", memtable::kMode, &K2RadioState::mode},
    {memctl::kRit, "RIT", memtable::kOnOff, &K2RadioState::ritOn},
    {memctl::kXit, "XIT", memtable::kOnOff, &K2RadioState::xitOn},
    {memctl::kXfil, "XFIL", memtable::kCrystalFilter, &K2RadioState::crystalFilter},
    {memctl::kAfil, "AFIL", memtable::kAudioFilter, &K2RadioState::audioFilter},
    {memctl::kNb, "NB", memtable::kNoiseBlanker, &K2RadioState::noiseBlanker},
    {memctl::kAtt, "ATT", memtable::kOnOff, &K2RadioState::attenuator},
}};

constexpr double kMaxWord = std::numeric_limits<uint32_t>::max();

// A decimal number scaled and rounded to a whole 32-bit value; the message
// otherwise. `what` says what the number is ("a frequency in kHz").
std::optional<QString> readScaled(const QString& label, const QString& text, double scale,
                                  const char* what, const char* example, uint32_t& out) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return QStringLiteral("%1 must be %2, such as %3; \"%4\" is not one.")
            .arg(label, QLatin1String(what), QLatin1String(example), text.trimmed());
    const double scaled = std::round(v * scale);
    if (scaled < 0)
        return QStringLiteral("%1 cannot be negative.").arg(label);
    if (scaled > kMaxWord)
        return QStringLiteral("%1: %2 is more than a memory can hold.").arg(label, text.trimmed());
    out = static_cast<uint32_t>(scaled);
    return std::nullopt;
}

} // namespace

const SaveMemoryForm::TextControl& SaveMemoryForm::ControlOf(Text t) {
    return kTexts[index(t)];
}

const SaveMemoryForm::ListControl& SaveMemoryForm::ControlOf(List l) {
    return kLists[index(l)];
}

SaveMemoryForm::SaveMemoryForm(K2MemoryRecord record, bool editMode)
    : record_(std::move(record)), editMode_(editMode) {
    Fill();
}

void SaveMemoryForm::Fill() {
    const K2RadioState& s = record_.state;
    texts_[index(Text::Name)] = QString::fromLatin1(record_.Name());
    texts_[index(Text::VfoA)] = QString::fromStdString(FormatKHz(s.vfoA));
    texts_[index(Text::VfoB)] = QString::fromStdString(FormatKHz(s.vfoB));
    texts_[index(Text::CwSpeed)] = QString::number(s.cwSpeed);
    texts_[index(Text::Power)] = QString::asprintf("%6.1f", s.power / 10.0);
    shown_ = texts_;
    for (std::size_t i = 0; i < kLists.size(); ++i)
        positions_[i] = PositionOfValue(kLists[i].entries, s.*kLists[i].field);
    antenna_ = s.antenna;
}

QString SaveMemoryForm::Caption() const {
    return editMode_ ? QStringLiteral("Editing Radio Memory Location")
                     : QStringLiteral("Saving  Radio Memory Location");
}

void SaveMemoryForm::SetPosition(List l, int position) {
    const auto size = static_cast<int>(ControlOf(l).entries.size());
    positions_[index(l)] = position >= 0 && position < size ? position : -1;
}

QString SaveMemoryForm::AntennaText() const {
    return QStringLiteral("Ant %1").arg(static_cast<int>(antenna_));
}

void SaveMemoryForm::ClickAntennaSpin() {
    antenna_ = antenna_ == 1 ? 2 : 1;
}

bool SaveMemoryForm::NameCharAllowed(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0x20 && u <= 0xFF && !(u >= 0x7F && u <= 0x9F);
}

std::optional<QString> SaveMemoryForm::NameProblem(const QString& name) {
    for (QChar c : name)
        if (!NameCharAllowed(c))
            return QStringLiteral("Memory Name can hold only printable Latin-1 characters; "
                                  "the name holds a character that is not one.");
    if (static_cast<std::size_t>(name.size()) > K2MemoryRecord::kMaxNameLength)
        return QStringLiteral("Memory Name can hold at most %1 characters.")
            .arg(K2MemoryRecord::kMaxNameLength);
    return std::nullopt;
}

std::optional<QString> SaveMemoryForm::Accept() {
    K2MemoryRecord r = record_;
    K2RadioState& s = r.state;
    auto changed = [&](Text t) { return texts_[index(t)] != shown_[index(t)]; };
    auto label = [](Text t) { return QString::fromLatin1(ControlOf(t).label); };

    if (!editMode_) {
        const QString& name = texts_[index(Text::Name)];
        if (auto problem = NameProblem(name))
            return problem;
        r.SetName(name.toLatin1().toStdString());
    }
    for (Text t : {Text::VfoA, Text::VfoB}) {
        if (!changed(t))
            continue;
        uint32_t& field = t == Text::VfoA ? s.vfoA : s.vfoB;
        if (auto problem = readScaled(label(t), texts_[index(t)], 1000.0, "a frequency in kHz",
                                      "7040.00", field))
            return problem;
    }
    if (changed(Text::CwSpeed)) {
        bool ok = false;
        const QString text = texts_[index(Text::CwSpeed)].trimmed();
        const uint32_t wpm = text.toUInt(&ok, 10);
        if (!ok)
            return QStringLiteral("CW Speed must be a whole number of words per minute; "
                                  "\"%1\" is not one.")
                .arg(text);
        s.cwSpeed = wpm;
    }
    if (changed(Text::Power)) {
        if (auto problem = readScaled(label(Text::Power), texts_[index(Text::Power)], 10.0,
                                      "a number of watts", "5.0", s.power))
            return problem;
    }
    for (std::size_t i = 0; i < kLists.size(); ++i)
        if (positions_[i] >= 0)
            s.*kLists[i].field = kLists[i].entries[static_cast<std::size_t>(positions_[i])].value;
    s.antenna = antenna_;
    record_ = r;
    return std::nullopt;
}

} // namespace tamrel
