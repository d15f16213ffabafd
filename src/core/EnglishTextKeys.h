// English texts of the adapter-module code mapped to the text keys of the
// language files.
#pragma once

#include <QString>
#include <QStringList>

// The current language's text for an English source text: the language
// manager's translation of the text's key ("!_<key>" when the language file
// lacks it), or "!EN! " + text when the table does not know the text.
void TranslateUiText(const QString &text, QString &result);

// The text key of an English text; empty when the table lacks it.
QString EnglishTextKey(const QString &text);

// Every key of the table, in table order (the language files must carry them).
QStringList EnglishTextKeyList();
