#pragma once
// The About box: the program's name, version, copyright, the support address and the product page.

#include <QDialog>

class IShell;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // Links open through shell: the e-mail client for the support address, the browser for the page.
    explicit CAboutDlg(IShell& shell, QWidget* parent = nullptr);
};
