// Named variables: names and groups, raw layouts, ranges, boolean bits,
// notifications, and copies by section and flags.
#include "adapter/UIState.h"
#include "adapter/Variable.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Variable, NamesGroupsAndLists)
{
    TVariableList list(true);
    auto *action = new TByteVariable(&list, "OBD:OBDactionMain");
    EXPECT_EQ(action->Group(), "OBD");
    EXPECT_EQ(action->Name(), "OBDactionMain");
    auto *nested = new TByteVariable(&list, "a:b:c");
    EXPECT_EQ(nested->Group(), "a");
    EXPECT_EQ(nested->Name(), "b:c");
    auto *plain = new TByteVariable(&list, "Plain");
    EXPECT_TRUE(plain->Group().isEmpty());
    EXPECT_EQ(list.FindByName("OBDactionMain"), action);
    EXPECT_EQ(list.FindByName("OBD:OBDactionMain"), nullptr); // the group is not part of it

    list.Add(action); // the same object again: nothing
    EXPECT_EQ(list.Count(), 3);
    new TByteVariable(&list, "X:Speed");
    try {
        TByteVariable duplicate(&list, "Y:Speed");
        FAIL() << "no exception";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Variable named \"Speed\" already created");
    }
    try {
        TStringVariable empty(nullptr, 0, "Empty");
        FAIL() << "no exception";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "DataLength too low: 0");
    }
    EXPECT_EQ(MakeGroupedName(dgAdapter, "AdapterMainVersion"), "Adapter:AdapterMainVersion");
    EXPECT_EQ(GetDataGroupName(dgLocal), "Local");
}

TEST(Variable, RawLayoutsRangesAndRounding)
{
    TByteVariable byte(nullptr, "B");
    try {
        byte.SetAsInteger(256);
        FAIL() << "no exception";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Value (256) out of Byte range");
    }
    EXPECT_EQ(byte.GetAsInteger(), 0);
    byte.SetAsFloat(2.5);
    EXPECT_EQ(byte.GetAsInteger(), 2);
    byte.SetAsFloat(3.5);
    EXPECT_EQ(byte.GetAsInteger(), 4);
    EXPECT_EQ(byte.Text(), "4");

    // The boolean container word is low byte first.
    TBoolVariable word(nullptr, "W", 2);
    word.SetAsInteger(0x1234);
    EXPECT_EQ(word.Raw(), QByteArray::fromHex("3412"));
    EXPECT_THROW(TBoolVariable(nullptr, "Three", 3), EVariableError);

    TStringVariable text(nullptr, 9, "CompileTime");
    text.SetRawData(QByteArray("12:34:56\0", 9), false);
    EXPECT_EQ(text.GetAsString(), "12:34:56");
    EXPECT_EQ(text.GetAsInteger(), 8);
    EXPECT_THROW(text.SetRawData(QByteArray("12:34:56"), false), EVariableError); // wrong length
}

TEST(Variable, BitsOfAContainerAndNotifications)
{
    TVariableList list(true);
    TBoolVariable *container = TBoolVariable::CreateParam(&list, 6, 1, "OBD:Flags");
    TBoolVariable *bit4 = TBoolVariable::CreateBit(&list, 4, container, "OBD:Flags_4");
    TBoolVariable *bit1 = TBoolVariable::CreateBit(&list, 1, container, "OBD:Flags_1");
    EXPECT_EQ(bit4->GetAsInteger(), 4);
    EXPECT_TRUE(bit4->GetAsBoolean());
    EXPECT_FALSE(bit1->GetAsBoolean());
    int bit4Changes = 0, bit1Changes = 0, containerChanges = 0;
    bit4->OnChange = [&](TVariable *) { ++bit4Changes; };
    bit1->OnChange = [&](TVariable *) { ++bit1Changes; };
    container->OnChange = [&](TVariable *) { ++containerChanges; };
    bit4->SetAsBoolean(false);
    EXPECT_EQ(container->GetAsInteger(), 2);
    EXPECT_EQ(bit4Changes, 1);
    EXPECT_EQ(bit1Changes, 0);
    EXPECT_EQ(containerChanges, 1);

    // Same bytes without force: nobody hears; with force: exactly once.
    container->SetRawData(QByteArray(1, 2), false);
    EXPECT_EQ(containerChanges, 1);
    container->SetRawData(QByteArray(1, 2), true);
    EXPECT_EQ(containerChanges, 2);

    // Defaults: settings go back, readings have none.
    container->ResetToDefault(false);
    EXPECT_EQ(container->GetAsInteger(), 6);
    TByteVariable reading(nullptr, "OBD:Reading");
    try {
        reading.ResetToDefault(false);
        FAIL() << "no exception";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Variable \"Reading\" has no default data, use CreateParam constructor first");
    }
}

