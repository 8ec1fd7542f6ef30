#include "CK2StatusCmdQueryThread.h"

#include "CK2CommChannel.h"

namespace tamrel {

void CK2StatusCmdQueryThread::onWake(short) {
    last_ = clock().Now();
    if (polling_ && channel_)
        channel_->CmdStatusQuery();
}

void CK2StatusCmdQueryThread::onMessage(StatusMessage& message) {
    std::visit(Overloaded{[this](StatusSetup& s) {
                              channel_ = s.channel;
                              period_ = s.period;
                              polling_ = false;
                          },
                          [this](StatusPolling& p) {
                              if (p.on && !polling_)
                                  last_ = clock().Now();
                              polling_ = p.on;
                          }},
               message);
}

} // namespace tamrel
