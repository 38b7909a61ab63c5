#pragma once
// The real message boxes, file dialogs and desktop services.

#include "ui/Services.h"

class CQtMessageBox final : public platform::IMessageBox {
public:
    int MessageBox(QObject* parent, const QString& text, unsigned type) override;
};

class CQtFileDialogs final : public IFileDialogs {
public:
    bool GetOpenFileName(QWidget* parent, QString* path) override;
    bool GetSaveFileName(QWidget* parent, const QString& initialName, QString* path) override;
};

class CDesktopShell final : public IShell {
public:
    bool ShowInFileManager(const QString& path) override;
    bool OpenUrl(const QString& url) override;
};
