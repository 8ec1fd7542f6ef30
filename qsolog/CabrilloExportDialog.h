#pragma once
// CabrilloExportDialog: asks for what a Cabrillo log needs and the log does
// not hold: the contest's name, the categories entered, the sent report and
// exchange ("#" for the serial) and the first serial. It opens with the last
// answers and gives the new ones back; the caller remembers them
// (CRigControlRegistry::SetCabrilloSettings) and writes the file.
//
// Threads: GUI thread.

#include "settings/CRigControlRegistry.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace tamrel {

class CabrilloExportDialog : public QDialog {
public:
    explicit CabrilloExportDialog(const CabrilloSettings& settings, QWidget* parent = nullptr);

    // The answers as they stand in the fields.
    CabrilloSettings settings() const;

    // "Export": closes with Accepted when the answers will do, else names
    // what is missing in the dialog and stays open.
    void accept() override;

private:
    QLineEdit* contest_;
    QComboBox* operator_;
    QComboBox* assisted_;
    QComboBox* band_;
    QComboBox* mode_;
    QComboBox* power_;
    QComboBox* transmitter_;
    QLineEdit* sentRst_;
    QLineEdit* sentExchange_;
    QSpinBox* firstSerial_;
    QLabel* problem_;
};

} // namespace tamrel
