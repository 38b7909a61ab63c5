#pragma once

#include <QKeyEvent>
#include <QLineEdit>

// A one-line field that takes typed digits only; other characters are refused as they are typed. Text
// set by the program (a negative repeat count from a file, say) is shown as it is.
class CDigitsEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QString text = event->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
            for (const QChar c : text) {
                if (!c.isDigit()) {
                    event->accept();  // swallowed, as a digits-only field does
                    return;
                }
            }
        }
        QLineEdit::keyPressEvent(event);
    }
};
