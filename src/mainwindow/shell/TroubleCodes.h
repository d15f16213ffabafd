// The trouble-code pages of the main window: the controller's active and
// stored codes with their texts, the current freeze frame, the history of the
// last ten freeze frames, and clearing the codes.
//
// A code is group g (1..4) and bit b (1..8) of the trouble-code bytes, named
// "E10" followed by the digits g and b; its text is the language file's key
// "err" followed by g - 1 and b - 1.
#pragma once

#include "mainwindow/shell/PageControls.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <functional>

class QPlainTextEdit;
class QTableWidget;
class TFormMain;
struct TFreezeRecord;

class TTroubleCodesPage : public QObject, public TPageControls
{
    Q_OBJECT

public:
    explicit TTroubleCodesPage(TFormMain *form);

    // "E10gb: (INFO) " or "E10gb: (ERROR) " followed by the code's text;
    // without a text the line ends after the kind.
    static QString DebugWczytajOpisyBanku(int group, int bit);
    // True when the code is a notice rather than a fault.
    static bool IsInfo(int group, int bit);
    // Bit number 1..8 of a mask with exactly that bit set; 0 otherwise.
    static int BitOfMask(uint8_t mask);
    // The lines of one history entry; none for an empty entry.
    static QStringList FreezeRecordLines(const TFreezeRecord &entry);
    // The history entry that grid row 0..9 lists; -1 when there is none.
    static int EntryOfRow(int row, uint8_t historyIndex);

    void SpBOdcReadTCClick();
    void SpBOdcClearTroubleCodeClick();
    void SpBDebugReadTroubleCodesClick();
    // Adds the group's lines to the active and stored memos of the main page.
    void UpdateTroubleCodeList(int group);
    void StGStoredTroubleCodesSelectCell(int row);
    void UpdateActiveFreezedFrameMemo(int entry);

private:
    // The current freeze frame read from the device; empty when there is none.
    QStringList ReadFreezeFrame();

    TFormMain *FForm;
    QPointer<QPlainTextEdit> FActive, FStored, FFrame;
    QPointer<QPlainTextEdit> FDebugActive, FDebugFrame, FDebugEntry;
    QPointer<QTableWidget> FGrid;
};
