// Feeds arbitrary bytes to the installation-card reader as the card window's
// load does. Properties: a card that is read is written and read back to
// the same card; a refused file leaves the card as it was, with a reason; a
// file cut short (last line without its end) is refused, and so is the
// written card cut anywhere but at a line end; a card is saved exactly when
// its file stays within what the reader takes, a refused save writing nothing.
#include "support/FuzzSupport.h"

#include "core/IniFile.h"
#include "windows/InstallationCard.h"

#include <QFile>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::EnsureCoreApplication();
    TIniFile ini;
    ini.LoadFromBytes(fuzz::Bytes(data, size));

    TInstallationCard card;
    card.SetEdit("EdtMarka", QStringLiteral("before"));
    card.Memo << QStringLiteral("line");
    const TInstallationCard before = card;
    QString error;
    if (!card.Read(ini, error)) {
        FUZZ_CHECK(card == before);
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(ini.UnendedLine() == 0);
    FUZZ_CHECK(error.isEmpty());
    FUZZ_CHECK(card.Date.isValid());

    // Save and load give back the same card, through the file's bytes. A
    // byte the code page does not define was read as U+FFFD and is saved as
    // '?'; a NUL (only a file read past the card window's check holds one)
    // is dropped from a written value, which then loses the blanks it leaves
    // at an end: the changes a round trip may make.
    TIniFile written;
    card.Write(written);
    TIniFile again;
    again.LoadFromBytes(written.ToBytes());
    TInstallationCard back;
    QString backError;
    FUZZ_CHECK(back.Read(again, backError));
    TInstallationCard expected = card;
    const auto asWritten = [](QString &text) {
        text = text.replace(QChar(0xFFFD), QLatin1Char('?')).remove(QChar(0)).trimmed();
    };
    for (QString &text : expected.Edits)
        asWritten(text);
    for (QString &line : expected.Memo)
        asWritten(line);
    FUZZ_CHECK(back == expected);

    // Saved over another card's file, then loaded back; or refused, saying
    // why. (A card file holding a NUL byte is refused before it is read.)
    if (!fuzz::Bytes(data, size).contains('\0')) {
        static const QString file = fuzz::TempFolder() + QStringLiteral("/card.dkm");
        const QByteArray old("[Page]\r\nEdtMarka=old\r\n[Other]\r\nKept=1\r\n");
        FUZZ_CHECK(fuzz::WriteFile(file, old));
        TIniFile over;
        over.LoadFromBytes(old);
        card.Write(over);
        QString saveError;
        const bool saved = card.Save(file, saveError);
        FUZZ_CHECK(saved == (over.ToBytes().size() <= TIniFile::MaxFileSize));
        TInstallationCard loaded;
        QFile f(file);
        FUZZ_CHECK(saved ? loaded.Load(file, saveError) && loaded == expected
                         : !saveError.isEmpty() && f.open(QIODevice::ReadOnly) && f.readAll() == old);
    }

    // The written card cut in mid-line (the cut chosen by the input) is refused.
    const QByteArray bytes = written.ToBytes();
    const qsizetype cut = qsizetype(size % size_t(bytes.size()));
    if (cut > 0 && bytes.at(cut - 1) != '\n' && bytes.at(cut - 1) != '\r') {
        TIniFile cutIni;
        cutIni.LoadFromBytes(bytes.left(cut));
        TInstallationCard cutCard = before;
        QString cutError;
        FUZZ_CHECK(!cutCard.Read(cutIni, cutError));
        FUZZ_CHECK(cutCard == before);
    }
    return 0;
}
