#pragma once
// The services that the windows use, gathered in one record: the application builds it from the real
// implementations at start-up, tests from fakes.

#include <QString>
#include <functional>
#include <memory>

#include "platform/HotKeys.h"
#include "platform/Input.h"
#include "platform/MessageBox.h"

class QWidget;

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The open dialog for script files; false when cancelled. scriptPath is the open script's path (empty
    // when it has none): a dialog starts in its folder (see StartFolder).
    virtual bool GetOpenFileName(QWidget* parent, const QString& scriptPath, QString* path) = 0;
    // The save dialog for script files, pre-filled with initialName (may be empty); the default extension
    // is added to a name typed without one, and an existing file is only replaced after a question.
    virtual bool GetSaveFileName(QWidget* parent, const QString& scriptPath, const QString& initialName,
                                 QString* path) = 0;
};

class IShell {
public:
    virtual ~IShell() = default;
    // Shows the file selected in the desktop's file manager, or at least opens its folder.
    virtual bool ShowInFileManager(const QString& path) = 0;
    virtual bool OpenUrl(const QString& url) = 0;
};

// A script path as the save dialogs give it: a name typed without extension gets ".Vantrell".
QString WithScriptExtension(const QString& path);

// The folder a file dialog starts in: the folder of the open script, else the last folder a dialog was
// left in, else the user's documents folder; a folder that does not exist (any more) is passed over, and
// the home folder is the last resort.
QString StartFolder(const QString& scriptPath, const QString& lastFolder, const QString& documents);

struct CServices {
    platform::IHotKeys& hotkeys;
    // The user-interface thread's own input connection: cursor position and Locate X,Y.
    platform::IInput& input;
    platform::IMessageBox& messages;
    IFileDialogs& fileDialogs;
    IShell& shell;
    // Makes the input of a run's worker, on the worker's thread (an X connection of its own).
    platform::InputFactory makeRunInput;
    // False where no program may read the pointer (Wayland): positions are then picked on an overlay.
    bool bReadsPointer = true;
    // False where shortcut keys work only while one of this program's windows has the focus.
    bool bGlobalKeys = true;
    // The back end in use, for the About box: "X11 (XTest)", ...
    QString backendDescription;
};
