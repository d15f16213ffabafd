#include "adapter/FormMultiAIO.h"

#include "core/ComponentVersion.h"
#include "windows/NamedWidget.h"

#include <QFrame>
#include <QTabWidget>

TFormMultiAIO *FormMultiAIO = nullptr;

namespace {
ComponentVersionRegistrar reg("FormMultiAIO", "$Revision: 1 $",
                              "$Date: 2026-12-07 06:00:00 +0100 (Mon, 07 Dec 2026) $");
}

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
