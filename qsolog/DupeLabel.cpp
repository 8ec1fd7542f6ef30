#include "DupeLabel.h"

#include "CQSOLogFile.h"

#include <QLineEdit>

namespace tamrel {

DupeLabel::DupeLabel(QLineEdit& call, QsoKind kind, std::function<void(Message)> toThread,
                     QWidget* parent)
    : QLabel(parent), call_(call), kind_(kind), toThread_(std::move(toThread)) {
    setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
    connect(&call_, &QLineEdit::textChanged, this, [this] { recheck(); });
}

std::string DupeLabel::typedCall() const {
    return upperCall(fitText(call_.text().toStdString(), textCapacity(kind_, QsoText::Call)));
}

void DupeLabel::recheck() {
    const std::string call = typedCall();
    if (call.find_first_not_of(' ') == std::string::npos)
        clear();
    else
        toThread_(infomsg::dupeCheck(call));
}

void DupeLabel::answer(const DupeLine& line) {
    if (line.call == typedCall())
        setText(QString::fromStdString(line.text));
}

} // namespace tamrel
