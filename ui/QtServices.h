#pragma once
// The real message boxes, file dialogs and desktop services.

#include <QFont>

#include "ui/Services.h"

class QFileDialog;

class CQtMessageBox final : public platform::IMessageBox {
public:
    int MessageBox(QObject* parent, const QString& text, unsigned type) override;
};

// The desktop's own file dialogs where the platform offers them, Qt's otherwise. The folder a dialog was
// left in is remembered in the profile for the next one.
class CQtFileDialogs final : public IFileDialogs {
public:
    bool GetOpenFileName(QWidget* parent, const QString& scriptPath, QString* path) override;
    bool GetSaveFileName(QWidget* parent, const QString& scriptPath, const QString& initialName,
                         QString* path) override;

private:
    bool Run(QFileDialog& dialog, const QString& scriptPath, QString* path, const QString& initialName = {});
};

// The width a message box needs so that the window manager shows its whole caption: the caption in a bold
// title font, with room for the title bar's icon and buttons.
int CaptionWidth(const QString& caption, QFont font);

class CDesktopShell final : public IShell {
public:
    bool ShowInFileManager(const QString& path) override;
    bool OpenUrl(const QString& url) override;
};
