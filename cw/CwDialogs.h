#pragma once
// The keyboard CW window's small modal helpers: autoplay set-up, the
// operator's own signal report, and the serial counter.

#include "cw/CwKeyboard.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tamrel {

class CRigControlRegistry;

// "Memory Key Autoplay": which memory, how often, how many times.
class CMemoryKeyAutoplayDlg final : public QDialog {
public:
    CMemoryKeyAutoplayDlg(const std::array<bool, cw::kMemoryKeys>& notEmpty,
                          const cw::AutoplaySettings& current, QWidget* parent = nullptr);
    // What "Go" took (count 0 = until interrupted).
    cw::AutoplaySettings Result() const;
    void StepInterval(int delta);
    void StepCount(int delta);

private:
    void Show();
    QComboBox* memory_ = nullptr;
    QLabel* interval_ = nullptr;
    QLabel* count_ = nullptr;
    QCheckBox* untilInterrupted_ = nullptr;
    QWidget* countSpin_ = nullptr;
    int intervalIndex_ = 2;
    int countValue_ = 1;
};

// "My Signal Report": sets ~MS.
class CMySignalReportDlg final : public QDialog {
public:
    explicit CMySignalReportDlg(CRigControlRegistry& registry, QWidget* parent = nullptr);
    void accept() override;

private:
    CRigControlRegistry& registry_;
    QLineEdit* report_ = nullptr;
};

// "Setting New Counter Value": shows the stored counter and its digits, and
// writes them to the settings at once on "Set".
class CSetCounterDlg final : public QDialog {
public:
    explicit CSetCounterDlg(CRigControlRegistry& registry, QWidget* parent = nullptr);
    void accept() override;
    void StepDigits(int delta);
    int32_t Counter() const { return counter_; }
    uint8_t OutputMode() const { return mode_; }

private:
    CRigControlRegistry& registry_;
    QLineEdit* value_ = nullptr;
    QLabel* digits_ = nullptr;
    QCheckBox* cut_ = nullptr;
    int digitCount_ = 0;
    int32_t counter_ = 0;
    uint8_t mode_ = 0;
};

} // namespace tamrel
