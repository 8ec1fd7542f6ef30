#pragma once
// What every QSO window is made with: the settings, the prompter, the radio
// model, the front panel's commands, the log and the dialogs. References
// only, so a window that is not wired to all of them does not compile.

namespace tamrel {

class CRigControlRegistry;
class K2RadioModel;
class PanelCommands;
class Prompter;
class QsoDialogs;
class QsoLog;

struct QsoWiring {
    CRigControlRegistry& settings;
    Prompter& prompter;
    K2RadioModel& radio;
    PanelCommands& panel;
    QsoLog& log;
    QsoDialogs& dialogs;
};

} // namespace tamrel
