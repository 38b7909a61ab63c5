// The About box: its texts, its two links, which go out through the shell service, and its icon.

#include <QApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

#include "platform/AppInfo.h"
#include "res/AppIcon.h"
#include "tests/support/TestMain.h"
#include "ui/AboutDlg.h"
#include "ui/Services.h"

namespace {

class CRecordingShell final : public IShell {
public:
    bool ShowInFileManager(const QString&) override { return false; }
    bool OpenUrl(const QString& url) override {
        m_urls << url;
        return true;
    }
    QStringList m_urls;
};

QLabel* Label(const QWidget& dlg, const char* name) {
    auto* label = dlg.findChild<QLabel*>(QLatin1String(name));
    if (!label)
        qFatal("no label %s", name);
    return label;
}

QStringList Links(const QLabel* label) {
    QStringList hrefs;
    for (const auto& m : QRegularExpression(QStringLiteral("href=\"([^\"]*)\"")).globalMatch(label->text()))
        hrefs << m.captured(1);
    return hrefs;
}

}  // namespace

class TestAboutDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each link carries its one constant, and activating it hands exactly that to the shell.
    void showsTextsAndLinks() {
        CRecordingShell shell;
        CAboutDlg dlg(shell);
        QCOMPARE(Label(dlg, "nameLabel")->text(), QStringLiteral("Vantrell"));
        QVERIFY(Label(dlg, "versionLabel")->text().contains(QStringLiteral(VANTRELL_VERSION)));
        QVERIFY(Label(dlg, "copyrightLabel")->text().contains(QStringLiteral("Orlenby")));

        const QString mail = QStringLiteral("mailto:") + QString::fromUtf16(appinfo::kSupportEmail);
        const QString page = QString::fromUtf16(appinfo::kProductPage);
        QCOMPARE(Links(Label(dlg, "supportLabel")), QStringList{mail});
        QCOMPARE(Links(Label(dlg, "productPageLabel")), QStringList{page});
        Q_EMIT Label(dlg, "supportLabel")->linkActivated(mail);
        Q_EMIT Label(dlg, "productPageLabel")->linkActivated(page);
        QCOMPARE(shell.m_urls, (QStringList{mail, page}));
    }

    // The icon comes from PNGs in the resource, so it shows even without Qt's SVG plugin.
    void iconLoadsFromTheResource() {
        for (const int side : {16, 32, 64})
            QCOMPARE(res::AppIcon().pixmap(QSize(side, side)).size(), QSize(side, side));
    }
};

VANTRELL_X11_TEST_MAIN(TestAboutDlg, QApplication)
#include "tst_aboutdlg.moc"
