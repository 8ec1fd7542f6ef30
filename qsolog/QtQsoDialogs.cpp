#include "QtQsoDialogs.h"

#include "CEditContestQSODlg.h"
#include "CEditQSODlg.h"
#include "CabrilloExportDialog.h"

#include <QApplication>
#include <QFileDialog>

namespace tamrel {

QtQsoDialogs::QtQsoDialogs(Prompter& prompter, QWidget* owner)
    : prompter_(prompter), owner_(owner) {}

QWidget* QtQsoDialogs::parent() const {
    QWidget* active = QApplication::activeWindow();
    return active ? active : owner_;
}

std::optional<std::string> QtQsoDialogs::chooseFile(const FileQuestion& q) {
    QFileDialog dialog(parent(), QString::fromStdString(q.title), QString::fromStdString(q.start),
                       QString::fromStdString(q.filter));
    dialog.setAcceptMode(q.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(q.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QString::fromStdString(q.suffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

namespace {
template <class Dialog>
QsoEdit runEdit(const QSORecord& record, const BandTable& bands, Prompter& prompter,
                QWidget* parent) {
    Dialog dialog(record, bands, prompter, parent);
    dialog.exec();
    if (dialog.outcome() == QsoEditDialog::Outcome::Modified && dialog.modified())
        return {QsoEdit::Outcome::Modified, *dialog.modified()};
    if (dialog.outcome() == QsoEditDialog::Outcome::Deleted)
        return {QsoEdit::Outcome::Deleted, {}};
    return {};
}
} // namespace

QsoEdit QtQsoDialogs::edit(const QSORecord& record, const BandTable& bands) {
    if (record.type == QsoKind::Contest)
        return runEdit<CEditContestQSODlg>(record, bands, prompter_, parent());
    return runEdit<CEditQSODlg>(record, bands, prompter_, parent());
}

std::optional<CabrilloSettings> QtQsoDialogs::askCabrillo(const CabrilloSettings& remembered) {
    CabrilloExportDialog dialog(remembered, parent());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.settings();
}

} // namespace tamrel
