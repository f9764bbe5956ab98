#include "platform/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/Globals.h"
#include "platform/HostPath.h"
#include "ui/frmPwd.h"

namespace platform {

namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::Critical: return QMessageBox::Critical;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Information: return QMessageBox::Information;
        case Icon::Question: return QMessageBox::Question;
        case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QString qtNameFilter(const std::string& filter) {
    return q(filter.substr(0, filter.find('|')));
}

QString messageBoxText(const std::string& text) {
    const QString plain = q(text);
    if (!plain.contains('\t')) return plain;
    QString html = "<table cellspacing=\"0\" cellpadding=\"0\">";
    for (const QString& line : plain.split("\r\n")) {
        const QStringList cells = line.split('\t');
        html += "<tr><td style=\"white-space:pre\">" + cells.value(0).toHtmlEscaped() +
                "</td><td style=\"white-space:pre; padding-left:16px\">" +
                cells.mid(1).join(' ').toHtmlEscaped() + "</td></tr>";
    }
    return html + "</table>";
}

Answer QtDialogs::message(const std::string& text, Icon icon, Buttons buttons, const std::string& title) {
    QMessageBox::StandardButtons shown = QMessageBox::Ok;
    if (buttons == Buttons::OkCancel) shown = QMessageBox::Ok | QMessageBox::Cancel;
    if (buttons == Buttons::YesNo) shown = QMessageBox::Yes | QMessageBox::No;
    QMessageBox box(qtIcon(icon), title.empty() ? QString(app::kProgramTitle) : q(title), messageBoxText(text), shown,
                    parent_);
    switch (box.exec()) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

namespace {

// The proposed name inside the folder the dialog starts in.
QString startPath(const FileDialogRequest& request) {
    if (request.folder.empty()) return q(request.fileName);
    return q(joinHostPath(request.folder, request.fileName));
}

}  // namespace

std::optional<std::string> QtDialogs::saveFile(const FileDialogRequest& request) {
    QFileDialog::Options options;
    if (!request.confirmOverwrite) options |= QFileDialog::DontConfirmOverwrite;
    QString chosen = QFileDialog::getSaveFileName(parent_, q(request.title), startPath(request),
                                                  qtNameFilter(request.filter), nullptr, options);
    if (chosen.isEmpty()) return std::nullopt;
    // The filter supplies the extension when the user typed a bare name.
    auto ext = request.filter.substr(request.filter.rfind("*.") + 1);
    if (!ext.empty() && !chosen.endsWith(q(ext), Qt::CaseInsensitive) && !chosen.contains('.')) chosen += q(ext);
    return chosen.toStdString();
}

std::optional<std::string> QtDialogs::openFile(const FileDialogRequest& request) {
    QString chosen = QFileDialog::getOpenFileName(parent_, q(request.title), startPath(request),
                                                  qtNameFilter(request.filter));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

std::optional<std::string> QtDialogs::browseFolder(const std::string& prompt) {
    QString chosen = QFileDialog::getExistingDirectory(parent_, q(prompt));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

std::optional<std::string> QtDialogs::askPassword() {
    ui::frmPwd dialog(parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.password();
}

}  // namespace platform
