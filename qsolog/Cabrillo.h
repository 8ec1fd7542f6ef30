#pragma once
// Cabrillo 3.0: the contest log that contest sponsors' robots take.
//
//   START-OF-LOG: 3.0
//   CONTEST: ..., CALLSIGN: ..., CATEGORY-*: ..., CREATED-BY: ...,
//   NAME: ..., ADDRESS: ..., GRID-LOCATOR: ... (those known)
//   QSO: lines, one per QSO, in log order
//   END-OF-LOG:
// Lines end with CR LF; everything is ASCII. A QSO line has fixed columns:
//
//   QSO: freq  mo date       time sent-call     rst exch   rcvd-call     rst exch
//   QSO: ***** ** yyyy-mm-dd nnnn ************* nnn ****** ************* nnn ******
//   QSO: 14025 CW 2003-12-05 1402 N0CALL        599 001    XX0XX         599 05
//
// frequency in kHz (right-aligned, a band's lower edge when only the band is
// known), mode CW, PH or RY, UTC date and time, then the sent call, report
// and exchange and the received ones, each left-aligned in its width (a
// longer text is written whole, never cut). The received report is the
// first word of the QSO's exchange when it is one, else the usual report
// of the mode; the sent exchange comes from a pattern in which "#" stands
// for the serial, counted from the first serial in log order.

#include "LogClock.h"
#include "QSORecord.h"

#include "settings/CRigControlRegistry.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamrel {

// The choices the dialog offers for each category.
std::span<const std::string_view> categoryOperatorChoices();
std::span<const std::string_view> categoryAssistedChoices();
std::span<const std::string_view> categoryBandChoices();
std::span<const std::string_view> categoryModeChoices();
std::span<const std::string_view> categoryPowerChoices();
std::span<const std::string_view> categoryTransmitterChoices();

// What the dialog must not let through, for the operator; empty when the
// answers will do.
std::string checkCabrilloSettings(const CabrilloSettings& settings);

struct CabrilloStation {
    std::string callsign;
    std::string name;
    std::string address;
    std::string gridLocator;
};

struct CabrilloExport {
    std::string text;
    // Why the log cannot be sent: no contest name, no callsign, a QSO without
    // a mode, frequency or date. When there are any, `text` is empty.
    std::vector<std::string> problems;
    bool ok() const { return problems.empty(); }
};

CabrilloExport writeCabrillo(std::span<const QSORecord> records, const CabrilloSettings& settings,
                             const CabrilloStation& station, const LogClock& clock,
                             std::string_view createdBy);

// "CW", "PH", "RY"; empty for no mode.
std::string_view cabrilloMode(int code);

} // namespace tamrel
