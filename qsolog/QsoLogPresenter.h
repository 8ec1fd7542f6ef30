#pragma once
// QsoLogPresenter: the logic of the logging window ("QSO Logging") without
// its widgets: Load, New and Save, the File menu's exports and import, a
// row's edit dialog, and the recall of a search line. What the operator is
// asked goes through QsoDialogs and the prompter; what was chosen goes to
// the log as a request, and the list changes when the worker has done it.
//
// Thread: the GUI thread.

#include "QsoDialogs.h"
#include "QsoLog.h"

#include <cstddef>
#include <optional>
#include <string>

namespace tamrel {

class CRigControlRegistry;
class K2RadioModel;
class Prompter;

inline constexpr char kNewLogQuestion[] = "Ok to Start a New Log?";
inline constexpr char kLogEmpty[] = "Log is empty!";
inline constexpr char kLogFileFilter[] = "Log Files (*.QSO.Log) (*.log)";
inline constexpr char kAdifFileFilter[] = "ADIF Files (*.adi *.adif)";
// A name ending in ".adx" is written as ADIF XML.
inline constexpr char kAdifExportFilter[] = "ADIF Files (*.adi *.adif);;ADIF XML Files (*.adx)";
inline constexpr char kCabrilloFileFilter[] = "Cabrillo Files (*.cbr *.log)";

class QsoLogPresenter {
public:
    // The edit dialog's band edges are the radio model's.
    QsoLogPresenter(QsoLog& log, QsoDialogs& dialogs, Prompter& prompter,
                    CRigControlRegistry& settings, const K2RadioModel& radio);

    void load();
    void startNew();
    void save();
    void editRow(std::size_t row);
    // The n-th line of the search list: its QSO fills the information window.
    void recallSearchLine(int n);
    void exportAdif();
    void importAdif();
    void exportCabrillo();

private:
    std::optional<std::string> chooseLogFile(bool save);
    std::optional<std::string> chooseInterchangeFile(bool save, const char* suffix,
                                                     const char* filter);

    QsoLog& log_;
    QsoDialogs& dialogs_;
    Prompter& prompter_;
    CRigControlRegistry& settings_;
    const K2RadioModel& radio_;
};

} // namespace tamrel
