#pragma once
// What the window suites share: the main window with fake message boxes, file dialogs and shell (and fake
// hotkeys and input unless real ones are given), and script files.

#include <QApplication>
#include <QtTest>

#include "app/MainFrame.h"
#include "platform/VirtualKeys.h"
#include "script/ScriptFile.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "tests/support/Actions.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TestMain.h"
#include "ui/DocManager.h"
#include "ui/VantrellView.h"

namespace uitest {

using namespace platform;
using namespace Qt::StringLiterals;
using testsupport::CFakeHotKeys;
using testsupport::CommentedRows;
using testsupport::Header;
using testsupport::MakeAction;
using testsupport::WriteScript;

constexpr unsigned VK_F = VK_A + 5;

// The globals every test starts from: no script header values, the default settings stored, US English.
inline void ResetGlobals() {
    QLocale::setDefault(QLocale(u"en_US"_s));
    g_scriptHeader = CScriptHeader();
    g_settings = CSettings();
    g_settings.Save();
}

// One column of the list, top to bottom.
inline QStringList Column(const CActionList& list, int column) {
    QStringList out;
    for (int r = 0; r < list.GetItemCount(); ++r)
        out << list.Text(r, column);
    return out;
}

// One window as the program sets it up at start.
struct CWindow {
    CWindow() : CWindow(fakeHotKeys, fakeInput) {}
    CWindow(IHotKeys& hotKeys, IInput& input) : fakes(hotKeys, input), frame(fakes.services) {
        frame.NewDocument();
        frame.show();
        QApplication::setActiveWindow(&frame);
        (void)QTest::qWaitForWindowExposed(&frame);
    }
    CVantrellView& view() { return frame.View(); }
    CActionList& list() { return frame.View().List(); }
    CVantrellDoc& doc() { return frame.Doc(); }
    CCustomDocManager& docs() { return frame.DocManager(); }
    QStringList messages() const { return fakes.messages.Texts(); }
    QStringList comments() { return Column(list(), CActionList::ColComment); }
    // Rows at x = 0, 10, 20... with the comments "row 0", "row 1"...
    void AddRows(int n, uint32_t delay = 0) {
        for (int i = 0; i < n; ++i)
            view().AppendRow(MakeAction(LeftClick, i * 10, 100 + i, delay, u"row %1"_s.arg(i)));
    }

    CFakeHotKeys fakeHotKeys;
    CEventLog log;
    CRecordingInput fakeInput{log};
    testsupport::CFakeServices fakes;
    CMainFrame frame;
};

}  // namespace uitest
