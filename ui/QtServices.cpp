#include "ui/QtServices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "platform/AppInfo.h"

namespace {

const QString kFilter = QStringLiteral("Vantrell Files (*.Vantrell)");
const QString kSuffix = QStringLiteral("Vantrell");

QWidget* AsWidget(QObject* parent) {
    return qobject_cast<QWidget*>(parent);
}

}  // namespace

QString WithScriptExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + u'.' + kSuffix : path;
}

int CQtMessageBox::MessageBox(QObject* parent, const QString& text, unsigned type) {
    using namespace platform;
    QMessageBox box(AsWidget(parent));
    box.setWindowTitle(QString::fromUtf16(appinfo::kAppTitle));
    box.setText(text);
    switch (type & 0xF0) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONWARNING:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    switch (type & 0x0F) {
        case MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        case QMessageBox::Ok:
            return IDOK;
        default:
            return IDCANCEL;
    }
}

bool CQtFileDialogs::GetOpenFileName(QWidget* parent, QString* path) {
    QFileDialog dialog(parent, QString(), QString(), kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(kSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    *path = dialog.selectedFiles().constFirst();
    return true;
}

bool CQtFileDialogs::GetSaveFileName(QWidget* parent, const QString& initialName, QString* path) {
    QFileDialog dialog(parent, QString(), QString(), kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(kSuffix);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    *path = dialog.selectedFiles().constFirst();
    return true;
}

bool CDesktopShell::ShowInFileManager(const QString& path) {
    const QFileInfo info(path);
    const QUrl folder = QUrl::fromLocalFile(info.absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return QDesktopServices::openUrl(folder);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
    // Asked without waiting, so a slow or absent file manager never freezes the window; when none
    // answers, the folder is opened instead.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* w) {
                         if (w->isError())
                             QDesktopServices::openUrl(folder);
                         w->deleteLater();
                     });
    return true;
}

bool CDesktopShell::OpenUrl(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}
