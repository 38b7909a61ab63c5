// libFuzzer target for the script reader: every input is opened as the open script is, from memory, and
// must keep the rules in ScriptReaderRules.h. A broken rule aborts, so libFuzzer keeps the input as it
// keeps a crash.

#include <QBuffer>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/ScriptReaderRules.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Files are written in the user's locale; the seeds were written in en_US.
    QLocale::setDefault(ReaderRuleLocales().front());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // No copy: a read past the end leaves libFuzzer's exact-size buffer, where ASan sees it.
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    // Each input also checks its dates in one other locale, chosen by its last byte.
    const auto locales = ReaderRuleLocales();
    const QLocale& locale = locales[size > 0 ? data[size - 1] % locales.size() : 0];
    const QString broken = BrokenReaderRule(device, locale);
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "broken rule: %s\n", qPrintable(broken));
        std::abort();
    }
    return 0;
}
