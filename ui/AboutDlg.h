#pragma once
// The About box: the program's name, version, copyright, the support address, the product page and the
// back end that clicks.

#include <QDialog>
#include <QString>

class IShell;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // Links open through shell: the e-mail client for the support address, the browser for the page.
    // backend names the back end that clicks ("X11 (XTest)"); empty shows none.
    CAboutDlg(IShell& shell, const QString& backend, QWidget* parent = nullptr);
};
