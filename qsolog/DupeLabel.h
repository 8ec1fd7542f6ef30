#pragma once
// DupeLabel: the information windows' line that says whether the call being
// typed was worked before: on this band and mode in a normal log, at all in
// a contest. Every change of the call asks the log (through the information
// thread, which adds the radio's band and mode); an answer is shown only
// while its call is still the one typed.

#include "QSORecord.h"
#include "QsoMessages.h"

#include <QLabel>

#include <functional>

class QLineEdit;

namespace tamrel {

class DupeLabel final : public QLabel {
public:
    // Posts to the information thread; `call` is the window's call field.
    DupeLabel(QLineEdit& call, QsoKind kind, std::function<void(Message)> toThread,
              QWidget* parent);

    // Asks again (also after a QSO is logged: the call is worked now).
    void recheck();
    void answer(const DupeLine& line);

private:
    std::string typedCall() const;

    QLineEdit& call_;
    QsoKind kind_;
    std::function<void(Message)> toThread_;
};

} // namespace tamrel
