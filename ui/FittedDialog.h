#pragma once

#include <QDialog>
#include <QLayout>

// A modal dialog keeps the size its form is fitted to, and follows it when a text changes that size: the
// user can neither resize nor maximize it. Called once the dialog's layout is set.
inline void KeepFittedSize(QDialog& dialog) {
    dialog.layout()->setSizeConstraint(QLayout::SetFixedSize);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
}
