#include "core/EnglishTextKeys.h"

#include "core/LM.h"

namespace {
struct TextKey {
    const char *english;
    const char *key;
};

// Searched in order; the comparison is exact.
constexpr TextKey Table[] = {
    {"Wait", "strTextWait"},
    {"Disconnect", "strTextDisconnect"},
    {"Connect", "strTextConnect"},
    {"Cancel", "strTextCancel"},
    {"Detect", "strTextDetect"},
    {"Unknown state", "strTextUnknownState"},
    {"Idle", "strTextIdle"},
    {"Connecting", "strTextConnecting"},
    {"Connected", "strTextConnected"},
    {"Detecting", "strTextDetecting"},
    {"Detected", "strTextDetected"},
    {"Disconnecting", "strTextDisconnecting"},
    {"Disconnected", "strTextDisconnected"},
    {"Not detected", "strTextNotDetected"},
    {"Cancelled", "strTextCancelled"},
    {"Error", "strTextError"},
    {"DelayConnect", "strTextDelayConnect"},
    {"Open loop", "strTextOpenLoop"},
    {"Closed loop", "strTextClosedLoop"},
    {"Open loop due to driving conditions", "strTextOpenLoopDriveCond"},
    {"Open loop due to detected system fault", "strTextOpenLoopSysFault"},
    {"Closed loop but fault with at least one oxygen sensor", "strTextClosedLoopFaultOxSens"},
    {"No recorded trouble codes", "strTextNoRecTroubles"},
    {"To check pending trouble codes click the 'Read' button", "strTextNoRecClick"},
    {"Number of recorded trouble codes", "strTextNumRecTroubles"},
    {"Clearing errors", "strTextClearingErrors"},
    {"Clearing unavailable", "strTextClearingUnavail"},
    {"Finished clearing all errors", "strTextFinishClearErrors"},
    {"Error while clearing errors", "strTextErrClearErrors"},
    {"Error, turn off the engine, turn on ignition and retry", "strTextErrEngineOffRetry"},
    {"Reading recorded trouble codes", "strTextReadingRecTroubles"},
    {"No recorded trouble codes found", "strTextNoRecTroublesFound"},
    {"Finished reading recorded trouble codes", "strTextFinishReadRecTroubles"},
    {"Error while reading recorded trouble codes", "strTextErrReadRecTroubles"},
    {"Reading pending trouble codes", "strTextReadingPendTroubles"},
    {"No pending trouble codes found", "strTextNoPendTroublesFound"},
    {"Finished reading pending trouble codes", "strTextFinishReadPendTroubles"},
    {"Error while reading pending trouble codes", "strTextErrReadPendTroubles"},
    {"No freeze frame", "strTextNoFreezeFrame"},
    {"There is a freeze frame", "strTextHaveFreezeFrame"},
    {"Reading freeze frame", "strTextReadingFreezeFrame"},
    {"No freeze frame found", "strTextNoFreezeFrameFound"},
    {"Finished reading freeze frame", "strTextFinishReadFreezeFrame"},
    {"Error while reading freeze frame", "strTextErrReadFreezeFrame"},
    {"Recorded Trouble Codes", "strTextRecTroubles"},
    {"Pending Trouble Codes", "strTextPendTroubles"},
    {"Address", "strTextAddress"},
    {"Freeze Frame", "strTextFreezeFrame"},
    {"Code", "strTextCode"},
    {"Fuel System Status B1", "strTextFuelSysStatB1"},
    {"Fuel System Status B2", "strTextFuelSysStatB2"},
    {"Load", "strTextLoad"},
    {"Coolant Temperature", "strTextCoolantTemp"},
    {"ShortTermFuelTrim B1", "strTextShortTermFTB1"},
    {"LongTermFuelTrim B1", "strTextLongTermFTB1"},
    {"ShortTermFuelTrim B2", "strTextShortTermFTB2"},
    {"LongTermFuelTrim B2", "strTextLongTermFTB2"},
    {"MAP", "strTextMAP"},
    {"RPM", "strTextRPM"},
    {"Speed", "strTextSpeed"},
    {"Timing Advance", "strTextTimingAdvance"},
    {"Intake Air Temperature", "strTextIntakeAirTemp"},
    {"MAF", "strTextMAF"},
    {"Absolute Throttle Position", "strTextAbsThrottlePos"},
    {"[C.deg]", "strUnitTemp"},
    {"[bar]", "strUnitBar"},
    {"[r.p.m.]", "strUnitRPM"},
    {"[km/h]", "strUnitKmH"},
    {"[g/sec]", "strUnitGSec"},
    {"Caution! Program will write default configuration into device. Save?",
     "strTextQuestionDefaultSettings"},
    {"Caution! Program will write default OBD configuration into Adapter. Save?", "strTextQuestionDefaultObdSettings"},
    {"Save configuration to device?", "strTextQuestionSaveConfig"},
    {"unknown", "strTextUnknown"},
    {"Reset OBD adaptation?", "strTextQuestionResetAdaptCorrs"},
    {"Function available since version:", "strTextFunctionDevMinVer"},
    {"Incompatible version", "strVerError"},
    {"Unable to connect to OBD. Change the OBD protocol and/or check the wires to the OBD "
     "connector.",
     "strTextConnectErrors"},
    // Adapter configuration files and the adapter-information page.
    {"Invalid configuration file format:", "strTextConfInvalidFormat"},
    {"Missing product and device info.", "strTextConfMissingInfo"},
    {"Found configuration file for unknown product.", "strTextConfUnknownProduct"},
    {"It may contain incompatible settings.", "strTextConfIncompatible"},
    {"Continue?", "strContinue"},
    {"Found configuration file for different product:", "strTextConfOtherProduct"},
    {"Some information could not be read from configuration file.", "strTextConfNotAllRead"},
    {"Unrecognized or obsolete parameter found:", "strTextConfUnknownParam"},
    {"Unrecognized or obsolete parameters found:", "strTextConfUnknownParams"},
    {"more...", "strTextMore"},
    {"Error while reading configuration file.", "strTextConfReadError"},
    {"Error while saving configuration file.", "strTextConfSaveError"},
    {"Invalid value:", "strTextConfInvalidValue"},
    {"The value is not a number.", "strTextConfNotANumber"},
    {"Allowed values: whole numbers from %1 to %2.", "strTextConfAllowedRange"},
    {"The value cannot be stored in the adapter.", "strTextConfNotStorable"},
    {"The file does not exist or cannot be read.", "strTextFileUnreadable"},
    {"The file is not a text file.", "strTextFileNotText"},
    {"The file is cut short: line %1 has no line end.", "strSetFileCut"},
    {"The file is write-protected.", "strTextFileReadOnly"},
    {"The file cannot be written:", "strTextFileUnwritable"},
    {"The adapter does not answer.", "strTextAdapterNoAnswer"},
    {"The adapter did not accept the configuration:", "strTextConfWriteRefused"},
    {"OBD settings", "strTextObdSettings"},
    {"OBD adaptation tables", "strTextObdAdaptTables"},
    {"The loaded values are kept in the OBD window and are not saved in the adapter.", "strTextConfKeptUnsaved"},
    {"Already written to the adapter:", "strTextConfWrittenPart"},
    {"The rest of the loaded values are kept in the OBD window; load the file again to write them.", "strTextConfKeptRest"},
    {"The adapter did not accept the default configuration.", "strTextDefaultRefused"},
    {"Settings", "strTextFilterSettings"},
    {"analog I/O settings", "strTextAioSettings"},
};
static_assert(sizeof(Table) / sizeof(Table[0]) == 108);
}

QString EnglishTextKey(const QString &text)
{
    for (const TextKey &row : Table)
        if (text == QLatin1String(row.english))
            return QString::fromLatin1(row.key);
    return QString();
}

QStringList EnglishTextKeyList()
{
    QStringList keys;
    for (const TextKey &row : Table)
        keys << QString::fromLatin1(row.key);
    return keys;
}

void TranslateUiText(const QString &text, QString &result)
{
    const QString key = EnglishTextKey(text);
    if (key.isEmpty())
        result = QStringLiteral("!EN! ") + text;
    else if (LM)
        result = LM->Translate(key);
    else
        result = QStringLiteral("!_") + key;
}
