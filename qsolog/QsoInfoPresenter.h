#pragma once
// QsoInfoPresenter: the logic of the information windows ("QSO Information",
// "Contest QSO Information") without their widgets: "Log It" stamps the
// typed fields with the time by the UTC rule as the settings hold it now,
// completes them from the radio model and appends them to the log; the dupe
// line says whether the call being typed was worked; "Clear" and "Set Macro"
// work on the macro variables.
//
// The dupe line is made on the GUI thread from the list's dupe index and the
// radio's band and mode: at every change of the call field, and again when
// the list, the band or the mode changes. Nothing waits for another thread.
//
// Thread: the GUI thread.

#include "QSORecord.h"
#include "QsoLog.h"

#include "radio/K2RadioModel.h"

#include <string>
#include <string_view>

namespace tamrel {

class CRigControlRegistry;
class Prompter;

inline constexpr char kCallsignEmpty[] = "Callsign is empty!";
inline constexpr char kClearQuestion[] = "Clearing All Variable?";

// What the presenter needs of its window.
class QsoInfoView {
public:
    // The call field as typed.
    virtual std::string typedCall() const = 0;
    virtual void showDupeLine(const std::string& text) = 0;

protected:
    ~QsoInfoView() = default;
};

class QsoInfoPresenter {
public:
    QsoInfoPresenter(QsoKind kind, QsoInfoView& view, QsoLog& log, K2RadioModel& radio,
                     CRigControlRegistry& settings, Prompter& prompter);
    QsoInfoPresenter(const QsoInfoPresenter&) = delete;
    QsoInfoPresenter& operator=(const QsoInfoPresenter&) = delete;

    QsoKind kind() const { return kind_; }

    // "Log It" on the typed fields (texts as typed): false, and the operator
    // told, when the call is empty.
    bool logIt(QSORecord typed);
    // Shows the dupe line for the call as typed now.
    void refreshDupeLine();
    // The dupe line for a call as typed: empty when it was not worked.
    std::string dupeLine(std::string_view typed) const;
    // "Clear" goes ahead: a normal window asks first; a contest leaves no
    // time for the question.
    bool confirmClear();
    // "Set Macro": ~HC and, in a normal window, the name, QTH and reports.
    void setMacros(const QSORecord& typed);
    void searchLog(std::string_view call);

private:
    QsoKind kind_;
    QsoInfoView& view_;
    QsoLog& log_;
    K2RadioModel& radio_;
    CRigControlRegistry& settings_;
    Prompter& prompter_;
    K2RadioModel::Subscription radioWatch_;
    QsoLogStore::Subscription listWatch_;
};

} // namespace tamrel
