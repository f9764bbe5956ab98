#include "qt/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

#include "config/Globals.h"
#include "platform/HostPath.h"
#include "qt/frmPwd.h"

namespace ui {

namespace {

QMessageBox::Icon qtIcon(platform::Icon icon) {
    switch (icon) {
        case platform::Icon::Critical: return QMessageBox::Critical;
        case platform::Icon::Exclamation: return QMessageBox::Warning;
        case platform::Icon::Information: return QMessageBox::Information;
        case platform::Icon::Question: return QMessageBox::Question;
        case platform::Icon::None: break;
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

platform::Answer QtDialogs::message(const std::string& text, platform::Icon icon, platform::Buttons buttons, const std::string& title) {
    QMessageBox::StandardButtons shown = QMessageBox::Ok;
    if (buttons == platform::Buttons::OkCancel) shown = QMessageBox::Ok | QMessageBox::Cancel;
    if (buttons == platform::Buttons::YesNo) shown = QMessageBox::Yes | QMessageBox::No;
    QMessageBox box(qtIcon(icon), title.empty() ? QString(config::kProgramTitle) : q(title), messageBoxText(text), shown,
                    parent_);
    switch (box.exec()) {
        case QMessageBox::Ok: return platform::Answer::Ok;
        case QMessageBox::Yes: return platform::Answer::Yes;
        case QMessageBox::No: return platform::Answer::No;
        default: return platform::Answer::Cancel;
    }
}

namespace {

// The proposed name inside the folder the dialog starts in.
QString startPath(const platform::FileDialogRequest& request) {
    if (request.folder.empty()) return q(request.fileName);
    return q(platform::joinHostPath(request.folder, request.fileName));
}

}  // namespace

std::optional<std::string> QtDialogs::saveFile(const platform::FileDialogRequest& request) {
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

std::optional<std::string> QtDialogs::openFile(const platform::FileDialogRequest& request) {
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

}  // namespace ui