TEST(Variable, CopiesBySectionAndFlags)
{
    TVariableList source(true), target(true);
    TByteVariable *setting = TByteVariable::CreateParam(&source, 0, "AIO:Setting");
    TByteVariable *reading = new TByteVariable(&source, "AIO:Reading");
    TByteVariable *other = new TByteVariable(&source, "OBD:Reading2");
    TByteVariable::CreateParam(&target, 0, "AIO:Setting");
    new TByteVariable(&target, "AIO:Reading");
    setting->SetAsInteger(7);
    reading->SetAsInteger(8);
    other->SetAsInteger(9);
    target.CopyFrom(source, QString(), 2); // settings only
    EXPECT_EQ(target.GetItem(0)->GetAsInteger(), 7);
    EXPECT_EQ(target.GetItem(1)->GetAsInteger(), 0);
    target.CopyFrom(source, "OBD", 1); // another section: nothing
    EXPECT_EQ(target.GetItem(1)->GetAsInteger(), 0);
    target.CopyFrom(source, "AIO", 1); // the shorter list bounds the copy
    EXPECT_EQ(target.GetItem(1)->GetAsInteger(), 8);
}

TEST(Variable, ChangedRawDataNotifiesOnceSetOrCopied)
{
    // Every kind that decodes its own bytes, in a list and in its twin that
    // the copies come from.
    const auto fill = [](TVariableList &list) {
        new TByteVariable(&list, "A:Byte");
        new TWordVariable(&list, "A:Word");
        new TSmallIntVariable(&list, "A:Small");
        new TIntVariable(&list, "A:Int");
        new TBoolVariable(&list, "A:Bool", 2);
        new TBoolByteVariable(&list, "A:BoolByte");
        new TStringVariable(&list, 4, "A:Text");
    };
    TVariableList list(true), twin(true);
    fill(list);
    fill(twin);
    std::vector<int> heard(size_t(list.Count()), 0);
    for (int i = 0; i < list.Count(); ++i)
        list.GetItem(i)->OnChange = [&heard, i](TVariable *) { ++heard[size_t(i)]; };
    const auto expectEach = [&](int times, const char *how) {
        for (int i = 0; i < list.Count(); ++i)
            EXPECT_EQ(heard[size_t(i)], times) << how << " " << list.GetItem(i)->Name().toStdString();
        std::fill(heard.begin(), heard.end(), 0);
    };
    const auto raw = [](const TVariable *v, char c) { return QByteArray(v->DataLength(), c); };
    for (int i = 0; i < list.Count(); ++i)
        list.GetItem(i)->SetRawData(raw(list.GetItem(i), 1), false);
    expectEach(1, "set");
    for (int i = 0; i < list.Count(); ++i)
        list.GetItem(i)->SetRawData(raw(list.GetItem(i), 2), true);
    expectEach(1, "set with force");
    for (int i = 0; i < twin.Count(); ++i)
        twin.GetItem(i)->SetRawData(raw(twin.GetItem(i), 3), false);
    list.CopyFrom(twin, QString(), 3);
    expectEach(1, "copied");
    list.CopyFrom(twin, QString(), 3);
    expectEach(0, "copied unchanged");
    for (int i = 0; i < twin.Count(); ++i)
        twin.GetItem(i)->SetRawData(raw(twin.GetItem(i), 4), false);
    for (int i = 0; i < list.Count(); ++i)
        list.CopyVariableFrom(twin, list.GetItem(i));
    expectEach(1, "copied one by one");
}

TEST(Variable, WideKindsKeepTheirOldValueOnBadInput)
{
    TWordVariable word(nullptr, "W");
    word.SetAsInteger(0x1234);
    EXPECT_EQ(word.Raw(), QByteArray::fromHex("1234"));
    EXPECT_THROW(word.SetAsInteger(-1), EVariableError);
    TSmallIntVariable small(nullptr, "S");
    small.SetAsInteger(-2);
    EXPECT_EQ(small.Raw(), QByteArray::fromHex("fffe"));
    try {
        small.SetAsInteger(40000);
        FAIL() << "no exception";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Value (40000) out of Word range");
    }
    EXPECT_EQ(small.GetAsInteger(), -2);
    EXPECT_EQ(small.Text(), "-2");
    TIntVariable wide(nullptr, "I");
    wide.SetAsInteger(0x12345678);
    EXPECT_EQ(wide.Raw(), QByteArray::fromHex("56781234"));
    wide.SetRawData(QByteArray::fromHex("fffeffff"), false);
    EXPECT_EQ(wide.GetAsInteger(), -2);
    EXPECT_THROW(wide.SetAsFloat(std::nan("")), EVariableError);
    EXPECT_THROW(wide.SetAsInteger(0x100000000LL), EVariableError);
    EXPECT_EQ(wide.GetAsInteger(), -2);

    // A double setting without a raw conversion refuses a new value.
    TVariableList list(true);
    TDoubleVariable *ratio = TDoubleVariable::CreateParam(&list, 3, 2, "AIO:Ratio");
    EXPECT_EQ(ratio->GetAsFloat(), 3.0);
    EXPECT_EQ(ratio->Raw(), QByteArray(2, '\0'));
    EXPECT_EQ(ratio->Text(), "3.00"); // a bare "%f" gives two decimals
    try {
        ratio->SetAsFloat(1.5);
        FAIL() << "no exception";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Uncertain how to convert Double to array of bytes, please set OnValueToRaw event handler");
    }
    EXPECT_EQ(ratio->GetAsFloat(), 3.0);
    EXPECT_THROW(ratio->SetRawData(QByteArray::fromHex("0102"), false), EVariableError);
    EXPECT_EQ(ratio->Raw(), QByteArray(2, '\0'));
    // A computed double without a default takes any value.
    TDoubleVariable computed(nullptr, 1, "Local:Computed");
    computed.SetAsInteger(7);
    EXPECT_EQ(computed.GetAsFloat(), 7.0);
}

