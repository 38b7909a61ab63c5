#include "ui/AboutDlg.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

#include "platform/AppInfo.h"
#include "res/AppIcon.h"
#include "ui/Services.h"
#include "ui/FittedDialog.h"

namespace {

QLabel* NewLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QString Link(const QString& url, const QString& text) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), text.toHtmlEscaped());
}

}  // namespace

CAboutDlg::CAboutDlg(IShell& shell, const QString& backend, QWidget* parent) : QDialog(parent) {
    const QString name = QString::fromUtf16(appinfo::kAppName);
    const QString email = QString::fromUtf16(appinfo::kSupportEmail);
    const QString page = QString::fromUtf16(appinfo::kProductPage);
    setWindowTitle(QStringLiteral("About %1").arg(name));
    setWindowIcon(res::AppIcon());

    auto* icon = new QLabel(this);
    const int side = fontMetrics().height() * 4;
    icon->setPixmap(res::AppIcon().pixmap(QSize(side, side)));
    icon->setAlignment(Qt::AlignTop);

    auto* title = NewLabel(name, "nameLabel", this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    title->setFont(titleFont);

    auto* version =
        NewLabel(QStringLiteral("Version %1").arg(QStringLiteral(VANTRELL_VERSION)), "versionLabel", this);
    auto* copyright = NewLabel(QStringLiteral("Copyright \u00A9 2026 Orlenby"), "copyrightLabel", this);
    auto* support =
        NewLabel(QStringLiteral("Support: %1").arg(Link(QStringLiteral("mailto:") + email, email)),
                 "supportLabel", this);
    QString pageText = page;
    pageText.remove(QStringLiteral("https://"));
    auto* product = NewLabel(Link(page, pageText), "productPageLabel", this);
    auto* clicksThrough = NewLabel(QStringLiteral("Clicks through: %1").arg(backend), "backendLabel", this);
    clicksThrough->setVisible(!backend.isEmpty());
    // The links go through the shell service rather than straight to the desktop, so tests can see them.
    for (QLabel* label : {support, product}) {
        label->setTextFormat(Qt::RichText);
        label->setTextInteractionFlags(Qt::TextBrowserInteraction);
        label->setOpenExternalLinks(false);
        connect(label, &QLabel::linkActivated, this, [&shell](const QString& url) { shell.OpenUrl(url); });
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAboutDlg::accept);

    auto* texts = new QVBoxLayout;
    for (QLabel* label : {title, version, copyright, support, product, clicksThrough})
        texts->addWidget(label);
    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addSpacing(fontMetrics().averageCharWidth() * 2);
    body->addLayout(texts);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addSpacing(layout->spacing() * 2);
    layout->addWidget(buttons);
    KeepFittedSize(*this);
}
