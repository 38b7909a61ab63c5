#include "ui/QtServices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QUrl>

#include "platform/AppInfo.h"
#include "platform/Profile.h"

namespace {

const QString kFilter = QStringLiteral("Vantrell Files (*.Vantrell)");
const QString kSuffix = QStringLiteral("Vantrell");
const QString kDialogSection = QStringLiteral("File Dialog");
const QString kLastFolder = QStringLiteral("LastFolder");

QWidget* AsWidget(QObject* parent) {
    return qobject_cast<QWidget*>(parent);
}

}  // namespace

QString WithScriptExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + u'.' + kSuffix : path;
}

QString StartFolder(const QString& scriptPath, const QString& lastFolder, const QString& documents) {
    const QString scriptFolder = scriptPath.isEmpty() ? QString() : QFileInfo(scriptPath).absolutePath();
    for (const QString& folder : {scriptFolder, lastFolder, documents}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

int CaptionWidth(const QString& caption, QFont font) {
    font.setBold(true);
    const QFontMetrics metrics(font);
    // The title bar is about a line and a half high; its icon and up to three buttons are square.
    const int button = metrics.height() * 3 / 2;
    return metrics.horizontalAdvance(caption) + 5 * button;
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
    // QMessageBox leaves room for its caption as a sub-window's title; the window manager's title bar
    // takes more, so a short message would cut the caption.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle(), box.font()), 0, QSizePolicy::Fixed,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
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

bool CQtFileDialogs::GetOpenFileName(QWidget* parent, const QString& scriptPath, QString* path) {
    QFileDialog dialog(parent, QString(), QString(), kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog, scriptPath, path);
}

bool CQtFileDialogs::GetSaveFileName(QWidget* parent, const QString& scriptPath, const QString& initialName,
                                     QString* path) {
    QFileDialog dialog(parent, QString(), QString(), kFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    return Run(dialog, scriptPath, path, initialName);
}

bool CQtFileDialogs::Run(QFileDialog& dialog, const QString& scriptPath, QString* path,
                         const QString& initialName) {
    dialog.setDefaultSuffix(kSuffix);
    dialog.setDirectory(StartFolder(scriptPath, platform::GetProfileString(kDialogSection, kLastFolder),
                                    QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    *path = dialog.selectedFiles().constFirst();
    platform::WriteProfileString(kDialogSection, kLastFolder, QFileInfo(*path).absolutePath());
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
