#pragma once
// What must hold when any bytes at all are opened as a script. The fuzz target checks these for every
// input it makes up; the regression suite checks them again for every input that once broke one.

#include <QLocale>
#include <QString>
#include <span>

class QIODevice;

// A few locales with other digits, orders, separators and day periods than en_US (which comes first).
std::span<const QLocale> ReaderRuleLocales();

// Opens the device's bytes as the open script does, then checks:
//  - a read that fails leaves the open script exactly as it was, and says why;
//  - a read that succeeds gives as many rows as the header announces;
//  - the rows render in the list, and the dates format in en_US and in locale and read back there as the
//    same day and second;
//  - saving what was read and reading that back gives the very same bytes again.
// Returns the rule that broke, or an empty text. Replaces g_scriptHeader and g_arrLoadedActions.
QString BrokenReaderRule(QIODevice& device, const QLocale& locale);
