#include "core/EnglishTextKeys.h"
#include "core/LanguageFileFixture.h"

#include <gtest/gtest.h>

TEST(EnglishTextKeys, MapsEnglishTextsToTheCurrentLanguage)
{
    LanguageFolder folder;
    folder.writeCurrentLanguage(QStringLiteral("PL"),
                                {QStringLiteral("strTextWait=Czekaj"), QStringLiteral("strUnitGSec=[g/s]"),
                                 QStringLiteral("strTextConnectErrors=Brak połączenia z OBD.")});
    TLM lm;
    lm.SetProgramFolder(folder.programFolder());
    ASSERT_TRUE(lm.LoadLanguageFile(QStringLiteral("PL")));
    LM = &lm;
    QString result;
    TranslateUiText(QStringLiteral("Wait"), result);
    EXPECT_EQ(result, QStringLiteral("Czekaj"));
    TranslateUiText(QStringLiteral("[g/sec]"), result);
    EXPECT_EQ(result, QStringLiteral("[g/s]"));
    TranslateUiText(QStringLiteral("Unable to connect to OBD. Change the OBD protocol and/or check the "
                                   "wires to the OBD connector."),
                    result);
    EXPECT_EQ(result, QStringLiteral("Brak połączenia z OBD."));
    // Letter case counts: not in the table.
    TranslateUiText(QStringLiteral("wait"), result);
    EXPECT_EQ(result, QStringLiteral("!EN! wait"));
    TranslateUiText(QStringLiteral("Wait "), result);
    EXPECT_EQ(result, QStringLiteral("!EN! Wait "));
    // In the table, but the language file lacks the key.
    TranslateUiText(QStringLiteral("Reset OBD adaptation?"), result);
    EXPECT_EQ(result, QStringLiteral("!_strTextQuestionResetAdaptCorrs"));
    TranslateUiText(QStringLiteral("Incompatible version"), result);
    EXPECT_EQ(result, QStringLiteral("!_strVerError"));
    LM = nullptr;
    EXPECT_EQ(EnglishTextKey(QStringLiteral("unknown")), QStringLiteral("strTextUnknown"));
    EXPECT_EQ(EnglishTextKey(QStringLiteral("Unknown")), QString());
}
