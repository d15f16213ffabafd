// Named variables: names and groups, raw layouts, ranges, boolean bits,
// notifications, and copies by section and flags.
#include "adapter/UIState.h"
#include "adapter/Variable.h"

#include <gtest/gtest.h>

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
