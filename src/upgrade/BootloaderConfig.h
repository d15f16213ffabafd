// The upgradable device variants: two controllers and two adapter boxes. Each
// variant knows its upgrade file's trailer layout, its file extension, its
// product number and how commands to its application firmware are framed.
// TBootloaderConfig owns the four variants, keeps which are enabled for
// detection and which one is current.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// An error of the variant selection.
class EBootloaderConfigError : public std::runtime_error
{
public:
    explicit EBootloaderConfigError(const QString &message) : std::runtime_error(message.toStdString()) {}
};

class TBootloaderParams
{
public:
    virtual ~TBootloaderParams() = default;

    quint8 GetMinFileVersion() const { return FMinFileVersion; }
    quint16 GetTrailerLength() const { return FTrailerLength; }
    quint16 GetMarkerLength() const { return FMarkerLength; }
    quint16 GetField1Offset() const { return FField1Offset; }
    quint16 GetField1Length() const { return FField1Length; }
    quint16 GetField2Offset() const { return FField1Offset + 9; }
    quint16 GetField2Length() const { return FField2Length; }
    quint16 GetVersionBytePos() const { return FVersionBytePos; }
    QString GetExtension() const { return FExtension; }
    QString GetFileFilter() const { return QStringLiteral("%PROD% Upgrade files (*.%EXT%)|*.%EXT%"); }
    quint8 GetProductNumber() const { return FProductNumber; }
    quint8 GetCommandHeader() const { return FCommandHeader; }
    quint8 GetReplyHeader() const { return FReplyHeader; }
    quint8 GetVersionCommand() const { return FVersionCommand; }
    quint8 GetIdentifyCommand() const { return FIdentifyCommand; }
    quint8 GetStatusCommand() const { return FStatusCommand; }
    quint16 GetParamWord() const { return FParamWord; }
    bool GetUseCrc16() const { return FUseCrc16; }
    quint8 GetParamByte() const { return FParamByte; }
    virtual bool BeforeEraseHook() { return true; }
    virtual bool BeforeProgramHook() { return true; }
    QString GetProductName() const { return FProductName; }

    // A command to the variant's application firmware: header, code and
    // argument, then their 8-bit sum, or with CRC-16 their CRC high byte first.
    QByteArray CommandFrame(quint8 code, quint8 argument) const;

protected:
    // One variant's values, in the order of the variant table.
    struct TVariantData {
        const char *name, *extension;
        quint8 productNumber, minFileVersion;
        quint16 markerLength, trailerLength, versionBytePos, field1Offset, field1Length, field2Length;
        quint8 commandHeader, replyHeader, versionCommand, identifyCommand, statusCommand;
        bool useCrc16;
        quint16 paramWord;
        quint8 paramByte;
    };
    explicit TBootloaderParams(const TVariantData &data);

    QString FProductName, FExtension;
    quint8 FMinFileVersion = 0, FProductNumber = 0, FCommandHeader = 0, FReplyHeader = 0;
    quint8 FVersionCommand = 0, FIdentifyCommand = 0, FStatusCommand = 0, FParamByte = 0;
    quint16 FTrailerLength = 0, FMarkerLength = 0, FField1Offset = 0, FField1Length = 0, FField2Length = 0;
    quint16 FVersionBytePos = 0, FParamWord = 0;
    bool FUseCrc16 = false;
};

class TBootloaderTaronQ3 : public TBootloaderParams { public: TBootloaderTaronQ3(); };
class TBootloaderTaronQ3X : public TBootloaderParams { public: TBootloaderTaronQ3X(); };
class TBootloaderAdapterVXR : public TBootloaderParams { public: TBootloaderAdapterVXR(); };
class TBootloaderAdapterVXR_v2 : public TBootloaderParams { public: TBootloaderAdapterVXR_v2(); };

class TBootloaderConfig : public QObject
{
    Q_OBJECT
public:
    // Registers the four variants, all enabled, the first one current.
    explicit TBootloaderConfig(QObject *parent = nullptr);
    ~TBootloaderConfig() override;

    // Fired whenever the current variant is set by selection, the walk or
    // disabling.
    std::function<void(TBootloaderConfig *sender)> OnProductChange;

    int GetProductCount() const { return int(FProducts.size()); }
    TBootloaderParams *Current() const { return FCurrent; }
    QList<TBootloaderParams *> EnabledProducts() const { return FEnabled; }

    // Makes the first enabled variant with that product number current; none
    // when no enabled variant has it.
    void SelectProduct(int number);
    // Removes the variant from the enabled list; when it was current the first
    // remaining one becomes current (raises when none is left).
    void DisableProduct(int number);
    // (Re-)inserts the variant into the enabled list: at the front for
    // position 0, at the end for position 1.
    void EnableProduct(int number, int position);
    // Selects the variant for what a bootloader reported (type code and
    // bootloader version); keeps the previous one when nothing fits.
    void UpdateParamsToHardware(int typeCode, int major, int minor);

    // The walk over the enabled variants, the current one first:
    //   config.BeginIterateProducts();
    //   while (config.NextProduct()) { try config.Current(); stop on success }
    // After a failed walk the last variant tried stays current.
    void BeginIterateProducts();
    bool NextProduct();

private:
    // Creates the four variants in their order and adds each to both lists.
    void RegisterProducts();
    void AddProduct(std::unique_ptr<TBootloaderParams> params);
    void setCurrent(TBootloaderParams *params);
    TBootloaderParams *findProduct(const QList<TBootloaderParams *> &list, int number) const;

    std::vector<std::unique_ptr<TBootloaderParams>> FProducts;
    QList<TBootloaderParams *> FEnabled;
    TBootloaderParams *FCurrent = nullptr;
    int FWalkIndex = -1;
    int FWalkStart = -1;
};

extern TBootloaderConfig *BootloaderConfig;
// The current variant of the configuration (nullptr without one).
TBootloaderParams *CurrentBootloaderParams();