TEST(Variable, HandlersTextsAndListOperations)
{
    // Tenths of a volt in a word: the handlers run as soon as they are set.
    TVariableList device(true), ui(true);
    auto *volts = TDoubleVariable::CreateParam(&device, 12, 2, "AIO:Volts");
    auto *count = new TByteVariable(&device, "AIO:Count");
    new TDoubleVariable(&ui, 2, "AIO:Volts");
    new TByteVariable(&ui, "AIO:Count");
    int changes = 0;
    volts->OnChange = [&](TVariable *) { ++changes; };
    volts->SetOnValueToRaw([](TVariable *v, QByteArray &raw) {
        const int tenths = int(v->GetAsFloat() * 10);
        raw[0] = char(tenths >> 8);
        raw[1] = char(tenths & 0xFF);
    });
    EXPECT_EQ(volts->Raw(), QByteArray::fromHex("0078"));
    volts->SetOnRawToValue([](TVariable *v, QByteArray &raw) {
        v->SetAsFloat((quint8(raw[0]) * 256 + quint8(raw[1])) / 10.0);
    });
    volts->SetOnGetText([](TVariable *v, QString &text) { text = QString::number(v->GetAsFloat(), 'f', 1) + " V"; });
    EXPECT_EQ(volts->Text(), "12.0 V");
    volts->SetAsFloat(13.5);
    EXPECT_EQ(volts->Raw(), QByteArray::fromHex("0087"));
    EXPECT_EQ(changes, 1);
    volts->SetRawData(QByteArray::fromHex("008c"), true);
    EXPECT_EQ(volts->Text(), "14.0 V");
    // A floating-point default: the reset writes it through the handler;
    // an integer kind takes it rounded, halves to even.
    volts->SetDefaultFloat(12.5);
    const int before = changes;
    volts->ResetToDefault(true);
    EXPECT_EQ(volts->Raw(), QByteArray::fromHex("007d"));
    EXPECT_EQ(changes, before + 2); // the new value, then the asked notification
    TByteVariable level(nullptr, "AIO:Level");
    level.SetDefaultFloat(2.5);
    level.SetAsInteger(9);
    level.ResetToDefault(false);
    EXPECT_EQ(level.GetAsInteger(), 2);
    volts->SetAsFloat(14.0);
    count->SetFormat("#%d");
    count->SetAsInteger(5);
    EXPECT_EQ(count->Text(), "#5");

    // Only a raw-to-value handler: setting the value leaves the raw bytes.
    TWordVariable decoded(nullptr, "D");
    decoded.SetOnRawToValue([](TVariable *v, QByteArray &raw) { v->SetAsInteger(quint8(raw[1])); });
    decoded.SetAsInteger(300);
    EXPECT_EQ(decoded.Raw(), QByteArray(2, '\0'));

    // The user-interface twin takes the handlers, and single copies.
    ui.Assign(device);
    EXPECT_EQ(ui.GetItem(0)->Text(), "0.0 V");
    ui.CopyVariableFrom(device, ui.GetItem(0));
    EXPECT_EQ(ui.GetItem(0)->GetAsFloat(), 14.0);
    EXPECT_EQ(ui.GetItem(1)->GetAsInteger(), 0);
    ui.Reset(device, 1);
    EXPECT_EQ(ui.GetItem(1)->GetAsInteger(), 5);
    TVariableList other(true);
    new TByteVariable(&other, "AIO:Other");
    try {
        other.Assign(device);
        FAIL() << "no exception";
    } catch (const EVariableError &e) {
        EXPECT_STREQ(e.what(), "Incompatible variables at index 0 (Volts - Other)");
    }
}
