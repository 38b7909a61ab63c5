#pragma once
// Message boxes with the application's name as caption. Behind an interface so that tests can read the
// text and answer, and so that layers without widgets can ask the user.

#include <QString>

class QObject;

namespace platform {

constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Shows text with the buttons and icon of type, owned by parent (a widget, or null); gives the button
    // the user chose as IDOK, IDCANCEL, IDYES or IDNO.
    virtual int MessageBox(QObject* parent, const QString& text, unsigned type) = 0;
};

}  // namespace platform
