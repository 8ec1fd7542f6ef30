#pragma once
// QtQsoDialogs: the real QsoDialogs: Qt's file dialogs, "Edit QSO Log" or
// "Edit Contest QSO Log" by the record's kind, and the Cabrillo questions,
// each run modally over the window the operator is in.

#include "QsoDialogs.h"

class QWidget;

namespace tamrel {

class Prompter;

class QtQsoDialogs final : public QsoDialogs {
public:
    // Over `owner` when no window of the program is active.
    QtQsoDialogs(Prompter& prompter, QWidget* owner);

    std::optional<std::string> chooseFile(const FileQuestion& question) override;
    QsoEdit edit(const QSORecord& record, const BandTable& bands) override;
    std::optional<CabrilloSettings> askCabrillo(const CabrilloSettings& remembered) override;

private:
    QWidget* parent() const;

    Prompter& prompter_;
    QWidget* owner_;
};

} // namespace tamrel
