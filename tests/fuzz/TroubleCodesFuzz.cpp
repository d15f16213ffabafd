// The trouble-code text file ("Resource/OBD-Codes-<language>.lng"):
// descrambling, code page, lines, and the look-up of a code's description.
//
// Input: the stored (scrambled) file.
#include "fuzz/support/FuzzSupport.h"

#include "core/ui/Custom.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::EnsureWidgetApplication();
    static const QString folder = [] {
        const QString f = fuzz::TempFolder() + QStringLiteral("/program");
        QDir().mkpath(f + QStringLiteral("/Resource"));
        return f;
    }();
    static TCustom *custom = [] {
        auto *c = new TCustom(nullptr, folder);
        c->SetLanguage(QStringLiteral("EN"));
        return c;
    }();
    FUZZ_CHECK(fuzz::WriteFile(folder + QStringLiteral("/Resource/OBD-Codes-en_GB.lng"),
                               fuzz::Bytes(data, size)));
    custom->LoadTroubleCodes();

    const QStringList &lines = custom->TroubleCodes();
    FUZZ_CHECK(qsizetype(lines.size()) <= qsizetype(size) + 1);
    for (const QString &line : lines) {
        const QString code = line.left(5);
        QString text;
        custom->GetObdCodeText(code, text);
        // A known code gives "CODE (description)"; anything else comes back
        // as it is, or upper-cased when it has the form of a code.
        const QString upper = code.toUpper();
        FUZZ_CHECK(text == code || text == upper || text.startsWith(upper + QStringLiteral(" (")));
    }
    QString text;
    custom->GetObdCodeText(QStringLiteral("p0100"), text);
    FUZZ_CHECK(text.startsWith(QStringLiteral("P0100")));
    return 0;
}
