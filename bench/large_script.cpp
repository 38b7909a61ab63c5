// A script of 100,000 rows: how long saving takes, how long opening it into the window takes until the
// list has painted, and what each row costs in memory beyond its comment text.

#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "app/MainFrame.h"
#include "platform/RecordingInput.h"
#include "script/ScriptFile.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TestMain.h"
#include "ui/DocManager.h"
#include "ui/VantrellView.h"

namespace {

constexpr int kRows = 100'000;

size_t HeapInUse() { return mallinfo2().uordblks; }

std::vector<std::unique_ptr<CMouseAction>> MakeRows(qint64* commentBytes) {
    std::vector<std::unique_ptr<CMouseAction>> rows;
    *commentBytes = 0;
    for (int i = 0; i < kRows; ++i) {
        auto a = std::make_unique<CMouseAction>();
        a->m_iClickType = i % 6;
        a->m_iX = i % 1920;
        a->m_iY = i % 1080;
        a->m_dwDelay = uint32_t(i % 500);
        a->m_strComment = QStringLiteral("Step %1 of the nightly export").arg(i);
        *commentBytes += a->m_strComment.size() * 2;
        rows.push_back(std::move(a));
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    testsupport::CPrivateProfileDir profile;
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.Vantrell"));

    // Memory: the heap that a list of rows takes, less the comments' own UTF-16 text.
    qint64 commentBytes = 0;
    const size_t before = HeapInUse();
    CActionList rows;
    {
        auto made = MakeRows(&commentBytes);
        rows.AppendAll(made);
    }
    const double perRow = double(HeapInUse() - before - size_t(commentBytes)) / kRows;

    QElapsedTimer timer;
    CScriptHeader header;
    QString error;
    timer.start();
    if (!WriteScriptFile(path, header, rows, &error))
        return std::fprintf(stderr, "save failed: %s\n", qPrintable(error)), 1;
    const double saveMs = double(timer.nsecsElapsed()) / 1e6;

    testsupport::CFakeHotKeys hotKeys;
    platform::CEventLog log;
    platform::CRecordingInput input(log);
    testsupport::CFakeServices fakes(hotKeys, input);
    CMainFrame frame(fakes.services);
    frame.NewDocument();
    frame.show();
    QApplication::processEvents();

    timer.restart();
    if (!frame.DocManager().OpenDocumentFile(path))
        return std::fprintf(stderr, "open failed\n"), 1;
    frame.repaint();
    (void)frame.grab();  // the list has painted
    const double openMs = double(timer.nsecsElapsed()) / 1e6;

    // Scrolling to the end and back repaints the visible rows only.
    timer.restart();
    frame.View().ListCtrl().scrollToBottom();
    (void)frame.grab();
    frame.View().ListCtrl().scrollToTop();
    (void)frame.grab();
    const double scrollMs = double(timer.nsecsElapsed()) / 1e6;

    std::printf("rows\t%d\n", frame.View().List().GetItemCount());
    std::printf("save_ms\t%.1f\n", saveMs);
    std::printf("open_and_paint_ms\t%.1f\n", openMs);
    std::printf("scroll_end_and_back_ms\t%.1f\n", scrollMs);
    std::printf("bytes_per_row_beyond_comment\t%.1f\n", perRow);
    return 0;
}
