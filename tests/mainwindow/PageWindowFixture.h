// The main window with the model pages installed as the program installs
// them, shared by the suites of the configuration pages, and the simulated
// controller they talk to.
#pragma once

#include "core/ui/Common.h"
#include "mainwindow/configuration/Model2Page.h"
#include "mainwindow/configuration/ModelPage.h"
#include "mainwindow/shell/FormMain.h"
#include "sim/SimControllerFixture.h"

#include <QString>

#include <gtest/gtest.h>

#include <memory>

class PageWindowFixture : public ::testing::Test
{
protected:
    // A suite's set-up starts with this; its tear-down ends the window.
    static void CreateWindow()
    {
        Common = new TCommon;
        Window = new TFormMain;
        Model2 = TModel2Page::Install(*Window);
        Model = TModelPage::Install(*Window);
    }
    static void TearDownTestSuite()
    {
        delete Window;
        Window = nullptr;
        delete Common;
        Common = nullptr;
    }

    void TearDown() override
    {
        Rig.reset();
        TCommon::SetAnswerProvider({});
    }

    // A locked device refuses the connection.
    void Connect(uint8_t kind, char version, bool locked = false)
    {
        Rig.reset();
        Rig = std::make_unique<sim::SimControllerRig>(kind, version);
        if (locked)
            Rig->Device([](sim::SimControllerState &s) { s.LockState = sim::kSimLockedState; });
        ASSERT_EQ(Rig->Connect(), !locked);
    }

    template <typename T = QWidget> static T *Get(const char *name)
    {
        T *o = Window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(o, nullptr) << name;
        return o;
    }

    static inline TFormMain *Window = nullptr;
    static inline TModel2Page *Model2 = nullptr;
    static inline TModelPage *Model = nullptr;
    std::unique_ptr<sim::SimControllerRig> Rig;
};
