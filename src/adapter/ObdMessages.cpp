#include "adapter/ObdMessages.h"

#include "core/EnglishTextKeys.h"

namespace {

QString progress(const char *english) { return ObdUiText(english) + QStringLiteral("..."); }
QString failure(const char *english) { return QStringLiteral("*** ") + ObdUiText(english) + QStringLiteral("!"); }

// The texts both kinds share (codes 2..6).
QString clearingText(int code)
{
    switch (code) {
    case 2: return progress("Clearing errors");
    case 3: return ObdUiText("Clearing unavailable");
    case 4: return ObdUiText("Finished clearing all errors");
    case 5: return failure("Error while clearing errors");
    case 6: return failure("Error, turn off the engine, turn on ignition and retry");
    default: return QString();
    }
}

QString unknown(int code) { return QStringLiteral("!UNKNOWN!") + QString::number(code); }

} // namespace

QString ObdUiText(const char *english)
{
    QString text;
    TranslateUiText(QString::fromLatin1(english), text);
    return text;
}

int TOBDMessageLinesList::Add(int code, const QString &argument)
{
    FLines.push_back({code, argument});
    return Count() - 1;
}

QString TOBDMessageLinesList::Text(int i) const
{
    if (i < 0 || i >= Count())
        return QString();
    const TOBDMessageLine &line = Item(i);
    return FKind == 0 ? DescribeTroubleCodesState(line.Code, line.Argument)
                      : DescribeFreezeFrameState(line.Code, line.Argument);
}

void TOBDMessageLinesList::RemoveCode(int code)
{
    std::erase_if(FLines, [code](const TOBDMessageLine &l) { return l.Code == code; });
}

QString DescribeTroubleCodesState(int code, const QString &argument)
{
    const QString hint = QStringLiteral("\r\n\r\n") + ObdUiText("To check pending trouble codes click the 'Read' button");
    switch (code) {
    case 0: return ObdUiText("No recorded trouble codes") + argument + hint;
    case 1: return ObdUiText("Number of recorded trouble codes") + argument + hint;
    case 2: case 3: case 4: case 5: case 6: return clearingText(code) + argument;
    case 7: return progress("Reading recorded trouble codes") + argument;
    case 8: return ObdUiText("No recorded trouble codes found") + argument;
    case 9: return ObdUiText("Finished reading recorded trouble codes") + argument;
    case 10: return failure("Error while reading recorded trouble codes") + argument;
    case 11: return progress("Reading pending trouble codes") + argument;
    case 12: return ObdUiText("No pending trouble codes found") + argument;
    case 13: return ObdUiText("Finished reading pending trouble codes") + argument;
    case 14: return failure("Error while reading pending trouble codes") + argument;
    default: return unknown(code);
    }
}

QString DescribeFreezeFrameState(int code, const QString &argument)
{
    switch (code) {
    case 0: return ObdUiText("No freeze frame") + argument;
    case 1: return ObdUiText("There is a freeze frame") + argument;
    case 2: case 3: case 4: case 5: case 6: return clearingText(code) + argument;
    case 7: return progress("Reading freeze frame") + argument;
    case 8: return ObdUiText("No freeze frame found") + argument;
    case 9: return ObdUiText("Finished reading freeze frame") + argument;
    case 10: return failure("Error while reading freeze frame") + argument;
    default: return unknown(code);
    }
}

QString FormatTroubleCode(quint8 first, quint8 second)
{
    static const char letters[] = {'P', 'C', 'B', 'U'};
    return QStringLiteral("%1%2%3%4%5")
        .arg(QLatin1Char(letters[first >> 6]))
        .arg((first >> 4) & 0x3, 0, 16)
        .arg(first & 0xF, 0, 16)
        .arg(second >> 4, 0, 16)
        .arg(second & 0xF, 0, 16)
        .toUpper();
}
