#include "adapter/FormMultiAIO.h"

#include "windows/NamedWidget.h"

#include <QFrame>
#include <QTabWidget>

TFormMultiAIO *FormMultiAIO = nullptr;

TFormMultiAIO::TFormMultiAIO(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormMultiAIO"));
    resize(760, 400);
    PnlMultiAIO = NewNamed<QFrame>(this, "PnlMultiAIO", {0, 0, 760, 400});
    PgCMain = NewNamed<QTabWidget>(PnlMultiAIO, "PgCMain", {0, 0, 760, 400});
}

TFormMultiAIO::~TFormMultiAIO()
{
    if (::FormMultiAIO == this)
        ::FormMultiAIO = nullptr;
}
