// The trouble-code text file ("Resource/OBD-Codes-<language>.lng"):
// descrambling, code page, lines, and the look-up of a code's description.
// A file that does not unscramble to text is refused by name.
//
// Input: the stored (scrambled) file.
#include "fuzz/support/FuzzSupport.h"

#include "core/LM.h"
#include "core/Scramble.h"
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
    if (!LM)
        LM = new TLM;
    QStringList messages;
    LM->MessageHook = [&messages](const QString &m) { messages << m; };
    static TCustom *custom = [] {
        auto *c = new TCustom(nullptr, folder);
        c->SetLanguage(QStringLiteral("EN"));
        return c;
    }();
    FUZZ_CHECK(fuzz::WriteFile(folder + QStringLiteral("/Resource/OBD-Codes-en_GB.lng"),
                               fuzz::Bytes(data, size)));
    custom->LoadTroubleCodes();

    QByteArray text = fuzz::Bytes(data, size);
    ScrambleStream(text);
    bool damaged = false;
    for (const char c : std::as_const(text))
        damaged = damaged || (uchar(c) < 0x20 && c != '\t' && c != '\r' && c != '\n');
    // A damaged file is reported once, not again while it stays refused.
    static bool refused = false;
    if (damaged) {
        FUZZ_CHECK(custom->TroubleCodes().isEmpty());
        FUZZ_CHECK(messages.size() == (refused ? 0 : 1));
        FUZZ_CHECK(refused || messages.first().contains(QStringLiteral("OBD-Codes-en_GB.lng")));
    } else {
        FUZZ_CHECK(messages.isEmpty());
    }
    refused = damaged;

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
    QString known;
    custom->GetObdCodeText(QStringLiteral("p0100"), known);
    FUZZ_CHECK(known.startsWith(QStringLiteral("P0100")));
    return 0;
}
